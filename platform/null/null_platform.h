// The null backend: a synthetic screen, scripted input, a settable clock and
// recorded tray and message-box requests. Core tests run against it; it
// implements every operation without a window system.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/platform.h"

namespace dudo {

class NullPlatform : public Platform {
public:
    NullPlatform();

    // The synthetic screen; each pixel is 0xFFRRGGBB.
    Picture screen;
    Point cursor;
    std::vector<Rect> monitors;  // on the screen; none: the screen is one monitor
    std::optional<Rect> foreground;
    std::optional<CursorImage> cursorImage;
    double twipsPerPixel = 15;
    LocalTime now{2026, 12, 5, 14, 5, 9};
    double secondsSinceMidnight = 50709.5;
    bool otherInstance = false;
    bool trayShown = true;  // whether a tray shows the icon
    int minimized = 0, runningInstanceCalls = 0;
    bool pointerAskedOfCopy = false;  // by the last CopyScreen
    bool rangePicking = false;         // as the program last said
    std::function<void()> giveUpPicking;

    std::optional<KeyRepeat> keyRepeat = KeyRepeat{};
    double milliseconds = 0;  // the steady clock, moved by the test
    // Key states answered by AsyncKeyState, one per query, then 0.
    std::map<int, std::deque<std::uint16_t>> keyStates;
    // Runs inside each ProcessPendingMessages call (another handler's event).
    std::function<void()> onMessagePass;

    struct TrayRequest {
        NotifyMessage message;
        std::array<std::uint8_t, 488> record;
    };
    std::vector<TrayRequest> trayRequests;
    std::vector<std::pair<std::string, std::string>> messageBoxes;
    int messagePasses = 0;
    int popupMenus = 0;
    int foregroundRequests = 0;
    bool ended = false;
    std::function<void()> timerTick;
    ViewHooks hooks;
    std::function<void(int)> trayReceiver;

    std::uint16_t AsyncKeyState(int virtualKey) override;
    Point CursorPos() override { return cursor; }
    std::optional<KeyRepeat> KeyboardRepeat() override { return keyRepeat; }
    double Milliseconds() override { return milliseconds; }
    Size ScreenSize() override { return {screen.width, screen.height}; }
    std::vector<Rect> Monitors() override { return monitors.empty() ? Platform::Monitors() : monitors; }
    double TwipsPerPixelX() override { return twipsPerPixel; }
    double TwipsPerPixelY() override { return twipsPerPixel; }
    std::optional<Rect> ForegroundWindowRect() override { return foreground; }
    void FollowRangePicking(bool armed, std::function<void()> cancelled) override {
        rangePicking = armed, giveUpPicking = std::move(cancelled);
    }
    void CopyScreen(int x, int y, Picture& surface, bool withPointer) override;
    std::optional<CursorImage> Cursor() override { return cursorImage; }
    void ProcessPendingMessages() override;
    void ShowView(Form1&, ViewHooks h) override { hooks = std::move(h); }
    void MessageBox(const std::string& title, const std::string& text) override { messageBoxes.push_back({title, text}); }
    void PopupMenu(Form1&) override { ++popupMenus; }
    void SetForegroundWindow(Form1&) override { ++foregroundRequests; }
    void MinimizeWindow(Form1&) override { ++minimized; }
    bool TrayIconShown() override { return trayShown; }
    void ShowRunningInstance() override { ++runningInstanceCalls; }
    void StartTimer(int, std::function<void()> tick) override { timerTick = std::move(tick); }
    int Run() override { return 0; }
    [[noreturn]] void EndProcess() override;
    bool NotifyIcon(NotifyMessage message, const std::array<std::uint8_t, 488>& record) override;
    void OnTrayEvent(std::function<void(int)> receiver) override { trayReceiver = std::move(receiver); }
    bool AcquireSingleInstance() override { return !otherInstance; }
    std::string ProgramFolder() override { return "/opt/dudo"; }
    LocalTime Now() override { return now; }
    double SecondsSinceMidnight() override { return secondsSinceMidnight; }
};

// Thrown by NullPlatform::EndProcess so that a test can see the end.
struct ProcessEnded {};

// A deterministic test pattern: every pixel tells its own coordinates.
std::uint32_t PatternPixel(int x, int y);

}  // namespace dudo
