// The Wayland back end of the desktop tests: a headless sway of its own (the
// pixman renderer, no input devices, a solid background), run with the
// program as an unprivileged user, since sway refuses to run as root. Print
// Screen is bound in sway to `dudo --capture` and pressed through wtype's
// virtual keyboard; windows are found in sway's tree; the pointer is sway's
// own, on a virtual pointer device of ours.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "tests/e2e/wayland_desktop.h"

namespace dudo::e2e {

namespace {

namespace fs = std::filesystem;

constexpr int kUser = 65534, kOtherUser = 65533;

class SwayDesktop : public WaylandDesktop {
public:
    explicit SwayDesktop(const DesktopOptions& options) {
        if (geteuid() != 0) throw Missing("running the compositor as another user needs root");
        if (Shell(std::string("command -v sway wtype jq setpriv ") + (options.xwayland ? "Xwayland" : "") +
                  (options.tray == TrayHost::StatusNotifier ? " waybar dbus-daemon" : "") +
                  " grim" + (options.portal ? " pipewire /usr/libexec/xdg-desktop-portal-wlr /usr/libexec/xdg-desktop-portal-gtk" : "") + " >/dev/null && echo ok") != "ok\n")
            throw Missing("sway, wtype, jq, Xwayland, waybar or the desktop portal is not installed");
        for (const fs::path& p : {runtime_.path(), folder()})
            if (chown(p.c_str(), kUser, kUser) != 0) throw Missing("cannot give the folders to the compositor's user");
        std::ofstream(runtime_.path() / "config")
            << "output HEADLESS-1 mode " << options.width << "x" << options.height << " bg #336699 solid_color\n"
            << "default_border none\ndefault_floating_border none\n"
            << "xwayland " << (options.xwayland ? "enable" : "disable") << "\n"
            << "bindsym Print exec '" DUDO_BINARY "' --capture\n";
        sway_ = Spawn({"sh", "-c", "exec " + Session(kUser) + "WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c '" +
                                       (runtime_.path() / "config").string() + "'"},
                      (runtime_.path() / "sway.log").string());
        if (!WaitFor([&] { return !Socket("wayland-").empty() && !Socket("sway-ipc.").empty(); }, 10000))
            throw std::runtime_error("sway did not start: " + test::FileContents(runtime_.path() / "sway.log"));
        wayland_ = Socket("wayland-"), ipc_ = (runtime_.path() / Socket("sway-ipc.")).string();
        if ((statusNotifier_ = options.tray == TrayHost::StatusNotifier)) StartTray();
        if ((portal_ = options.portal)) StartPortal();
        // A virtual keyboard that stays: without one the seat has none between
        // two runs of wtype, and the toolkit loses the press that brings one back.
        keyboard_ = Spawn({"sh", "-c", "exec " + As(false) + "wtype -s 86400000"});
        if (options.xwayland && (display_ = SwayEnvironment("DISPLAY")).empty())  // the X display sway gives its clients
            throw std::runtime_error("sway started no XWayland");
    }
    ~SwayDesktop() override {
        KillProgram();
        StopServer();
    }

    std::string DisplayName() const override { return (runtime_.path() / wayland_).string(); }  // whoever asks
    void StopServer() override {
        for (pid_t* pid : {&keyboard_, &pointer_, &waybar_, &pipewire_, &busDaemon_, &sway_})
            if (*pid > 0 && kill(*pid, SIGTERM) == 0) waitpid(*pid, nullptr, 0), *pid = -1;
    }

    void MovePointer(int x, int y) override { Cursor("set " + std::to_string(x) + " " + std::to_string(y)); }
    void Click(int button) override {
        const std::string which = button == 3 ? " button3" : " button1";
        Cursor("press" + which);
        SleepMs(button == 0 ? 300 : 30);
        Cursor("release" + which);
    }
    void Keys(const std::string& keys) override {
        std::istringstream names(keys);
        std::string presses;
        for (std::string key; names >> key;) presses += " -k " + key;
        Wtype(presses);
    }
    void PressKey(const std::string& key, int holdMs) override { Wtype(" -P " + key + " -s " + std::to_string(holdMs) + " -p " + key); }

    void Command(const std::string& command) override { Swaymsg("'" + command + "'"); }
    // grim's picture of the focused output, in that output's own pixels.
    Picture Grab(int x, int y, int width, int height) override {
        // At the output's own scale: grim's default is the highest of all, and resamples.
        std::istringstream output(Swaymsg("-t get_outputs | jq -r '.[] | select(.focused) | \"\\(.name) \\(.scale)\"'"));
        std::string name, scale;
        output >> name >> scale;
        return PictureBy("grim -o " + name + " -s " + scale, x, y, width, height);
    }
    void RaisePanel() override { Swaymsg("'[title=\"^dudo進階版$\"] focus'"); }
    void ClosePanel() override { Swaymsg("'[title=\"^dudo進階版$\"] kill'"); }

protected:
    std::string As(bool otherUser) const override {
        return Session(otherUser ? kOtherUser : kUser) + "WAYLAND_DISPLAY=" + wayland_ + " SWAYSOCK=" + ipc_ +
               (display_.empty() ? "" : " DISPLAY=" + display_) + (portal_ ? " DUDO_SCREEN_COPY=portal" : "") + " ";
    }
private:
    // A fresh environment as that user, with the compositor's runtime folder.
    std::string Session(int user) const {
        const std::string id = std::to_string(user);
        return "setpriv --reuid " + id + " --regid " + id + " --clear-groups env -i PATH=/usr/bin:/bin HOME=" + runtime_.path().string() +
               " XDG_RUNTIME_DIR=" + runtime_.path().string() + " DBUS_SESSION_BUS_ADDRESS=" +
               (bus_.empty() ? "unix:path=/nonexistent" : bus_) + " ";
    }
    // A session bus of its own; the services it starts (the portal) see the
    // compositor, and its toolkits start no accessibility bus, which can take
    // 25 s to fail.
    void StartBus() { StartSessionBus(As(false) + "XDG_CURRENT_DESKTOP=sway NO_AT_BRIDGE=1 "); }
    // xdg-desktop-portal starts on the first request, with its wlr backend
    // (the screenshot) and its gtk one (without an Access backend it offers
    // none); all want pipewire.
    void StartPortal() {
        if (bus_.empty()) StartBus();
        pipewire_ = Spawn({"sh", "-c", "exec " + As(false) + "pipewire"}, (runtime_.path() / "pipewire.log").string());
        if (!WaitFor([&] { return fs::exists(runtime_.path() / "pipewire-0"); }, 5000)) throw std::runtime_error("pipewire did not start");
        // Up before the program, as on a desktop. At its start the portal
        // now and then waits out a 25 s time-out on its wlr backend.
        const std::string version = Shell(As(false) + "gdbus call --session --timeout 40 --dest org.freedesktop.portal.Desktop --object-path "
                                          "/org/freedesktop/portal/desktop --method org.freedesktop.DBus.Properties.Get "
                                          "org.freedesktop.portal.Screenshot version 2>&1");
        if (version.find("uint32") == std::string::npos) throw std::runtime_error("the portal offers no screenshot: " + version);
    }
    // waybar with its tray, a StatusNotifierItem host.
    void StartTray() {
        StartBus();
        std::ofstream(runtime_.path() / "waybar.json") << R"({"position": "top", "height": 26, "modules-right": ["tray"]})";
        waybar_ = Spawn({"sh", "-c", "exec " + As(false) + "waybar -c '" + (runtime_.path() / "waybar.json").string() + "'"});
        if (!WaitFor([&] { return Watcher("Get org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered") == "(<true>,)\n"; }, 10000))
            throw std::runtime_error("waybar's tray did not start");
    }
    std::string Socket(const std::string& start) const {
        for (const auto& entry : fs::directory_iterator(runtime_.path()))
            if (const std::string name = entry.path().filename(); name.starts_with(start) && !name.ends_with(".lock")) return name;
        return "";
    }
    // A variable of the environment sway gives the programs it starts.
    std::string SwayEnvironment(const std::string& name) {
        const fs::path file = runtime_.path() / "environment";
        Swaymsg("exec 'printf %s $" + name + " >" + file.string() + "'");
        WaitFor([&] { return fs::exists(file) && fs::file_size(file) > 0; }, 3000);
        return test::FileContents(file);
    }
    // The seat's pointer through sway's own commands, on a pointer device of
    // ours made at first use: without a device the seat has no pointer.
    void Cursor(const std::string& command) {
        if (pointer_ < 0) {
            pointer_ = Spawn({"sh", "-c", "exec " + As(false) + DUDO_WAYLAND_INPUT});
            if (!WaitFor([&] { return Swaymsg("-t get_seats | jq '.[0].devices | map(select(.type == \"pointer\")) | length'") == "1\n"; }))
                throw std::runtime_error("no pointer device on the seat");
        }
        Swaymsg("seat seat0 cursor " + command);
        SleepMs(30);
    }
    void Wtype(const std::string& arguments) {
        Shell(As(false) + "wtype " + arguments);
        SleepMs(60);
    }
    std::string Swaymsg(const std::string& arguments) const { return Shell(As(false) + "swaymsg " + arguments + " 2>&1"); }
    void MoveWindow(const std::string& title, int x, int y) override {
        Swaymsg("'[title=\"^" + title + "$\"] floating enable, move absolute position " + std::to_string(x) + " " + std::to_string(y) + "'");
    }
    // The windows with that title in sway's tree: "x y width height" each.
    std::vector<WindowPlace> Places(const std::string& title) const override {
        const std::string found = Swaymsg("-t get_tree | jq -r '.. | objects | select(.name? == \"" + title +
                                          "\" and .pid?) | \"\\(.rect.x) \\(.rect.y) \\(.rect.width) \\(.rect.height)\"'");
        std::vector<WindowPlace> places;
        std::istringstream lines(found);
        for (WindowPlace p{}; lines >> p.x >> p.y >> p.width >> p.height;) places.push_back({p.x, p.y, p.width, p.height, true});
        return places;
    }

    pid_t sway_ = -1, keyboard_ = -1, pointer_ = -1, waybar_ = -1, pipewire_ = -1;
    bool portal_ = false;
    std::string wayland_, ipc_, display_;
};

}  // namespace

std::unique_ptr<Desktop> MakeSwayDesktop(const DesktopOptions& options) { return std::make_unique<SwayDesktop>(options); }

}  // namespace dudo::e2e
