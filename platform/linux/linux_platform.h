// LinuxPlatform: the program's platform on Linux with Qt 6 Widgets. It puts
// the session's window system (X11 or Wayland), its desktop, QtView and the
// tray icon together and adds the process services: the single-instance lock and the
// capture socket, the clock, the program folder, SIGTERM/SIGINT/SIGHUP
// turned into a close request on the UI thread, the balloons and the one
// notice that another program holds Print Screen.
#pragma once
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/linux/capture_channel.h"
#include "platform/linux/window_system.h"
#include "platform/platform.h"
#include "platform/qt/desktop_notifications.h"
#include "platform/qt/qt_view.h"
#include "platform/qt/tray_icon.h"

namespace dudo {

class LinuxPlatform : public Platform {
public:
    // Throws dudo::Error with a clear message when no window system can run here.
    LinuxPlatform(int& argc, char** argv);
    ~LinuxPlatform() override;

    std::uint16_t AsyncKeyState(int virtualKey) override { return windows_->AsyncKeyState(virtualKey); }
    Point CursorPos() override { return windows_->CursorPos(); }
    std::optional<KeyRepeat> KeyboardRepeat() override { return windows_->KeyboardRepeat(); }
    std::vector<Rect> Monitors() override {
        std::vector<Rect> monitors = windows_->Monitors();
        return monitors.empty() ? Platform::Monitors() : monitors;
    }
    Size ScreenSize() override { return OnPanelScreen().ScreenSize(); }
    double TwipsPerPixelX() override { return windows_->TwipsPerPixelX(); }
    double TwipsPerPixelY() override { return windows_->TwipsPerPixelY(); }
    std::optional<Rect> ForegroundWindowRect() override { return OnPanelScreen().ForegroundWindowRect(); }
    void CopyScreen(int x, int y, Picture& surface, bool withPointer) override {
        OnPanelScreen().CopyScreen(x, y, surface, withPointer);
    }
    std::optional<CursorImage> Cursor() override { return windows_->Cursor(); }
    void FollowRangePicking(bool armed, std::function<void()> cancelled) override {
        windows_->FollowRangePicking(armed, [this] { if (tickNow_) tickNow_(); }, std::move(cancelled));
    }

    void ProcessPendingMessages() override;
    void ShowView(Form1& form, ViewHooks hooks) override;
    void MessageBox(const std::string& title, const std::string& text) override;
    void PopupMenu(Form1& form) override;
    void SetForegroundWindow(Form1& form) override;
    void MinimizeWindow(Form1&) override {
        if (view_) view_->showMinimized();
    }
    void StartTimer(int intervalMs, std::function<void()> tick) override;
    int Run() override;
    [[noreturn]] void EndProcess() override;

    bool NotifyIcon(NotifyMessage message, const std::array<std::uint8_t, 488>& record) override;
    void OnTrayEvent(std::function<void(int)> receiver) override { trayReceiver_ = std::move(receiver); }
    bool TrayIconShown() override { return tray_ && tray_->Shown(); }

    bool AcquireSingleInstance() override;
    void ShowRunningInstance() override { RequestInstance(Ask::ShowPanel); }
    std::string ProgramFolder() override;
    LocalTime Now() override;
    double SecondsSinceMidnight() override;

private:
    // The window system, told first which screen the panel is on.
    WindowSystem& OnPanelScreen();
    void WatchSignals();
    // A balloon of the tray icon: to the desktop's notification service
    // when one runs, otherwise our own popup beside the icon.
    void Balloon(const std::string& title, const std::string& text, int timeoutMs);
    void Tell(const std::string& text);
    // Once the panel shows: the desktop's offer to give Print Screen to dudo.
    void OfferPrintKey();
    // To the notification service, else the tray's own balloon; false where neither shows it.
    bool ShowOnDesktop(const std::string& title, const std::string& text, int timeoutMs);

    std::unique_ptr<Desktop> desktop_;  // outlives the window system, which holds it
    std::unique_ptr<WindowSystem> windows_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QtView> view_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<QSocketNotifier> inputNotifier_, signalNotifier_;
    QTimer timer_;
    std::function<void()> tick_, tickNow_;
    std::unique_ptr<CaptureChannel> captureChannel_;
    std::function<void(int)> trayReceiver_;
    std::function<void()> closeRequested_, shownElsewhere_;
    DesktopNotifications notifications_;
    bool printScreenShared_ = false;  // told once, with the first icon
    int lockFd_ = -1;
};

}  // namespace dudo
