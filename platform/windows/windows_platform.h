// WindowsPlatform: the program's platform on the Win32 API. It puts the GDI
// screen, the native panel and the shell's notification icon together and
// adds the process services: the single-instance mutex, the clock, the
// program folder and the message loop.
#pragma once
#include "platform/windows/windows_api.h"

#include <memory>

#include "platform/platform.h"
#include "platform/windows/win32_view.h"
#include "tray/notify_icon.h"

namespace dudo {

class WindowsPlatform : public Platform {
public:
    WindowsPlatform();
    ~WindowsPlatform() override;

    std::uint16_t AsyncKeyState(int virtualKey) override;
    Point CursorPos() override;
    std::optional<KeyRepeat> KeyboardRepeat() override;
    Size ScreenSize() override;
    std::vector<Rect> Monitors() override;
    double TwipsPerPixelX() override { return twipsPerPixel_; }
    double TwipsPerPixelY() override { return twipsPerPixel_; }
    std::optional<Rect> ForegroundWindowRect() override;
    void CopyScreen(int x, int y, Picture& surface, bool) override;
    std::optional<CursorImage> Cursor() override;

    void ProcessPendingMessages() override;
    void ShowView(Form1& form, ViewHooks hooks) override;
    void MessageBox(const std::string& title, const std::string& text) override;
    void PopupMenu(Form1& form) override;
    void SetForegroundWindow(Form1& form) override;
    void StartTimer(int intervalMs, std::function<void()> tick) override;
    int Run() override;
    [[noreturn]] void EndProcess() override;

    bool NotifyIcon(NotifyMessage message, const std::array<std::uint8_t, 488>& record) override;
    void OnTrayEvent(std::function<void(int)> receiver) override { trayReceiver_ = std::move(receiver); }
    bool TrayIconShown() override { return shownIcon_.has_value(); }
    void MinimizeWindow(Form1&) override;

    bool AcquireSingleInstance() override;
    void ShowRunningInstance() override;
    std::string ProgramFolder() override;
    LocalTime Now() override;
    double SecondsSinceMidnight() override;

private:
    // Hands the record to the shell as a full-size NOTIFYICONDATAW.
    bool Shell(DWORD message, const IconRequest& request);
    void ReAddIcon();

    double twipsPerPixel_;
    std::unique_ptr<Win32View> view_;
    std::function<void(int)> trayReceiver_;
    std::optional<IconRequest> shownIcon_;  // re-added when the taskbar comes back
    HICON trayPicture_ = nullptr;
    HANDLE instanceMutex_ = nullptr;
};

}  // namespace dudo
