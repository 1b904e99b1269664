#include "tests/e2e/desktop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/null/null_platform.h"

namespace dudo::e2e {

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

pid_t Desktop::Spawn(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", ("exec env " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

Desktop::Desktop(int width, int height, bool withSharedMemory) {
    // A display number of our own: the first free one from a place that
    // depends on this process, so parallel test processes rarely meet.
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // Xvfb itself refuses a number in use and clears a stale lock.
    for (int n = 100 + getpid() % 400, tries = 0; tries < 200 && display_.empty(); ++n, ++tries) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (std::filesystem::exists(socket) && Shell("DISPLAY=:" + std::to_string(n) + " xdpyinfo >/dev/null 2>&1 && echo live") != "") continue;
        std::filesystem::remove(socket);
        xvfb_ = fork();
        if (xvfb_ == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            const std::string name = ":" + std::to_string(n);
            std::vector<const char*> args = {"Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-dpi", "96",
                                             "-nolisten", "tcp", "+bs", "-noreset"};
            if (!withSharedMemory) args.insert(args.end(), {"-extension", "MIT-SHM"});
            args.push_back(nullptr);
            execvp("Xvfb", const_cast<char* const*>(args.data()));
            _exit(127);
        }
        if (WaitFor([&] { return std::filesystem::exists(socket) || waitpid(xvfb_, nullptr, WNOHANG) == xvfb_; }, 5000) &&
            std::filesystem::exists(socket))
            display_ = ":" + std::to_string(n);
    }
    if (display_.empty()) throw std::runtime_error("Xvfb did not start");
    tray_ = Spawn(Env() + "trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1");
    WaitFor([&] { return Window("panel").has_value(); }, 5000);
}

Desktop::~Desktop() {
    StopProgram();
    // SIGTERM lets Xvfb remove its lock and socket.
    for (pid_t pid : {tray_, xvfb_})
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
}

pid_t Desktop::StartProgram() {
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
        const auto w = Window("dudo進階版");
        return w && w->viewable && CountWindows("dudo tray icon") == 1;
    }, 8000);
    Sleep(200);  // first activation runs just after the window is shown
    return program_;
}

void Desktop::StopServer() {
    for (pid_t* pid : {&tray_, &xvfb_})
        if (*pid > 0) {
            kill(*pid, SIGKILL);
            waitpid(*pid, nullptr, 0);
            *pid = -1;
        }
}

void Desktop::StopProgram() {
    if (program_ <= 0) return;
    kill(program_, SIGKILL);
    waitpid(program_, nullptr, 0);
    program_ = -1;
}

std::string Desktop::ProgramLog() const {
    return "exit status " + std::to_string(lastStatus_) + ": " +
           Shell("cat '" + (runtime_.path() / "program.log").string() + "' 2>/dev/null");
}

bool Desktop::ProgramRunning() {
    if (program_ <= 0) return false;
    int status = 0;
    if (waitpid(program_, &status, WNOHANG) == 0) return true;
    program_ = -1;
    lastStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

std::optional<int> Desktop::WaitForExit(int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        int status = 0;
        if (waitpid(program_, &status, WNOHANG) == program_) {
            program_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        Sleep(20);
    }
    return std::nullopt;
}

void Desktop::Xdotool(const std::string& arguments) {
    Shell(Env() + "xdotool " + arguments);
    Sleep(60);
}

void Desktop::Click(int leftTwips, int topTwips, int widthTwips, int heightTwips, int button) {
    const auto w = Window("dudo進階版");
    if (!w) throw std::runtime_error("the panel is not mapped");
    const int x = w->x + (leftTwips + widthTwips / 2) / 15, y = w->y + (topTwips + heightTwips / 2) / 15;
    Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y));
    if (button == 0) Xdotool("mousedown 1 sleep 0.1 mouseup 1");
    else Xdotool("click " + std::to_string(button));
}

std::optional<Desktop::Geometry> Desktop::Window(const std::string& name) {
    const std::string tree = Shell(Env() + "xwininfo -root -tree 2>/dev/null");
    const std::regex line("(0x[0-9a-f]+) \"" + name + "\".*  (\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+  \\+(-?\\d+)\\+(-?\\d+)");
    std::smatch m;
    if (!std::regex_search(tree, m, line)) return std::nullopt;
    const std::string info = Shell(Env() + "xwininfo -id " + m[1].str() + " 2>/dev/null");
    return Geometry{std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[2]), std::stoi(m[3]),
                    info.find("IsViewable") != std::string::npos};
}

int Desktop::CountWindows(const std::string& name) {
    const std::string tree = Shell(Env() + "xwininfo -root -tree 2>/dev/null");
    int count = 0;
    for (std::size_t at = 0; (at = tree.find("\"" + name + "\"", at)) != std::string::npos; ++at) ++count;
    return count;
}

std::optional<std::string> Desktop::WaitForNewFile(const std::set<std::string>& before, int timeoutMs) {
    std::optional<std::string> found;
    WaitFor([&] {
        for (const std::string& name : Files())
            if (!before.count(name) && name[0] != '.') found = name;
        return found.has_value();
    }, timeoutMs);
    return found;
}

bool Desktop::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 25) {
        if (condition()) return true;
        Sleep(25);
    }
    return condition();
}

PatternWindow::PatternWindow(const std::string& display, int x, int y, int width, int height) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) throw std::runtime_error("no display");
    display_ = d;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.backing_store = Always;  // keeps the pattern while another window covers it
    window_ = XCreateWindow(d, DefaultRootWindow(d), x, y, width, height, 0, 24, InputOutput,
                            DefaultVisual(d, DefaultScreen(d)), CWOverrideRedirect | CWBackingStore, &attributes);
    XStoreName(d, window_, "pattern");
    XMapRaised(d, window_);
    XSync(d, False);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) pixels[static_cast<std::size_t>(py) * width + px] = PatternPixel(x + px, y + py);
    XImage* image = XCreateImage(d, DefaultVisual(d, DefaultScreen(d)), 24, ZPixmap, 0,
                                 reinterpret_cast<char*>(pixels.data()), width, height, 32, 0);
    XPutImage(d, window_, DefaultGC(d, DefaultScreen(d)), image, 0, 0, 0, 0, width, height);
    image->data = nullptr;
    XDestroyImage(image);
    XSync(d, False);
}

PatternWindow::~PatternWindow() {
    auto* d = static_cast<Display*>(display_);
    XDestroyWindow(d, window_);
    XCloseDisplay(d);
}

void PatternWindow::Focus() {
    auto* d = static_cast<Display*>(display_);
    XSetInputFocus(d, window_, RevertToParent, CurrentTime);
    XSync(d, False);
}

FolderWatch::FolderWatch(const std::filesystem::path& folder) : fd_(inotify_init1(IN_CLOEXEC)) {
    if (fd_ < 0 || inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0)
        throw std::runtime_error("cannot watch " + folder.string());
}

FolderWatch::~FolderWatch() { close(fd_); }

std::optional<std::string> FolderWatch::Next(const std::function<bool(const std::string&)>& wanted, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    alignas(inotify_event) char buffer[4096];
    for (pollfd p{fd_, POLLIN, 0}; std::chrono::steady_clock::now() < end;) {
        if (poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (e->len && wanted(e->name)) return std::string(e->name);
        }
    }
    return std::nullopt;
}

long ProcessMemoryKb(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
    return 0;
}

Picture Grab(const std::string& display, int x, int y, int width, int height) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) throw std::runtime_error("no display");
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, width, height, AllPlanes, ZPixmap);
    Picture picture = Picture::Filled(width, height, 0);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) picture.row(py)[px] = 0xFF000000u | XGetPixel(image, px, py);
    XDestroyImage(image);
    XCloseDisplay(d);
    return picture;
}

}  // namespace dudo::e2e
