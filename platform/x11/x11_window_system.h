// X11WindowSystem: the window system on X11. X11Input for the keys and the
// pointer, X11Screen for the screen and the pointer's image, the tray icon
// as a StatusNotifierItem where a host runs and as our XEmbed window
// otherwise. The display going away ends the program with a clear message.
#pragma once
#include "platform/linux/window_system.h"
#include "platform/x11/x11_input.h"
#include "platform/x11/x11_screen.h"

namespace dudo {

class X11WindowSystem : public WindowSystem {
public:
    X11WindowSystem();  // throws dudo::Error without a usable X display

    const char* ToolkitPlatform() const override { return "xcb"; }
    std::uint16_t AsyncKeyState(int virtualKey) override { return input_.AsyncKeyState(virtualKey); }
    Point CursorPos() override { return input_.CursorPos(); }
    std::optional<KeyRepeat> KeyboardRepeat() override { return input_.KeyboardRepeat(); }
    int InputFd() const override { return input_.fd(); }
    bool Pump() override { return input_.Pump(); }
    bool Idle() const override { return input_.Idle(); }
    void InjectPrintScreen() override { input_.InjectPrintScreen(); }
    bool PrintScreenHeldElsewhere() override { return input_.PrintScreenHeldElsewhere(); }

    Size ScreenSize() override { return screen_.ScreenSize(); }
    std::vector<Rect> Monitors() override { return screen_.Monitors(); }
    double TwipsPerPixelX() override { return screen_.TwipsPerPixelX(); }
    double TwipsPerPixelY() override { return screen_.TwipsPerPixelY(); }
    std::optional<Rect> ForegroundWindowRect() override { return screen_.ForegroundWindowRect(); }
    void CopyScreen(int x, int y, Picture& surface, bool) override { screen_.CopyScreen(x, y, surface); }
    std::optional<CursorImage> Cursor() override { return screen_.Cursor(); }
    void Activate(QWidget& window) override;

    std::unique_ptr<TrayIcon> MakeTrayIcon(std::function<void(int)> report, QMenu& menu) override;

private:
    bool watching_;  // first: the handler is set before any connection opens
    X11Input input_;
    X11Screen screen_;
};

}  // namespace dudo
