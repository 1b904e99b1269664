// The X11 back end of the desktop tests: an Xvfb display of its own with
// trayer as the tray host, the program started in a fresh working folder,
// real input through xdotool, pattern windows drawn with Xlib. Other back
// ends on an X server (Wine) derive from it and name their own program and windows.
#pragma once
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "platform/null/null_platform.h"
#include "tests/e2e/program_desktop.h"

namespace dudo::e2e {

namespace fs = std::filesystem;

class X11Desktop : public ProgramDesktop {
public:
    explicit X11Desktop(const DesktopOptions& options) : dpi_(options.dpi) {
        if (!options.tmpfs.empty() &&
            !(mounted_ = Shell("mount -t tmpfs -o size=" + options.tmpfs + " tmpfs '" + folder().string() + "' 2>&1 && echo ok") == "ok\n"))
            throw Missing("mounting a tmpfs needs root");
        // Xvfb picks a free display itself and writes its number to fd 3.
        std::vector<std::string> xvfb = {"Xvfb", "-displayfd", "3", "-screen", "0",
                                         std::to_string(options.width) + "x" + std::to_string(options.height) + "x24",
                                         "-dpi", std::to_string(options.dpi), "-nolisten", "tcp", "+bs", "-noreset"};
        if (!options.sharedMemory) xvfb.insert(xvfb.end(), {"-extension", "MIT-SHM"});
        if (options.twoMonitors) {  // Xephyr's two screens made one by Xinerama, shown on a bare Xvfb
            const std::string host = SpawnTelling({"Xvfb", "-displayfd", "3", "-screen", "0", "2400x900x24", "-nolisten", "tcp"}, host_);
            xvfb = {"env", "DISPLAY=:" + host, "Xephyr", "-displayfd", "3", "+xinerama", "-screen", "1280x800", "-screen", "1024x768",
                    "-dpi", std::to_string(options.dpi), "-nolisten", "tcp", "+bs", "-noreset"};
        }
        display_ = ":" + SpawnTelling(xvfb, xvfb_);
        trayHost_ = options.tray;
        if (options.notifications || trayHost_ == TrayHost::StatusNotifier)  // a private session bus
            bus_ = SpawnTelling({"env", "XDG_CONFIG_HOME=" + PanelConfig(), "dbus-daemon", "--session", "--nofork",
                                 "--print-address=3"}, bus_pid_);
        if (options.notifications) {  // with dunst on it
            notifier_ = Spawn({"env", "DISPLAY=" + display_, "DBUS_SESSION_BUS_ADDRESS=" + bus_, "dunst"});
            if (!WaitFor([&] { return Dunstctl("count displayed") == "0\n"; }, 5000)) throw std::runtime_error("dunst did not start");
        }
        if (options.grabPrint) {  // as a desktop's own screenshot tool does
            grabber_ = XOpenDisplay(display_.c_str());
            XGrabKey(grabber_, XKeysymToKeycode(grabber_, XK_Print), 0, DefaultRootWindow(grabber_), False, GrabModeAsync,
                     GrabModeAsync);
            XSync(grabber_, False);
        }
        if (!options.sharedMemory && Shell(Env() + "xdpyinfo | grep -c MIT-SHM") != "0\n")
            throw std::runtime_error("the server still offers MIT-SHM");
        if (options.slowRepeat) {  // a repeat after 400 ms, then every 500: twice in 1.1 s
            Display* d = XOpenDisplay(display_.c_str());
            XkbSetAutoRepeatRate(d, XkbUseCoreKbd, 400, 500), XCloseDisplay(d);
        }
        StartTrayHost();
    }

    ~X11Desktop() override {
        KillProgram();
        StopServer();
        if (mounted_) Shell("umount -l '" + folder().string() + "'");
    }

    std::string DisplayName() const override { return display_; }
    int PixelsPerInch() const override { return dpi_; }

    bool Notifies() const override { return notifier_ > 0; }
    std::vector<std::pair<std::string, std::string>> Notifications() override {
        Dunstctl("close-all");
        SleepMs(100);
        std::istringstream history(Dunstctl("history | jq -r '.data[0][] | .summary.data, .body.data'"));
        std::vector<std::pair<std::string, std::string>> shown;
        for (std::string title, text; std::getline(history, title) && std::getline(history, text);) shown.push_back({title, text});
        return shown;
    }
    int NotificationsShowing() override {
        return std::atoi(Dunstctl("count displayed").c_str()) + std::atoi(Dunstctl("count waiting").c_str());
    }

    void StopServer() override {
        for (Display** d : {&patterns_, &grabber_})  // Xlib ends a client whose server is gone
            if (*d) XCloseDisplay(*d), *d = nullptr;
        // SIGTERM lets Xvfb remove its lock and socket.
        for (pid_t* pid : {&notifier_, &tray_, &bus_pid_, &xvfb_, &host_})
            if (*pid > 0 && kill(*pid, SIGTERM) == 0) waitpid(*pid, nullptr, 0), *pid = -1;
    }

    void MovePointer(int x, int y) override { Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y)); }
    void Click(int button) override { Xdotool(button == 0 ? "mousedown 1 sleep 0.1 mouseup 1" : "click " + std::to_string(button)); }
    void Keys(const std::string& keys) override { Xdotool("key " + keys); }
    void PressKey(const std::string& key, int holdMs) override {
        Xdotool("keydown " + key + " sleep " + std::to_string(holdMs / 1000.0) + " keyup " + key);
    }
    void Type(const std::string& text) override { Xdotool("type --delay 80 '" + text + "'"); }

    // Tray icons that show: a shell may keep an unmapped tray window of its own.
    std::optional<WindowPlace> Window(Shown window) override { return Named(WindowLine(window), window == Shown::TrayIcon); }
    int CountWindows(Shown window) override {
        if (window == Shown::TrayIcon && trayHost_ == TrayHost::StatusNotifier) return RegisteredItems();  // the items the host knows
        const int count = static_cast<int>(Places(WindowLine(window), window == Shown::TrayIcon).size());
        return window == Shown::MessageBox ? std::max(0, count - 1) : count;  // beside the panel
    }
    // Without a tray host the icon waits unmapped for one.
    bool ProgramShown() override {
        const auto w = Window(Shown::Panel);
        return w && w->viewable && (trayHost_ == TrayHost::Absent || CountWindows(Shown::TrayIcon) == 1);
    }
    void RaisePanel() override { Xdotool("search --name dudo進階版 windowraise"); }
    // No window manager runs: the request it would send, WM_DELETE_WINDOW.
    void ClosePanel() override {
        Display* d = XOpenDisplay(display_.c_str());
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = std::stoul(Shell(Env() + "xdotool search --name '^dudo進階版$' | head -1"));
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, e.xclient.window, False, NoEventMask, &e);
        XCloseDisplay(d);
    }
    void CloseMessageBox() override {
        Xdotool("search --name dudo進階版 windowfocus %@ key Return");
        Keys("Escape");
    }
    Picture Grab(int x, int y, int width, int height) override {
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
    // Override-redirect, so that it lands exactly there; backing store keeps
    // the pattern while another window covers it.
    void ShowPattern(int x, int y, int width, int height) override {
        if (!patterns_ && !(patterns_ = XOpenDisplay(display_.c_str()))) throw std::runtime_error("no display");
        Display* d = patterns_;
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.backing_store = Always;
        pattern_ = XCreateWindow(d, DefaultRootWindow(d), x, y, width, height, 0, 24, InputOutput,
                                 DefaultVisual(d, DefaultScreen(d)), CWOverrideRedirect | CWBackingStore, &attributes);
        XMapRaised(d, pattern_);
        XSync(d, False);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px) pixels[static_cast<std::size_t>(py) * width + px] = PatternPixel(x + px, y + py);
        XImage* image = XCreateImage(d, DefaultVisual(d, DefaultScreen(d)), 24, ZPixmap, 0,
                                     reinterpret_cast<char*>(pixels.data()), width, height, 32, 0);
        XPutImage(d, pattern_, DefaultGC(d, DefaultScreen(d)), image, 0, 0, 0, 0, width, height);
        image->data = nullptr;
        XDestroyImage(image);
        XSync(d, False);
    }
    void FocusPattern() override {
        XSetInputFocus(patterns_, pattern_, RevertToParent, CurrentTime);
        XSync(patterns_, False);
    }

protected:
    std::string As(bool otherUser) const override {
        return (otherUser ? "setpriv --reuid 65534 --regid 65534 --clear-groups env " : "env ") + Env();
    }
    // What xwininfo shows of that window after its id: a regular expression.
    virtual std::string WindowLine(Shown window) const {
        if (window == Shown::TrayIcon && trayHost_ == TrayHost::StatusNotifier)  // the status tray holding our item
            return "\"wrapper-2.0\": \\(\"wrapper-2.0\" \"Wrapper-2.0\"\\)(?=  \\d+x32\\+)";
        const char* titles[] = {"dudo進階版", "dudo tray icon", "dudo balloon", "作者的話", "dudo進階版", "dudo 選取範圍"};
        return "\"" + std::string(titles[static_cast<int>(window)]) + "\"";
    }
    // The program's environment: no session bus but ours, or none at all.
    std::string Env() const {
        return "DISPLAY=" + display_ + " XDG_RUNTIME_DIR=" + runtime_.path().string() + " DBUS_SESSION_BUS_ADDRESS=" +
               (bus_.empty() ? "unix:path=/nonexistent" : bus_) + " ";
    }
    void StartTrayHost() {
        if (trayHost_ == TrayHost::Absent) return;
        if (trayHost_ != TrayHost::StatusNotifier) {
            std::vector<std::string> trayer = {"env", "DISPLAY=" + display_, "trayer", "--edge", "top", "--align", "right",
                                               "--widthtype", "request", "--height", "24"};
            if (trayHost_ == TrayHost::DarkTrayer) trayer.insert(trayer.end(), {"--transparent", "true", "--alpha", "0", "--tint", "0x302838"});
            tray_ = Spawn(trayer);
            WaitFor([&] { return Named("\"panel\"").has_value(); }, 5000);
            return;
        }
        tray_ = Spawn({"env", "DISPLAY=" + display_, "DBUS_SESSION_BUS_ADDRESS=" + bus_, "XDG_CONFIG_HOME=" + PanelConfig(),
                       "xfce4-panel", "--disable-wm-check"});
        if (!WaitFor([&] { return Watcher("Get org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered") == "(<true>,)\n"; }, 10000))
            throw std::runtime_error("the Xfce panel's status tray did not start");
    }
    // The Xfce panel's settings (one dark panel along the bottom, holding only
    // the status tray), where its settings daemon looks for them.
    std::string PanelConfig() const {
        const fs::path folder = runtime_.path() / "xfce/xfce4/xfconf/xfce-perchannel-xml";
        fs::create_directories(folder);
        fs::copy_file(DUDO_SOURCE_DIR "/tests/e2e/xfce4-panel.xml", folder / "xfce4-panel.xml", fs::copy_options::overwrite_existing);
        return (runtime_.path() / "xfce").string();
    }
    std::string Dunstctl(const std::string& arguments) { return Shell(Env() + "dunstctl " + arguments + " 2>/dev/null"); }
    void Xdotool(const std::string& arguments) {
        Shell(Env() + "xdotool " + arguments);
        SleepMs(60);
    }
    // Starts a server that writes where it listens to fd 3; that first line.
    static std::string SpawnTelling(const std::vector<std::string>& command, pid_t& pid) {
        int pipe[2];
        if (::pipe(pipe) != 0) throw std::runtime_error("pipe");
        pid = Spawn(command, "/dev/null", pipe[1]);
        close(pipe[1]);
        std::string line;
        char c;
        while (read(pipe[0], &c, 1) == 1 && c != '\n') line += c;
        close(pipe[0]);
        if (line.empty()) throw std::runtime_error(command[0] + " did not start");
        return line;
    }
    // The windows of at least 8 x 8 pixels whose lines match, in the tree's
    // order; whether one is viewable is asked of the first only, or of each
    // where only viewable ones are wanted.
    std::vector<WindowPlace> Places(const std::string& pattern, bool viewableOnly = false) {
        const std::string tree = Shell(Env() + "xwininfo -root -tree 2>/dev/null");
        const std::regex line("(0x[0-9a-f]+) " + pattern + ".*  (\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+  \\+(-?\\d+)\\+(-?\\d+)");
        std::vector<WindowPlace> places;
        for (std::sregex_iterator m(tree.begin(), tree.end(), line), end; m != end; ++m) {
            const int width = std::stoi((*m)[2]), height = std::stoi((*m)[3]);
            if (width < 8 || height < 8) continue;
            const bool viewable = (places.empty() || viewableOnly) &&
                                  Shell(Env() + "xwininfo -id " + (*m)[1].str() + " 2>/dev/null").find("IsViewable") != std::string::npos;
            if (viewableOnly && !viewable) continue;
            places.push_back({std::stoi((*m)[4]), std::stoi((*m)[5]), width, height, viewable});
        }
        return places;
    }
    std::optional<WindowPlace> Named(const std::string& pattern, bool viewableOnly = false) {
        const auto places = Places(pattern, viewableOnly);
        return places.empty() ? std::nullopt : std::optional(places.front());
    }

    std::string display_;
    pid_t xvfb_ = -1, host_ = -1, tray_ = -1, bus_pid_ = -1, notifier_ = -1;
    TrayHost trayHost_ = TrayHost::Trayer;
    int dpi_;
    bool mounted_ = false;
    Display* patterns_ = nullptr;
    Display* grabber_ = nullptr;
    ::Window pattern_ = 0;
};


}  // namespace dudo::e2e
