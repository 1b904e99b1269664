// WaylandWindowSystem: the window system in a Wayland session. The screen
// through wlr-screencopy (WaylandScreen), the pointer drawn in by the
// compositor, or where the desktop says so, through its picture of the
// whole layout (KWin's, the portal's), placed by the outputs' layout. The
// foreground window as the desktop tells it. The tray icon as a
// StatusNotifierItem. No Wayland client may watch keys or buttons globally:
// Print Screen reaches the program as `dudo --capture`, bound to the key in
// the desktop's own settings. Range picking through a full-screen overlay
// (RangeOverlay), since no client sees clicks on other windows.
#pragma once
#include "platform/linux/window_system.h"
#include "platform/qt/range_overlay.h"
#include "platform/wayland/wayland_screen.h"

namespace dudo {

class WaylandWindowSystem : public WindowSystem {
public:
    // Throws dudo::Error when the compositor cannot be reached.
    WaylandWindowSystem();
    // Throws dudo::Error when neither the compositor nor the desktop copies
    // the screen: no picture is ever saved that could not really be taken.
    void ToolkitStarted(Desktop& desktop) override;

    const char* ToolkitPlatform() const override { return "wayland"; }
    std::uint16_t AsyncKeyState(int virtualKey) override;
    Point CursorPos() override;
    int InputFd() const override { return -1; }
    bool Pump() override { return false; }
    bool Idle() const override { return !printPressed_; }
    void FollowRangePicking(bool armed, const std::function<void()>& pressed, const std::function<void()>& cancelled) override;
    void InjectPrintScreen() override { printPressed_ = true; }
    bool PrintScreenHeldElsewhere() override { return false; }

    void FollowScreen(const std::string& name) override { screen_.Choose(screenName_ = name); }
    Size ScreenSize() override { return screen_.Refresh(), screen_.ScreenSize(); }
    std::vector<Rect> Monitors() override { return screen_.Refresh(), screen_.Monitors(); }
    double TwipsPerPixelX() override { return 15; }
    double TwipsPerPixelY() override { return 15; }
    std::optional<Rect> ForegroundWindowRect() override;
    void CopyScreen(int x, int y, Picture& surface, bool withPointer) override;
    std::optional<CursorImage> Cursor() override { return std::nullopt; }  // drawn in by the copy
    void Activate(QWidget&) override {}

    std::unique_ptr<TrayIcon> MakeTrayIcon(std::function<void(int)> report, QMenu& menu) override;

private:
    QScreen* PanelScreen() const;  // the toolkit's, where the panel is
    bool Picking() const;
    // The screen through the compositor's copy, not the desktop's picture.
    bool CopiesItself() const { return desktop_->source() == ScreenSource::WindowSystem; }
    void HideOverlays();
    // The output's pixels to the toolkit's points: more than one on a scaled output.
    double PixelsPerPoint() const;

    WaylandScreen screen_;
    Desktop* desktop_ = nullptr;
    bool printPressed_ = false;  // by `dudo --capture`, until the next query
    std::string screenName_;     // the toolkit's, of the panel's screen
    std::vector<std::unique_ptr<RangeOverlay>> overlays_;
    bool clicked_ = false;  // on the overlay, until the next query
    Point click_;           // where, in the output's pixels
};

}  // namespace dudo
