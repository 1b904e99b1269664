#include "tests/e2e/x11_desktop.h"

namespace dudo::e2e {

namespace {

// GNOME Shell 43 as the window manager of an Xvfb display, with a private
// session bus and home, and a private system bus it insists on; no tray, as
// GNOME comes. Its screenshot UI holds Print, as GNOME comes. It starts in
// its overview, which Escape leaves before the program starts.
class GnomeOnX11Desktop : public X11Desktop {
public:
    explicit GnomeOnX11Desktop(DesktopOptions options) : X11Desktop((options.tray = TrayHost::Absent, options)) {
        if (Shell("command -v gnome-shell gsettings >/dev/null && echo ok") != "ok\n") throw Missing("GNOME Shell is not installed");
        fs::create_directories(home_);
        // With the session's home, which the settings service they start writes to.
        bus_ = SpawnTelling({"env", "HOME=" + home_.string(), "dbus-daemon", "--session", "--nofork", "--print-address=3"}, bus_pid_);
        systemBus_ = SpawnTelling({"env", "HOME=" + home_.string(), "dbus-daemon", "--session", "--nofork", "--print-address=3"}, systemBusPid_);
        shell_ = Spawn({"sh", "-c", "exec " + As(false) + "DBUS_SYSTEM_BUS_ADDRESS=" + systemBus_ + " gnome-shell --x11 --replace"},
                       (runtime_.path() / "shell.log").string());
        if (!WaitFor([&] { return Shell(As(false) + "gdbus introspect --session --dest org.gnome.Shell --object-path /org/gnome/Shell 2>&1").find("ShellVersion") != std::string::npos; }, 30000))
            throw std::runtime_error("GNOME Shell did not start: " + test::FileContents(runtime_.path() / "shell.log"));
        SleepMs(1500), Keys("Escape");
    }
    ~GnomeOnX11Desktop() override {
        KillProgram();
        for (pid_t pid : {shell_, systemBusPid_}) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
    }

protected:
    std::string As(bool otherUser) const override {
        return X11Desktop::As(otherUser) + "HOME=" + home_.string() + " XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=x11 NO_AT_BRIDGE=1 ";
    }

private:
    fs::path home_ = runtime_.path() / "home";
    std::string systemBus_;
    pid_t shell_ = -1, systemBusPid_ = -1;
};

}  // namespace

std::unique_ptr<Desktop> MakeX11Desktop(const DesktopOptions& options) { return std::make_unique<X11Desktop>(options); }
std::unique_ptr<Desktop> MakeGnomeOnX11Desktop(const DesktopOptions& options) { return std::make_unique<GnomeOnX11Desktop>(options); }

}  // namespace dudo::e2e
