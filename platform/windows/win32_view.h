// Win32View: the panel as a native window, a mirror of the Form1 model. Each
// control becomes a child window at its twips position; model changes reach
// them through the observer, and user actions become model changes plus the
// named handler, run through the program's dispatch.
#pragma once
#include "platform/windows/windows_api.h"
#include <oleacc.h>

#include <deque>
#include <functional>
#include <map>
#include <string>

#include "panel/form1.h"
#include "platform/platform.h"

namespace dudo {

class Win32View : public ControlObserver {
public:
    // `tray` receives the mouse messages the tray icon sends to PicIcon's
    // window; `taskbarCreated` runs when the shell's taskbar comes (back).
    Win32View(Form1& form, ViewHooks hooks, double twipsPerPixel, std::function<void(int)> tray,
              std::function<void()> taskbarCreated);
    ~Win32View() override;

    void ControlChanged(Control& control, Property property) override;
    HWND window() const { return window_; }
    // The panel of the instance running in this session, and the message that asks it to the front.
    static HWND Find();
    static UINT ShowPanelMessage();
    HWND picIconWindow() const { return picIcon_; }
    // Shows the popup menu at the pointer; returns when it has closed.
    void PopupMenu();
    // Tab and the arrow keys move the focus in the designed order.
    bool DialogMessage(MSG& message) { return IsDialogMessageW(window_, &message); }
    void OnTimer(std::function<void()> tick) { tick_ = std::move(tick); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    static LRESULT CALLBACK PicIconProc(HWND window, UINT message, WPARAM w, LPARAM l);
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR view);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void Command(int id, int code);
    void FieldEvent(HWND field, bool keyUp);

    HWND Build(Control& control, int id);
    void Place(Control& control, HWND child);
    void Rescale(int dpi, const RECT& suggested);
    void Mirror(Control& control, Property property);
    void MirrorWindow(Property property);
    void SetFocusOrder();
    // Gives a screen reader the control's name where it has no caption of its own.
    void Announce(Control& control, HWND child);
    void Run(const std::function<void()>& handler) { hooks_.dispatch(handler); }
    int Px(double twips) const;
    HFONT MakeFont(const wchar_t* family, double points) const;

    Form1& form_;
    ViewHooks hooks_;
    double twips_;
    std::function<void(int)> tray_;
    std::function<void()> taskbarCreated_, tick_;
    UINT taskbarCreatedMessage_, showPanelMessage_;
    HWND window_ = nullptr, picIcon_ = nullptr, toolTip_ = nullptr;
    HMENU menuBar_ = nullptr, popup_ = nullptr;
    HFONT font_ = nullptr, symbolFont_ = nullptr;
    std::map<Control*, HWND> windows_;
    std::map<int, Control*> controlOf_;  // by child window or menu item id
    std::map<Control*, int> menuIds_;
    std::deque<std::wstring> tipTexts_;
    IAccPropServices* accessibility_ = nullptr;
    bool activated_ = false;
    bool mirroring_ = false;  // a model change is being copied into the controls
};

}  // namespace dudo
