// What the program asks of its platform, in the program's own terms. The
// core holds one Platform by reference; only platform/<name>/ implements it.
#pragma once
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imagelib/picture.h"

namespace dudo {

class Form1;

// The virtual-key codes; <windows.h> has them as macros of the same values.
#ifndef VK_LBUTTON
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_SNAPSHOT = 0x2C;
#endif

struct Point {
    int x = 0, y = 0;
};
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct Size {
    int width = 0, height = 0;
};

// The part of a screen copy's area, the surface's size at (x, y), that lies
// on a screen or monitor of that rectangle, in screen coordinates: only that
// part can be copied, and the rest keeps the surface's pixels. Empty
// (right <= left) when none of it does; computed wide, so that no typed
// place overflows.
inline Rect AreaOnScreen(int x, int y, const Picture& surface, Rect screen) {
    const long long left = std::max(x, screen.left), top = std::max(y, screen.top);
    const long long right = std::min<long long>(static_cast<long long>(x) + surface.width, screen.right);
    const long long bottom = std::min<long long>(static_cast<long long>(y) + surface.height, screen.bottom);
    if (right <= left || bottom <= top) return {};
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
}
inline Rect AreaOnScreen(int x, int y, const Picture& surface, Size screen) {
    return AreaOnScreen(x, y, surface, Rect{0, 0, screen.width, screen.height});
}

// How the keyboard repeats a key held down: the first repeat after
// `delayMs`, then one every `intervalMs`.
struct KeyRepeat {
    double delayMs = 500;
    double intervalMs = 1000.0 / 30;
};

struct CursorImage {
    Picture image;  // with alpha
    Point hotspot;
};

struct LocalTime {
    int year, month, day, hour, minute, second;
};

// How the view reaches the program: every user event runs through
// `dispatch`, which reports failures; the window's first activation and every
// close request have their own hooks.
struct ViewHooks {
    std::function<void(const std::function<void()>&)> dispatch;
    std::function<void()> activated;
    std::function<void()> closeRequested;
    // A second start of the program asks for the panel.
    std::function<void()> shownElsewhere;
};

// Message codes of the notification-icon requests.
enum class NotifyMessage { Add = 0, Modify = 1, Delete = 2 };

class Platform {
public:
    virtual ~Platform() = default;

    // Input. Bit 15: the key is down now; bit 0: pressed since the last query.
    virtual std::uint16_t AsyncKeyState(int virtualKey) = 0;
    virtual Point CursorPos() = 0;
    // The keyboard's repeat of a held key, as the user set it; none when
    // keys do not repeat. Where the platform does not tell, 500 ms and 30 a second.
    virtual std::optional<KeyRepeat> KeyboardRepeat() { return KeyRepeat{}; }
    // A steady clock for the time between ticks, in milliseconds.
    virtual double Milliseconds() {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }

    // Screen, in pixels.
    virtual Size ScreenSize() = 0;
    // The monitors, in the screen's pixels: the screen alone where there are no others.
    virtual std::vector<Rect> Monitors() {
        const Size screen = ScreenSize();
        return {{0, 0, screen.width, screen.height}};
    }
    virtual double TwipsPerPixelX() = 0;
    virtual double TwipsPerPixelY() = 0;
    // The foreground window's rectangle including its frame; none when no
    // window has the focus.
    virtual std::optional<Rect> ForegroundWindowRect() = 0;
    // Copies the screen area at (x, y) of the surface's size onto the
    // surface at (0, 0); parts off the screen keep the surface's pixels.
    // `withPointer`: the pointer is wanted in the picture, which a copy that
    // draws it itself (a compositor's) then does, Cursor answering none.
    virtual void CopyScreen(int x, int y, Picture& surface, bool withPointer) = 0;
    virtual std::optional<CursorImage> Cursor() = 0;
    // Range picking armed (the next two clicks are its corners) or over.
    // Where clicks on other programs' windows cannot be seen, the platform
    // takes them itself, and runs `cancelled` when the user gives up there.
    virtual void FollowRangePicking(bool /*armed*/, std::function<void()> /*cancelled*/) {}

    // Window toolkit.
    virtual void ProcessPendingMessages() = 0;
    // Creates the window's view of the model; it follows the model from then on.
    virtual void ShowView(Form1& form, ViewHooks hooks) = 0;
    virtual void MessageBox(const std::string& title, const std::string& text) = 0;
    // Shows the popup menu at the pointer; returns when it has closed.
    virtual void PopupMenu(Form1& form) = 0;
    // Brings the panel to the front, out of the task bar where it was minimised.
    virtual void SetForegroundWindow(Form1& form) = 0;
    // Minimises the panel to the task bar or dock.
    virtual void MinimizeWindow(Form1&) {}
    // Runs `tick` every `intervalMs` (raised to the platform's minimum) and as
    // soon as a watched key or button changes.
    virtual void StartTimer(int intervalMs, std::function<void()> tick) = 0;
    // Runs the message loop until Quit.
    virtual int Run() = 0;
    [[noreturn]] virtual void EndProcess() = 0;

    // Shell: the 488-byte notification-icon record, as the tray module fills it.
    virtual bool NotifyIcon(NotifyMessage message, const std::array<std::uint8_t, 488>& record) = 0;
    // Whether a tray shows the icon now: without one, a hidden panel could not be reached.
    virtual bool TrayIconShown() { return true; }
    // Tray icon events are reported to this receiver as event numbers (512, 513, 517).
    virtual void OnTrayEvent(std::function<void(int eventNumber)> receiver) = 0;

    // Process.
    // Takes the single-instance lock; false when another instance holds it.
    virtual bool AcquireSingleInstance() = 0;
    // Where the lock is another instance's: asks it to bring its panel to the front.
    virtual void ShowRunningInstance() {}
    virtual std::string ProgramFolder() = 0;
    virtual LocalTime Now() = 0;
    virtual double SecondsSinceMidnight() = 0;
};

}  // namespace dudo
