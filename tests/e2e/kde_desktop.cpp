// The KDE back end of the desktop tests: Debian's KWin 5.27 on a virtual
// output, with a private session bus, as a Plasma session runs it but
// without Plasma's shell: no tray and no notification service. KWin itself
// drives it: its fake input protocol presses keys and clicks (through a
// helper it lets in by a desktop file), scripts run in it tell where
// windows are and raise or close them, and its older screenshot interface
// gives the reference picture. Print is bound in its global shortcuts to
// `dudo --capture` (quoted as KWin does not read it: it is not dudo's own
// desktop file), as Plasma's settings bind a command; second starts go
// through such a shortcut too, as Plasma's launcher starts programs, so
// that KWin gives them an activation token.
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/e2e/wayland_desktop.h"

namespace dudo::e2e {

namespace {

namespace fs = std::filesystem;

const std::string PanelWindow = "workspace.clientList().filter(c => c.caption === 'dudo進階版').";

// Evdev key codes of the keys the scenarios press.
int KeyCode(const std::string& key) {
    static const std::map<std::string, int> codes = {{"Escape", 1}, {"1", 2}, {"2", 3}, {"3", 4}, {"4", 5}, {"5", 6}, {"6", 7}, {"7", 8}, {"8", 9},
                                                     {"9", 10}, {"0", 11}, {"Tab", 15}, {"Return", 28}, {".", 52}, {"space", 57},
                                                     {"Print", 99}, {"Up", 103}, {"Down", 108}};
    if (const auto code = codes.find(key); code != codes.end()) return code->second;
    throw Missing("no key " + key + " on this keyboard");
}

class KdeDesktop : public WaylandDesktop {
public:
    explicit KdeDesktop(const DesktopOptions& options) : scale_(options.dpi / 96.0) {
        if (Shell("command -v kwin_wayland gdbus >/dev/null && echo ok") != "ok\n") throw Missing("KWin is not installed");
        Declare("fake-input", DUDO_WAYLAND_INPUT, "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input");
        Declare("kwin-picture", DUDO_KWIN_PICTURE, "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2");
        // Print runs the capture, or, as Plasma comes with Spectacle, something else.
        if (options.grabPrint) Launcher("spectacle-stand-in", "/bin/true", "Print");
        else Launcher("dudo-capture", "'" DUDO_BINARY "' --capture", "Print");
        std::ofstream(runtime_.path() / "token.sh") << "#!/bin/sh\nprintf %s \"$XDG_ACTIVATION_TOKEN\" >'" << (runtime_.path() / "token").string() << "'\n";
        fs::permissions(runtime_.path() / "token.sh", fs::perms::owner_all);
        Launcher("dudo-token", (runtime_.path() / "token.sh").string(), "none");
        StartSessionBus(As(false));
        // A copy of its own: this machine refuses the file capabilities of
        // the installed one. Its platform plugin wants the name it has.
        fs::copy_file("/usr/bin/kwin_wayland", runtime_.path() / "kwin_wayland");
        kwin_ = Spawn({"sh", "-c", "exec " + As(false) + "QT_LOGGING_RULES=kwin_scripting.debug=true '" + (runtime_.path() / "kwin_wayland").string() + "' --virtual --no-lockscreen --socket wayland-0 --width " +
                                       std::to_string(options.width) + " --height " + std::to_string(options.height) +
                                       " --scale " + std::to_string(options.dpi / 96.0) + (options.twoMonitors ? " --output-count 2" : "")},
                      (runtime_.path() / "kwin.log").string());
        if (!WaitFor([&] { return OnSession("gdbus introspect --session --dest org.kde.KWin --object-path /Scripting").find("loadScript") != std::string::npos; }, 20000))
            throw std::runtime_error("KWin did not start: " + test::FileContents(runtime_.path() / "kwin.log"));
        fs::path fifo = runtime_.path() / "input";
        mkfifo(fifo.c_str(), 0600);
        input_ = Spawn({"sh", "-c", "exec " + As(false) + DUDO_WAYLAND_INPUT " <'" + fifo.string() + "'"}, (runtime_.path() / "input.log").string());
        inputLines_.open(fifo);
    }
    ~KdeDesktop() override {
        KillProgram();
        StopServer();
    }

    void StopServer() override {
        inputLines_.close();
        for (pid_t* pid : {&input_, &kwin_, &busDaemon_})
            if (*pid > 0) kill(*pid, SIGTERM), waitpid(*pid, nullptr, 0), *pid = -1;
    }

    void MovePointer(int x, int y) override { Input("move " + std::to_string(x) + " " + std::to_string(y), 100); }
    void Click(int button) override {
        const std::string code = button == 3 ? "273" : "272";
        Input("button " + code + " 1", button == 0 ? 300 : 60);
        Input("button " + code + " 0", 100);
    }
    void PressKey(const std::string& key, int holdMs) override {
        const std::string code = std::to_string(KeyCode(key));
        Input("key " + code + " 1", holdMs);
        Input("key " + code + " 0", 60);
    }

    void RaisePanel() override { Script(PanelWindow + "forEach(c => workspace.activeClient = c)"); }
    void ClosePanel() override { Script(PanelWindow + "forEach(c => c.closeWindow())"); }
    double Scale() const override { return scale_; }
    // KWin's own picture of that part of the screen, in the outputs' own pixels.
    Picture Grab(int x, int y, int width, int height) override { return PictureBy(DUDO_KWIN_PICTURE, x, y, width, height); }

protected:
    std::string As(bool) const override { return DesktopSession("KDE") + "KDE_FULL_SESSION=true "; }
    // With the token KWin gives a program its launcher starts.
    std::string Program() const override {
        const fs::path token = runtime_.path() / "token";
        fs::remove(token);
        OnSession("gdbus call --session --dest org.kde.kglobalaccel --object-path /component/dudo_token_desktop --method org.kde.kglobalaccel.Component.invokeShortcut _launch");
        WaitFor([&] { return fs::exists(token); }, 5000);
        return "XDG_ACTIVATION_TOKEN=" + test::FileContents(token) + " " DUDO_BINARY;
    }
    // The windows with that title, shown or minimised: where their content is.
    void MoveWindow(const std::string& title, int x, int y) override {
        Script("workspace.clientList().filter(c => c.caption === '" + title + "').forEach(c => { const f = c.frameGeometry, b = c.bufferGeometry; "
               "c.frameGeometry = {x: f.x + " + std::to_string(x) + " - b.x, y: f.y + " + std::to_string(y) + " - b.y, width: f.width, height: f.height}; })");
    }
    std::vector<WindowPlace> Places(const std::string& title) const override {
        std::istringstream lines(Script("workspace.clientList().filter(c => c.caption === '" + title +
                                        "').forEach(c => { const g = c.bufferGeometry; say(g.x, g.y, g.width, g.height, c.minimized ? 0 : 1); })"));
        std::vector<WindowPlace> places;
        for (WindowPlace p{}; lines >> p.x >> p.y >> p.width >> p.height >> p.viewable;) places.push_back(p);
        return places;
    }

private:
    double scale_;
    // Runs a KWin script; what its say() said, a line each. KWin prints
    // them on its log, which the script's own mark picks out.
    std::string Script(const std::string& body) const {
        const std::string mark = "dudo-script-" + std::to_string(++scripts_);
        const fs::path file = runtime_.path() / (mark + ".js");
        std::ofstream(file) << "const say = (...words) => print('" << mark << "', ...words);\n" << body << ";\nsay('end');\n";
        OnSession("gdbus call --session --dest org.kde.KWin --object-path /Scripting --method org.kde.kwin.Scripting.loadScript '" + file.string() + "' " + mark);
        OnSession("gdbus call --session --dest org.kde.KWin --object-path /Scripting --method org.kde.kwin.Scripting.start");
        const std::string prefix = "js: " + mark + " ";
        std::string said;
        WaitFor([&] {
            std::istringstream log(test::FileContents(runtime_.path() / "kwin.log"));
            said.clear();
            for (std::string line; std::getline(log, line);)
                if (line.starts_with(prefix)) said += line.substr(prefix.size()) + "\n";
            return said.ends_with("end\n");
        });
        OnSession("gdbus call --session --dest org.kde.KWin --object-path /Scripting --method org.kde.kwin.Scripting.unloadScript " + mark);
        return said;
    }
    // A desktop file of the user's that lets that executable use a restricted interface.
    void Declare(const std::string& name, const std::string& executable, const std::string& line) {
        fs::create_directories(home_ / ".local/share/applications");
        std::ofstream(home_ / ".local/share/applications" / (name + ".desktop"))
            << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << executable << "\nNoDisplay=true\n" << line << "\n";
    }
    // A command with a global shortcut, as Plasma's shortcut settings add one.
    void Launcher(const std::string& name, const std::string& command, const std::string& key) {
        Declare(name, command, "");
        fs::create_directories(home_ / ".config");
        std::ofstream(home_ / ".config/kglobalshortcutsrc", std::ios::app)
            << "[" << name << ".desktop]\n_k_friendly_name=" << name << "\n_launch=" << key << ",none," << name << "\n";
    }
    void Input(const std::string& line, int pauseMs) {
        inputLines_ << line << std::endl;
        SleepMs(pauseMs);
    }

    pid_t kwin_ = -1, input_ = -1;
    std::ofstream inputLines_;
    mutable int scripts_ = 0;
};

}  // namespace

std::unique_ptr<Desktop> MakeKdeDesktop(const DesktopOptions& options) { return std::make_unique<KdeDesktop>(options); }

}  // namespace dudo::e2e
