// LinuxPlatform: the program's platform on X11 with Qt 6 Widgets. It puts
// X11Input, X11Screen, QtView and the tray icon together and adds the process
// services: the single-instance lock, the clock, the program folder, and
// SIGTERM/SIGINT/SIGHUP turned into a close request on the UI thread, and
// the balloons and the one notice that another program holds Print Screen.
#pragma once
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/linux/capture_channel.h"
#include "platform/linux/desktop_notifications.h"
#include "platform/linux/qt_view.h"
#include "platform/linux/tray_icon.h"
#include "platform/linux/x11_input.h"
#include "platform/linux/x11_screen.h"
#include "platform/platform.h"

namespace dudo {

class LinuxPlatform : public Platform {
public:
    // Throws dudo::Error with a clear message when there is no X display.
    LinuxPlatform(int& argc, char** argv);
    // Where `dudo --capture` finds the instance of this user and display.
    static std::string CaptureSocketPath();
    ~LinuxPlatform() override;

    std::uint16_t AsyncKeyState(int virtualKey) override { return input_->AsyncKeyState(virtualKey); }
    Point CursorPos() override { return input_->CursorPos(); }
    Size ScreenSize() override { return screen_->ScreenSize(); }
    double TwipsPerPixelX() override { return screen_->TwipsPerPixelX(); }
    double TwipsPerPixelY() override { return screen_->TwipsPerPixelY(); }
    std::optional<Rect> ForegroundWindowRect() override { return screen_->ForegroundWindowRect(); }
    void CopyScreen(int x, int y, Picture& surface) override { screen_->CopyScreen(x, y, surface); }
    std::optional<CursorImage> Cursor() override { return screen_->Cursor(); }

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

    bool AcquireSingleInstance() override;
    std::string ProgramFolder() override;
    LocalTime Now() override;
    double SecondsSinceMidnight() override;

private:
    void WatchSignals();
    // A balloon of the tray icon: to the desktop's notification service
    // when one runs, otherwise our own popup beside the icon.
    void Balloon(const std::string& title, const std::string& text, int timeoutMs);

    std::unique_ptr<QApplication> app_;
    std::unique_ptr<X11Input> input_;
    std::unique_ptr<X11Screen> screen_;
    std::unique_ptr<QtView> view_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<QSocketNotifier> inputNotifier_, signalNotifier_;
    QTimer timer_;
    std::function<void()> tick_, tickNow_;
    std::unique_ptr<CaptureChannel> captureChannel_;
    std::function<void(int)> trayReceiver_;
    std::function<void()> closeRequested_;
    DesktopNotifications notifications_;
    bool printScreenShared_ = false;  // told once, with the first icon
    int lockFd_ = -1;
};

}  // namespace dudo
