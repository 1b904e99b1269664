// The GNOME back end of the desktop tests: Debian's own GNOME Shell, headless
// on a virtual monitor, with its portal, its notifications and its media-keys
// daemon on a private session bus, and a private system bus it insists on.
// The shell itself is driven through its Eval interface, opened by a small
// test extension: its own virtual keyboard and pointer press keys and click
// (the input reaches the program through the compositor, as a hand's does),
// its window list tells where windows are, its screenshot is the reference
// picture and its message tray lists notifications. Print is bound through
// the desktop's own settings to `dudo --capture`, as its settings panel would
// bind it. Stock GNOME shows no tray; the AppIndicator extension, when asked
// for, hosts StatusNotifierItems.
#include <fstream>
#include <sstream>

#include "tests/e2e/wayland_desktop.h"

namespace dudo::e2e {

namespace {

namespace fs = std::filesystem;

const char* const kTestExtension = "dudo-test@dudo.example";
const char* const kAppIndicator = "ubuntu-appindicators@ubuntu.com";
const std::string PanelWindow = "global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === 'dudo進階版')";

class GnomeDesktop : public WaylandDesktop {
public:
    explicit GnomeDesktop(const DesktopOptions& options) {
        if (Shell("command -v gnome-shell gjs gsettings /usr/libexec/xdg-desktop-portal-gnome /usr/libexec/gsd-media-keys >/dev/null && echo ok") != "ok\n")
            throw Missing("GNOME Shell, its portal or its settings daemon is not installed");
        InstallTestExtension();
        // A bus of the session kind stands in for the system bus: the shell
        // wants one, and asks it nothing it must have.
        systemBus_ = Spawn({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + (runtime_.path() / "system_bus").string()});
        StartSessionBus(As(false));
        statusNotifier_ = options.tray == TrayHost::StatusNotifier;
        const bool extension = options.extension == DesktopOptions::Extension::Enabled;
        if (extension) fs::copy(DUDO_SOURCE_DIR "/data/gnome-shell", home_ / ".local/share/gnome-shell/extensions", fs::copy_options::recursive);
        else if (options.extension == DesktopOptions::Extension::Declined) std::ofstream(WithFolder(home_ / ".config/dudo/gnome-window-extension")) << "declined\n";
        Settings(std::string("org.gnome.shell enabled-extensions \"['") + kTestExtension + (statusNotifier_ ? std::string("', '") + kAppIndicator : "") +
                 (extension ? "', 'dudo-window@io.github.dudo" : "") + "']\"");
        if (!options.grabPrint) BindPrintScreen();  // else Print stays the screenshot UI's, as GNOME comes
        if (options.dpi != 96) Settings("org.gnome.mutter experimental-features \"['scale-monitor-framebuffer']\"");  // fractional scales
        shell_ = Spawn({"sh", "-c", "exec " + As(false) + "gnome-shell --headless --wayland --no-x11 --virtual-monitor " +
                                        std::to_string(options.width) + "x" + std::to_string(options.height)},
                       (runtime_.path() / "shell.log").string());
        // Up, out of the overview a session starts in, with its notification
        // service and the daemon that runs custom shortcuts.
        const bool up = WaitFor([&] { return Eval("imports.ui.main.layoutManager._startingUp") == "false"; }, 30000) &&
                        WaitFor([&] { return Eval("(imports.ui.main.overview.hide(), imports.ui.main.overview.visible)") == "false"; }, 5000);
        if (!up) throw std::runtime_error("GNOME Shell did not start: " + test::FileContents(runtime_.path() / "shell.log"));
        if (options.dpi != 96) Rescale(options);
        OnSession("gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus --method "
                  "org.freedesktop.DBus.StartServiceByName org.gnome.Shell.Notifications 0");
        // The shell's virtual devices, made well before their first event, which a new device may lose.
        Eval("(() => { const {Clutter} = imports.gi; const seat = Clutter.get_default_backend().get_default_seat(); "
             "global.dudoTestkeyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE); "
             "global.dudoTestpointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE); return ''; })()");
        mediaKeys_ = Spawn({"sh", "-c", "exec " + As(false) + "/usr/libexec/gsd-media-keys"});
        if (!WaitFor([&] { return OnSession("gdbus call --session --dest org.gnome.SettingsDaemon.MediaKeys --object-path "
                                            "/org/gnome/SettingsDaemon/MediaKeys --method org.freedesktop.DBus.Peer.Ping").starts_with("()") &&
                                  (!statusNotifier_ || Watcher("Get org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered") == "(<true>,)\n"); }, 10000))
            throw std::runtime_error("no gsd-media-keys, or no AppIndicator host");
        startTimeoutMs_ = 15000;
    }
    ~GnomeDesktop() override {
        KillProgram();
        StopServer();
    }

    void StopServer() override {
        for (pid_t* pid : {&mediaKeys_, &shell_, &busDaemon_, &systemBus_})
            if (*pid > 0) kill(-*pid, SIGTERM), kill(*pid, SIGTERM), waitpid(*pid, nullptr, 0), *pid = -1;
        // The document portal, started on the bus, mounts a folder of the runtime one.
        Shell("fusermount3 -u -z '" + (runtime_.path() / "doc").string() + "' 2>/dev/null");
    }

    void MovePointer(int x, int y) override { Input("pointer", "notify_absolute_motion", std::to_string(x) + ", " + std::to_string(y), 100); }
    void Click(int button) override {
        const std::string code = button == 3 ? "Clutter.BUTTON_SECONDARY" : "Clutter.BUTTON_PRIMARY";
        Input("pointer", "notify_button", code + ", Clutter.ButtonState.PRESSED", button == 0 ? 300 : 60);
        Input("pointer", "notify_button", code + ", Clutter.ButtonState.RELEASED", 100);
    }
    void PressKey(const std::string& key, int holdMs) override {
        const std::string keyval = key.size() == 1 ? "Clutter.unicode_to_keysym(" + std::to_string(static_cast<unsigned char>(key[0])) + ")" : "Clutter.KEY_" + key;
        Input("keyboard", "notify_keyval", keyval + ", Clutter.KeyState.PRESSED", holdMs);
        Input("keyboard", "notify_keyval", keyval + ", Clutter.KeyState.RELEASED", 60);
    }

    void RaisePanel() override { Eval(PanelWindow + "?.activate(global.get_current_time())"); }
    void ClosePanel() override { Eval(PanelWindow + "?.delete(global.get_current_time())"); }
    double Scale() const override { return scale_; }
    // The shell's own picture of that part of the screen, in the monitor's pixels.
    Picture Grab(int x, int y, int width, int height) override {
        return PictureBy("gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot --method "
                         "org.gnome.Shell.Screenshot.Screenshot false false", x, y, width, height);
    }
    bool Notifies() const override { return true; }
    // The message tray's notifications, as (title, text); then closed.
    std::vector<std::pair<std::string, std::string>> Notifications() override {
        const std::string all = "imports.ui.main.messageTray.getSources().flatMap(s => s.notifications)";
        std::istringstream lines(Eval(all + ".map(n => n.title + String.fromCharCode(9) + n.bannerBodyText).join(String.fromCharCode(10))"));
        Eval(all + ".forEach(n => n.destroy())");
        std::vector<std::pair<std::string, std::string>> shown;
        for (std::string line; std::getline(lines, line);)
            if (const auto tab = line.find('\t'); tab != std::string::npos) shown.push_back({line.substr(0, tab), line.substr(tab + 1)});
        return shown;
    }
    // "permission yes" (or no): the permission store's screenshot answer for
    // programs the portal cannot name; "answer Allow": a click on that
    // button of the shell's permission dialog.
    void Command(const std::string& command) override {
        if (command.starts_with("permission "))
            OnSession("gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore --object-path /org/freedesktop/impl/portal/PermissionStore "
                      "--method org.freedesktop.impl.portal.PermissionStore.SetPermission screenshot true screenshot '' \"['" + command.substr(11) + "']\"");
        else if (command.starts_with("answer "))
            Answer(command.substr(7));
        else
            throw Missing("GNOME takes no command " + command);
    }

protected:
    std::string As(bool) const override { return DesktopSession("GNOME") + "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (runtime_.path() / "system_bus").string() + " "; }
    // As the shell's launcher starts a program: with an activation token
    // from a launch made now, as by a click.
    std::string Program() const override {
        return "XDG_ACTIVATION_TOKEN=" +
               Eval("(() => { const {Gio, GLib} = imports.gi; const kf = new GLib.KeyFile(), nl = String.fromCharCode(10); "
                    "const text = '[Desktop Entry]' + nl + 'Type=Application' + nl + 'Name=dudo' + nl + 'Exec=/bin/true' + nl; "
                    "kf.load_from_data(text, text.length, 0); return global.create_app_launch_context(global.display.get_current_time_roundtrip(), -1)"
                    ".get_startup_notify_id(Gio.DesktopAppInfo.new_from_keyfile(kf), []); })()") + " " DUDO_BINARY;
    }
    // The placed windows with that title, shown or minimised: the place of their
    // content, inside the frame the toolkit draws itself (3 pixels, 30 for
    // the title bar) where it is not full-screen.
    // Moved and made active, so that its title bar is drawn as a focused one's.
    void MoveWindow(const std::string& title, int x, int y) override {
        Eval("global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title() === '" + title + "').forEach(w => { w.move_frame(true, " +
             std::to_string(x - 3) + ", " + std::to_string(y - 30) + "); w.activate(global.get_current_time()); })");
    }
    std::vector<WindowPlace> Places(const std::string& title) const override {
        std::istringstream lines(Eval("global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title() === '" + title +
                                      "' && w.get_frame_rect().width > 0).map(w => { const r = w.get_frame_rect(), m = w.is_fullscreen() ? [0, 0] : [3, 30]; "
                                      "return [r.x + m[0], r.y + m[1], r.width - 2 * m[0], r.height - m[1] - m[0], w.minimized ? 0 : 1].join(' '); })"
                                      ".join(String.fromCharCode(10))"));
        std::vector<WindowPlace> places;
        for (WindowPlace p{}; lines >> p.x >> p.y >> p.width >> p.height >> p.viewable;) places.push_back(p);
        return places;
    }

private:

    // A click on that button of the permission dialog, once it has come in
    // (with an animation).
    void Answer(const std::string& button) {
        const std::string centre = "(() => { const d = imports.ui.main.shellAccessDialogDBusService._accessDialog; "
                                   "const b = d?.buttonLayout.get_children().find(c => c.label === '" + button + "'); if (!b) return ''; "
                                   "const [x, y] = b.get_transformed_position(), [w, h] = b.get_transformed_size(); "
                                   "return [Math.round(x + w / 2), Math.round(y + h / 2)].join(' '); })()";
        WaitFor([&] { return !Eval(centre).empty(); }, 10000);
        SleepMs(500);
        std::istringstream at(Eval(centre));
        int x = 0, y = 0;
        if (!(at >> x >> y)) throw std::runtime_error("no permission dialog with " + button);
        MovePointer(x, y);
        Click(1);
    }
    void Settings(const std::string& arguments) { OnSession("gsettings set " + arguments); }
    // The virtual monitor at the scale of that many dots per inch, as the display settings set it.
    void Rescale(const DesktopOptions& options) {
        const std::string call = "gdbus call --session --dest org.gnome.Mutter.DisplayConfig --object-path /org/gnome/Mutter/DisplayConfig --method org.gnome.Mutter.DisplayConfig.";
        const std::string state = OnSession(call + "GetCurrentState");  // "(uint32 serial, ..."
        OnSession(call + "ApplyMonitorsConfig " + state.substr(8, state.find(',') - 8) + " 1 \"[(0, 0, " + std::to_string(scale_ = options.dpi / 96.0) +
                  ", 0, true, [('Meta-0', '" + std::to_string(options.width) + "x" + std::to_string(options.height) + "@60.000', @a{sv} {})])]\" '@a{sv} {}'");
    }
    static fs::path WithFolder(const fs::path& file) {
        fs::create_directories(file.parent_path());
        return file;
    }

    // Opens the shell's unsafe mode, which its Eval and screenshot interfaces want.
    void InstallTestExtension() {
        const fs::path folder = home_ / ".local/share/gnome-shell/extensions" / kTestExtension;
        fs::create_directories(folder);
        std::ofstream(folder / "metadata.json") << R"({"uuid": ")" << kTestExtension << R"(", "name": "dudo tests", "description": "Opens the shell to the tests", "shell-version": ["43"]})";
        std::ofstream(folder / "extension.js") << "function init() {\n    return {enable() { global.context.unsafe_mode = true; }, disable() {}};\n}\n";
    }
    // As the keyboard settings panel binds a custom shortcut: the shell's
    // screenshot UI lets go of Print, and a custom keybinding runs the command.
    void BindPrintScreen() {
        const std::string path = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";
        const std::string key = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:" + path;
        for (const std::string& setting : {std::string("org.gnome.shell.keybindings show-screenshot-ui \"[]\""),
                                           "org.gnome.settings-daemon.plugins.media-keys custom-keybindings \"['" + path + "']\"", key + " name dudo",
                                           key + " command \"" DUDO_BINARY " --capture\"", key + " binding Print"})
            Settings(setting);
    }

    // The value of a JavaScript expression in the shell, as text. gdbus
    // would read escapes in it, so none may be written there; the text goes
    // by a file, and the expression in single quotes, for sh.
    std::string Eval(const std::string& expression) const {
        const fs::path out = runtime_.path() / "eval.out";
        fs::remove(out);
        std::string script = "imports.gi.GLib.file_set_contents('" + out.string() + "', String(" + expression + ")); ''", quoted = "'";
        for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        OnSession("gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell --method org.gnome.Shell.Eval " + quoted + "'");
        return test::FileContents(out);
    }
    // A call on the shell's own virtual device of that kind; then a pause of that long.
    void Input(const std::string& kind, const std::string& method, const std::string& arguments, int pauseMs) const {
        Eval("(() => { const {Clutter, GLib} = imports.gi; global.dudoTest" + kind + "." + method + "(GLib.get_monotonic_time(), " + arguments +
             "); return ''; })()");
        SleepMs(pauseMs);
    }

    pid_t systemBus_ = -1, shell_ = -1, mediaKeys_ = -1;
    double scale_ = 1;
};

}  // namespace

std::unique_ptr<Desktop> MakeGnomeDesktop(const DesktopOptions& options) { return std::make_unique<GnomeDesktop>(options); }

}  // namespace dudo::e2e
