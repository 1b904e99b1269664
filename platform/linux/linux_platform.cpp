#include "platform/linux/linux_platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCursor>
#include <QScreen>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "common/error.h"
#include "panel/form1.h"
#include "platform/qt/program_icon.h"

namespace dudo {

namespace {

int signalPipe[2] = {-1, -1};  // the self-pipe: the only state a signal handler may touch

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(signalPipe[1], &byte, 1);
}

// Said once at start-up when another program (usually the desktop's own
// screenshot tool) holds a grab on Print Screen: both react to every press.
const char* const kPrintScreenShared =
    "另一個程式也會回應 Print Screen 鍵，每按一次兩個程式都會動作。"
    "可在桌面的鍵盤快捷鍵設定中取消它對 Print Screen 的設定："
    "GNOME 在「設定 › 鍵盤 › 鍵盤快捷鍵」，KDE 在「系統設定 › 快捷鍵」，Xfce 在「設定 › 鍵盤 › 應用程式快捷鍵」。"
    " (Another program also reacts to Print Screen: unbind it in your desktop's keyboard shortcut settings.)";

}  // namespace

LinuxPlatform::LinuxPlatform(int& argc, char** argv) : windows_(MakeWindowSystem()) {
    const bool printScreenHeld = windows_->PrintScreenHeldElsewhere();
    qputenv("QT_QPA_PLATFORM", windows_->ToolkitPlatform());
    app_ = std::make_unique<QApplication>(argc, argv);
    app_->setQuitOnLastWindowClosed(false);
    desktop_ = MakeDesktop(OnWayland(*windows_));
    desktop_->tell = [this](const std::string& text) { Tell(text); };
    windows_->ToolkitStarted(*desktop_);
    // The desktop's offer, where one comes, says what the notice would.
    printScreenShared_ = printScreenHeld && !desktop_->PrintKeyOfferPending(QCoreApplication::applicationFilePath().toStdString());
    QTimer::singleShot(0, [this] { OfferPrintKey(); });
    app_->setFont(QtView::PanelFont(windows_->TwipsPerPixelY()));  // the message box and menu match the panel
    app_->setWindowIcon(ProgramIcon());
    WatchSignals();
}

LinuxPlatform::~LinuxPlatform() = default;

void LinuxPlatform::WatchSignals() {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    signalNotifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, [this] {
        char byte;
        [[maybe_unused]] ssize_t n = read(signalPipe[0], &byte, 1);
        if (closeRequested_) closeRequested_();
        EndProcess();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

void LinuxPlatform::OfferPrintKey() {
    try {
        desktop_->OfferPrintKey(QCoreApplication::applicationFilePath().toStdString(), [](const std::string& question) {
            QMessageBox box(QMessageBox::Question, "dudo進階版", QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
            return box.exec() == QMessageBox::Yes;
        });
    } catch (const Error& failure) {
        Tell(failure.what());
    }
}

void LinuxPlatform::ProcessPendingMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

WindowSystem& LinuxPlatform::OnPanelScreen() {
    if (view_ && view_->screen()) windows_->FollowScreen(view_->screen()->name().toStdString());
    return *windows_;
}

void LinuxPlatform::ShowView(Form1& form, ViewHooks hooks) {
    closeRequested_ = hooks.closeRequested;
    shownElsewhere_ = hooks.shownElsewhere;
    view_ = std::make_unique<QtView>(form, std::move(hooks), TwipsPerPixelX(), TwipsPerPixelY(),
                                     desktop_->CentresCaptions() ? QtView::CaptionRoom(form.caption(), TwipsPerPixelX()) : 0);
    tray_ = windows_->MakeTrayIcon([this](int eventNumber) {
        if (trayReceiver_) trayReceiver_(eventNumber);
    }, view_->popupMenu());
}

void LinuxPlatform::MessageBox(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    view_ && view_->isVisible() ? view_.get() : nullptr);
    box.setObjectName("dudo message");
    box.exec();
}

void LinuxPlatform::PopupMenu(Form1&) {
    if (view_) view_->popupMenu().exec(QCursor::pos());
}

void LinuxPlatform::SetForegroundWindow(Form1&) {
    if (!view_) return;
    if (view_->isMinimized()) view_->showNormal();
    view_->raise();
    view_->activateWindow();
    windows_->Activate(*view_);
}

void LinuxPlatform::StartTimer(int intervalMs, std::function<void()> tick) {
    tick_ = std::move(tick);
    // The platform's own minimum, as on the desktop this tool was made for;
    // presses do not wait for it: their events run a tick at once. While no
    // key or button is down and no press waits, a tick would find nothing,
    // so the timer rests until the next event and the idle program sleeps.
    constexpr int kMinimumIntervalMs = 15;
    timer_.setInterval(std::max(intervalMs, kMinimumIntervalMs));
    auto tickAndRest = [this] {
        tick_();
        windows_->Pump();
        if (windows_->Idle()) timer_.stop();
        else if (!timer_.isActive()) timer_.start();
    };
    QObject::connect(&timer_, &QTimer::timeout, tickAndRest);
    tickNow_ = tickAndRest;
    timer_.start();
    if (windows_->InputFd() < 0) return;  // presses come only from the capture socket
    inputNotifier_ = std::make_unique<QSocketNotifier>(windows_->InputFd(), QSocketNotifier::Read);
    QObject::connect(inputNotifier_.get(), &QSocketNotifier::activated, [this, tickAndRest] {
        if (windows_->Pump()) tickAndRest();
    });
}

int LinuxPlatform::Run() { return app_->exec(); }

void LinuxPlatform::EndProcess() {
    if (app_) QCoreApplication::processEvents();  // sends what is still queued, the icon's removal among it
    std::fflush(nullptr);
    _exit(0);
}

bool LinuxPlatform::NotifyIcon(NotifyMessage message, const std::array<std::uint8_t, 488>& record) {
    const IconRequest request = DecodeIconRecord(record);
    if (!tray_ || request.window == 0) return false;  // an empty record names no icon
    if (message == NotifyMessage::Delete) {
        tray_.reset();  // the tray host drops an icon whose window is destroyed
        return true;
    }
    const bool shown = tray_->Apply(request, message == NotifyMessage::Add);
    // The balloon reaches the user also where no tray shows the icon.
    if (!request.info.empty()) Balloon(request.infoTitle, request.info, static_cast<int>(request.timeoutMs));
    if (!shown) return false;
    if (printScreenShared_) {
        printScreenShared_ = false;
        std::fprintf(stderr, "dudo: %s\n", kPrintScreenShared);
        Balloon("dudo進階版", kPrintScreenShared, 10000);
    }
    return true;
}

bool LinuxPlatform::ShowOnDesktop(const std::string& title, const std::string& text, int timeoutMs) {
    const QString t = QString::fromStdString(title), body = QString::fromStdString(text);
    if (DesktopNotifications::Available() && notifications_.Show(t, body, timeoutMs)) return true;
    if (!tray_ || !tray_->Shown()) return false;
    tray_->ShowBalloon(t, body, timeoutMs);
    return true;
}

void LinuxPlatform::Balloon(const std::string& title, const std::string& text, int timeoutMs) {
    if (!ShowOnDesktop(title, text, timeoutMs)) std::fprintf(stderr, "dudo: %s: %s\n", title.c_str(), text.c_str());
}

// Said on standard error and shown as a notification (or the tray's
// balloon) together: it is wanted now, wherever the user looks.
void LinuxPlatform::Tell(const std::string& text) {
    std::fprintf(stderr, "dudo: %s\n", text.c_str());
    ShowOnDesktop("dudo進階版", text, 0);
}

bool LinuxPlatform::AcquireSingleInstance() {
    // A lock on an open descriptor goes with the process, however it ends,
    // so it never goes stale; close-on-exec keeps it out of child processes.
    std::string lock;
    try {
        lock = InstancePath(".lock");
    } catch (const std::exception& failure) {  // no place for a lock: run rather than refuse
        std::fprintf(stderr, "dudo: %s\n", failure.what());
        return true;
    }
    lockFd_ = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) return true;
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) return false;
    try {
        captureChannel_ = std::make_unique<CaptureChannel>(CaptureSocketPath(), [this](Ask ask) {
            if (ask == Ask::ShowPanel) {
                if (shownElsewhere_) shownElsewhere_();
                return;
            }
            windows_->InjectPrintScreen();
            if (tickNow_) tickNow_();
        });
    } catch (const std::exception& failure) {  // the key still works without it
        std::fprintf(stderr, "dudo: %s\n", failure.what());
    }
    return true;
}

std::string LinuxPlatform::ProgramFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path().string() : self.parent_path().string();
}

LocalTime LinuxPlatform::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

double LinuxPlatform::SecondsSinceMidnight() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm t{};
    localtime_r(&ts.tv_sec, &t);
    return t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec + ts.tv_nsec / 1e9;
}

}  // namespace dudo
