// What the Linux platform asks of the window system beneath the toolkit: the
// keys, the pointer, the screen and how the tray icon shows. X11 and Wayland
// each offer it; window_systems.cpp chooses one, once, at start.
#pragma once
#include <QMenu>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/desktop/desktop.h"
#include "platform/platform.h"
#include "platform/qt/tray_icon.h"

namespace dudo {

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The toolkit's platform plugin for this window system ("xcb", "wayland").
    virtual const char* ToolkitPlatform() const = 0;
    // The toolkit's application now exists, and the desktop is known (it
    // outlives the window system); throws dudo::Error with a message for
    // the user when the window system cannot serve after all.
    virtual void ToolkitStarted(Desktop&) {}

    // Input: bit 15 down now, bit 0 pressed since the previous query.
    virtual std::uint16_t AsyncKeyState(int virtualKey) = 0;
    virtual Point CursorPos() = 0;
    // As Platform::KeyboardRepeat; where the desktop repeats its own key
    // binding, the default is never used.
    virtual std::optional<KeyRepeat> KeyboardRepeat() { return KeyRepeat{}; }
    // Readable when input events wait (-1: none to wait for); Pump reads
    // them, true when a watched key or button changed.
    virtual int InputFd() const = 0;
    virtual bool Pump() = 0;
    // Nothing down and no press waiting: a poller tick would find nothing.
    virtual bool Idle() const = 0;
    // Range picking armed or over. Where clicks on other programs' windows
    // cannot be seen, the window system takes them itself and runs `pressed`
    // on each; `cancelled` when the user gives up (it then ends the picking
    // on its side). The two are kept from the first call.
    virtual void FollowRangePicking(bool, const std::function<void()>&, const std::function<void()>&) {}
    // A press of Print Screen at the next query, as from `dudo --capture`.
    virtual void InjectPrintScreen() = 0;
    // Another program also reacts to Print Screen.
    virtual bool PrintScreenHeldElsewhere() = 0;

    // Screen, in pixels: where several outputs make no one screen, the one
    // of the toolkit's screen of that name (the panel's).
    virtual void FollowScreen(const std::string&) {}
    virtual Size ScreenSize() = 0;
    // The monitors the screen shows; none where it is one.
    virtual std::vector<Rect> Monitors() { return {}; }
    virtual double TwipsPerPixelX() = 0;
    virtual double TwipsPerPixelY() = 0;
    virtual std::optional<Rect> ForegroundWindowRect() = 0;
    // As Platform::CopyScreen; `withPointer` where the copy itself can draw
    // the pointer in (Cursor then answers none).
    virtual void CopyScreen(int x, int y, Picture& surface, bool withPointer) = 0;
    virtual std::optional<CursorImage> Cursor() = 0;
    // Brings the shown panel to the front.
    virtual void Activate(QWidget& window) = 0;

    // The tray icon this desktop shows; `menu` for hosts that show it themselves.
    virtual std::unique_ptr<TrayIcon> MakeTrayIcon(std::function<void(int)> report, QMenu& menu) = 0;
};

// The window system of this session: Wayland where the session is one,
// even when DISPLAY is also set, X11 otherwise. Throws dudo::Error with a
// message for the user when it cannot run here.
std::unique_ptr<WindowSystem> MakeWindowSystem();
// Whether it is Wayland's.
bool OnWayland(const WindowSystem& windows);

}  // namespace dudo
