// What every back end does with the program's process: starts it in the
// working folder as the back end's user and in its environment, kills it,
// waits for it and reads its log; runs it once more beside the running one.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/desktop.h"

namespace dudo::e2e {

inline pid_t Spawn(const std::vector<std::string>& command, const std::string& log = "/dev/null", int displayFd = -1) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, 1);
        dup2(out, 2);
        if (displayFd >= 0) dup2(displayFd, 3);
        std::vector<char*> argv;
        for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

inline int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

class ProgramDesktop : public Desktop {
public:
    pid_t StartProgram() override {
        program_ = Spawn({"sh", "-c", "cd '" + folder().string() + "' && exec " + As(false) + Program()},
                         (runtime_.path() / "program.log").string());
        WaitFor([&] { return ProgramShown(); }, startTimeoutMs_);
        SleepMs(200);  // first activation runs just after the window is shown
        return program_;
    }
    void KillProgram() override {
        if (program_ > 0) kill(program_, SIGKILL);
        WaitForExit(3000);
    }
    bool ProgramRunning() override { return program_ > 0 && !WaitForExit(0); }
    std::optional<int> WaitForExit(int timeoutMs) override {
        for (int waited = 0; program_ > 0 && waited <= timeoutMs; waited += 20) {
            int status = 0;
            if (waitpid(program_, &status, WNOHANG) == program_) {
                program_ = -1;
                return lastStatus_ = ExitStatus(status);
            }
            if (timeoutMs) SleepMs(20);
        }
        return std::nullopt;
    }
    std::string ProgramLog() const override {
        return "exit status " + std::to_string(lastStatus_) + ": " + test::FileContents(runtime_.path() / "program.log");
    }
    pid_t programPid() const override { return program_; }
    // The tool tip of our StatusNotifierItem, as its host reads it.
    std::string TrayItemTip() override { return ItemCall("org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem ToolTip"); }
    void RunBeside(const std::string& command) override { beside_.push_back(Spawn({"sh", "-c", "exec " + As(false) + command})); }
    ~ProgramDesktop() override {
        for (pid_t pid : beside_) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }
    std::string RunAgain(const std::string& arguments, bool otherUser) override {
        return Shell("cd '" + folder().string() + "' && " + As(otherUser) + Program() + " " + arguments + " 2>&1; echo status=$?");
    }

protected:
    // What runs a command as the program's user (or another) in the back
    // end's environment: "env DISPLAY=... ".
    virtual std::string As(bool otherUser) const = 0;
    // How the program is started, after that.
    virtual std::string Program() const { return DUDO_BINARY; }
    // The panel is up, and the tray icon where a tray runs.
    virtual bool ProgramShown() {
        const auto w = Window(Shown::Panel);
        return w && w->viewable && CountWindows(Shown::TrayIcon) == 1;
    }

    // What the StatusNotifierWatcher on the session bus answers to a property call.
    std::string Watcher(const std::string& call) const {
        return Shell(OnBus() + "gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher"
                     " --method org.freedesktop.DBus.Properties." + call + " 2>/dev/null");
    }
    int RegisteredItems() const {
        const std::string items = Watcher("Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems");
        return static_cast<int>(std::count(items.begin(), items.end(), '/'));
    }
    // A method of our item, as the host calls it.
    std::string ItemCall(const std::string& method) const {
        const std::string items = Watcher("Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems");
        std::smatch item;
        // "name/path", or "name@/path" as GNOME's AppIndicator host lists them.
        if (!std::regex_search(items, item, std::regex("'([^/'@]+)@?(/[^']+)'"))) return "no item: " + items;
        return Shell(OnBus() + "gdbus call --session --dest " + item[1].str() + " --object-path " + item[2].str() + " --method " +
                     method + " 2>&1");
    }
    // A session bus of our own in the runtime folder, its daemon started
    // with that environment ("env ... ").
    void StartSessionBus(const std::string& environment) {
        const std::filesystem::path bus = runtime_.path() / "bus";
        busDaemon_ = Spawn({"sh", "-c", "exec " + environment + "dbus-daemon --session --nofork --address=unix:path=" + bus.string()});
        if (!WaitFor([&] { return std::filesystem::exists(bus); }, 5000)) throw std::runtime_error("no session bus");
        bus_ = "unix:path=" + bus.string();
    }
    // What runs a command on the desktop's session bus.
    virtual std::string OnBus() const { return "DBUS_SESSION_BUS_ADDRESS=" + bus_ + " "; }

    int startTimeoutMs_ = 8000;
    std::string bus_;  // the private session bus, where one runs
    test::TempFolder runtime_;  // mkdtemp makes it private, as a runtime folder must be
    pid_t program_ = -1, busDaemon_ = -1;
    std::vector<pid_t> beside_;
    int lastStatus_ = -1;
};

}  // namespace dudo::e2e
