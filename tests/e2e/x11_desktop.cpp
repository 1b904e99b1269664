#include "tests/e2e/x11_desktop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <stdexcept>
#include <vector>

#include "platform/null/null_platform.h"

namespace dudo::e2e {

namespace {

const char* Title(Shown window) {
    switch (window) {
        case Shown::Panel: return "dudo進階版";
        case Shown::TrayIcon: return "dudo tray icon";
        case Shown::Balloon: return "dudo balloon";
        case Shown::About: return "作者的話";
        case Shown::MessageBox: return "dudo進階版";  // the panel's caption: counted beside the panel
    }
    return "";
}

pid_t Spawn(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", ("exec env " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace

X11Desktop::X11Desktop(const DesktopOptions& options) {
    if (!options.tmpfs.empty()) {
        mounted_ = Shell("mount -t tmpfs -o size=" + options.tmpfs + " tmpfs '" + folder().string() + "' 2>&1 && echo ok")
                       .ends_with("ok\n");
        if (!mounted_) throw Missing("mounting a tmpfs needs root");
    }
    // A display number of our own: the first free one from a place that
    // depends on this process, so parallel test processes rarely meet.
    const std::string screen = std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
    for (int n = 100 + getpid() % 400, tries = 0; tries < 200 && display_.empty(); ++n, ++tries) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (std::filesystem::exists(socket) && Shell("DISPLAY=:" + std::to_string(n) + " xdpyinfo >/dev/null 2>&1 && echo live") != "") continue;
        std::filesystem::remove(socket);  // Xvfb itself clears a stale lock
        xvfb_ = fork();
        if (xvfb_ == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            const std::string name = ":" + std::to_string(n);
            std::vector<const char*> args = {"Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-dpi", "96",
                                             "-nolisten", "tcp", "+bs", "-noreset"};
            if (!options.sharedMemory) args.insert(args.end(), {"-extension", "MIT-SHM"});
            args.push_back(nullptr);
            execvp("Xvfb", const_cast<char* const*>(args.data()));
            _exit(127);
        }
        if (WaitFor([&] { return std::filesystem::exists(socket) || waitpid(xvfb_, nullptr, WNOHANG) == xvfb_; }, 5000) &&
            std::filesystem::exists(socket))
            display_ = ":" + std::to_string(n);
    }
    if (display_.empty()) throw std::runtime_error("Xvfb did not start");
    if (!options.sharedMemory && Shell(Env() + "xdpyinfo | grep -c MIT-SHM") != "0\n")
        throw std::runtime_error("the server still offers MIT-SHM");
    tray_ = Spawn(Env() + "trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1");
    WaitFor([&] { return WindowNamed("panel").has_value(); }, 5000);
}

X11Desktop::~X11Desktop() {
    KillProgram();
    ClosePatterns();
    // SIGTERM lets Xvfb remove its lock and socket.
    for (pid_t pid : {tray_, xvfb_})
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    if (mounted_) Shell("umount -l '" + folder().string() + "'");
}

pid_t X11Desktop::StartProgram() {
    program_ = fork();
    if (program_ == 0) {
        if (chdir(folder().c_str()) != 0) _exit(126);
        setenv("DISPLAY", display_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
        const int log = open((runtime_.path() / "program.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(log, 1);
        dup2(log, 2);
        execl(DUDO_BINARY, DUDO_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    WaitFor([&] {
        const auto w = Window(Shown::Panel);
        return w && w->viewable && CountWindows(Shown::TrayIcon) == 1;
    }, 8000);
    SleepMs(200);  // first activation runs just after the window is shown
    return program_;
}

void X11Desktop::KillProgram() {
    if (program_ <= 0) return;
    kill(program_, SIGKILL);
    waitpid(program_, nullptr, 0);
    program_ = -1;
}

bool X11Desktop::ProgramRunning() {
    if (program_ <= 0) return false;
    int status = 0;
    if (waitpid(program_, &status, WNOHANG) == 0) return true;
    program_ = -1;
    lastStatus_ = ExitStatus(status);
    return false;
}

std::optional<int> X11Desktop::WaitForExit(int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        int status = 0;
        if (program_ > 0 && waitpid(program_, &status, WNOHANG) == program_) {
            program_ = -1;
            return lastStatus_ = ExitStatus(status);
        }
        SleepMs(20);
    }
    return std::nullopt;
}

std::string X11Desktop::ProgramLog() const {
    return "exit status " + std::to_string(lastStatus_) + ": " +
           Shell("cat '" + (runtime_.path() / "program.log").string() + "' 2>/dev/null");
}

std::string X11Desktop::RunAgain() {
    return Shell("cd '" + folder().string() + "' && " + Env() + DUDO_BINARY + " 2>&1; echo status=$?");
}

void X11Desktop::StopServer() {
    ClosePatterns();  // Xlib ends a client whose server is gone
    for (pid_t* pid : {&tray_, &xvfb_})
        if (*pid > 0) {
            kill(*pid, SIGKILL);
            waitpid(*pid, nullptr, 0);
            *pid = -1;
        }
}

void X11Desktop::Xdotool(const std::string& arguments) {
    Shell(Env() + "xdotool " + arguments);
    SleepMs(60);
}

void X11Desktop::MovePointer(int x, int y) { Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y)); }

void X11Desktop::Click(int button) {
    if (button == 0) Xdotool("mousedown 1 sleep 0.1 mouseup 1");
    else Xdotool("click " + std::to_string(button));
}

std::optional<WindowPlace> X11Desktop::Window(Shown window) { return WindowNamed(Title(window)); }

int X11Desktop::CountWindows(Shown window) {
    const int count = CountNamed(Title(window));
    return window == Shown::MessageBox ? std::max(0, count - 1) : count;
}

std::optional<WindowPlace> X11Desktop::WindowNamed(const std::string& name) {
    const std::string tree = Shell(Env() + "xwininfo -root -tree 2>/dev/null");
    const std::regex line("(0x[0-9a-f]+) \"" + name + "\".*  (\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+  \\+(-?\\d+)\\+(-?\\d+)");
    std::smatch m;
    if (!std::regex_search(tree, m, line)) return std::nullopt;
    const std::string info = Shell(Env() + "xwininfo -id " + m[1].str() + " 2>/dev/null");
    return WindowPlace{std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[2]), std::stoi(m[3]),
                       info.find("IsViewable") != std::string::npos};
}

int X11Desktop::CountNamed(const std::string& name) {
    const std::string tree = Shell(Env() + "xwininfo -root -tree 2>/dev/null");
    int count = 0;
    for (std::size_t at = 0; (at = tree.find("\"" + name + "\"", at)) != std::string::npos; ++at) ++count;
    return count;
}

void X11Desktop::CloseMessageBox() {
    Xdotool("search --name dudo進階版 windowfocus %@ key Return");
    Xdotool("key Escape");
}

Picture X11Desktop::Grab(int x, int y, int width, int height) {
    Display* d = XOpenDisplay(display_.c_str());
    if (!d) throw std::runtime_error("no display");
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, width, height, AllPlanes, ZPixmap);
    Picture picture = Picture::Filled(width, height, 0);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) picture.row(py)[px] = 0xFF000000u | XGetPixel(image, px, py);
    XDestroyImage(image);
    XCloseDisplay(d);
    return picture;
}

void X11Desktop::ShowPattern(int x, int y, int width, int height) {
    if (!patternDisplay_) patternDisplay_ = XOpenDisplay(display_.c_str());
    auto* d = static_cast<Display*>(patternDisplay_);
    if (!d) throw std::runtime_error("no display");
    // Override-redirect, so that it lands exactly there; backing store keeps
    // the pattern while another window covers it.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.backing_store = Always;
    lastPattern_ = XCreateWindow(d, DefaultRootWindow(d), x, y, width, height, 0, 24, InputOutput,
                                 DefaultVisual(d, DefaultScreen(d)), CWOverrideRedirect | CWBackingStore, &attributes);
    XStoreName(d, lastPattern_, "pattern");
    XMapRaised(d, lastPattern_);
    XSync(d, False);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) pixels[static_cast<std::size_t>(py) * width + px] = PatternPixel(x + px, y + py);
    XImage* image = XCreateImage(d, DefaultVisual(d, DefaultScreen(d)), 24, ZPixmap, 0,
                                 reinterpret_cast<char*>(pixels.data()), width, height, 32, 0);
    XPutImage(d, lastPattern_, DefaultGC(d, DefaultScreen(d)), image, 0, 0, 0, 0, width, height);
    image->data = nullptr;
    XDestroyImage(image);
    XSync(d, False);
}

void X11Desktop::FocusPattern() {
    auto* d = static_cast<Display*>(patternDisplay_);
    if (!d) throw std::runtime_error("no pattern shown");
    XSetInputFocus(d, lastPattern_, RevertToParent, CurrentTime);
    XSync(d, False);
}

void X11Desktop::ClosePatterns() {
    if (patternDisplay_) XCloseDisplay(static_cast<Display*>(patternDisplay_));
    patternDisplay_ = nullptr;
}

}  // namespace dudo::e2e
