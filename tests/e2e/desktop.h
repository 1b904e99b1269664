// What a desktop test needs of the platform the program runs on. The scenario
// runner speaks only to this; each platform is one back end of it (x11_desktop
// today), so a new platform adds a back end, not a copy of the scenarios.
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "imagelib/picture.h"
#include "tests/unit/test_files.h"

namespace dudo::e2e {

std::string Shell(const std::string& command);  // stdout of a shell command

// A capability this machine lacks (such as mounting as root): the scenario
// is skipped and says why, instead of failing.
struct Missing : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The X11 tray: trayer (XEmbed), light or dark, or an Xfce panel's status
// tray, which hosts StatusNotifierItems on the session bus.
enum class TrayHost { Trayer, DarkTrayer, StatusNotifier, Absent };

struct DesktopOptions {
    int width = 1280, height = 800;
    bool sharedMemory = true;  // false: the X server without MIT-SHM
    std::string tmpfs;         // a size: the working folder on a tmpfs of its own
    bool notifications = false;  // a notification service on the session bus
    bool grabPrint = false;      // another program takes Print Screen too (X11: a grab; Windows: its snipping; GNOME: its screenshot UI)
    int dpi = 96;
    TrayHost tray = TrayHost::Trayer;
    bool xwayland = false;  // Wayland: an X server beside it, its DISPLAY given to the program
    bool portal = false;    // Wayland: the screen through xdg-desktop-portal, its wlr backend and pipewire
    bool slowRepeat = false;  // the keyboard repeats a held key twice in 1.1 s: after 400 to 500 ms, then 400 to 500 ms later
    // X11: two monitors side by side, 1280 x 800 and 1024 x 768, the
    // second shorter, so that a strip of the X screen is on neither.
    bool twoMonitors = false;
    bool primaryRight = false;  // Windows: the right one is the primary, the left at negative places
    // GNOME: dudo's window extension enabled before the shell starts; or
    // not, and its offer declined already, or still to come.
    enum class Extension { Declined, Enabled, Offered } extension = Extension::Declined;
};

// The windows a scenario looks for, whatever each platform calls them.
enum class Shown { Panel, TrayIcon, Balloon, About, MessageBox, RangeOverlay };

struct WindowPlace { int x, y, width, height; bool viewable; };

class Desktop {
public:
    virtual ~Desktop() = default;

    const std::filesystem::path& folder() const { return work_.path(); }
    std::set<std::string> Files() const { return work_.files(); }

    // Starts the program in the working folder; waits for its panel and tray icon.
    virtual pid_t StartProgram() = 0;
    virtual void KillProgram() = 0;  // as SIGKILL does
    virtual bool ProgramRunning() = 0;
    // Waits for the program to end; its exit status, or none on time-out.
    virtual std::optional<int> WaitForExit(int timeoutMs) = 0;
    virtual std::string ProgramLog() const = 0;
    virtual pid_t programPid() const = 0;
    // Runs the program once more beside the running one, with those
    // arguments, as this user or another; its output, then "status=N".
    virtual std::string RunAgain(const std::string& arguments = "", bool otherUser = false) = 0;
    // Ends the display under the running program, as a crash or logout would.
    virtual void StopServer() = 0;

    virtual void MovePointer(int x, int y) = 0;
    virtual void Click(int button) = 0;  // 0: a slow left click, as a hand does
    virtual void Keys(const std::string& keys);  // key names, space separated: each pressed in turn
    // One press of a key, held down that long.
    virtual void PressKey(const std::string& key, int holdMs) = 0;
    virtual void Type(const std::string&) { throw Missing("no typing here"); }
    // One press of Print Screen, as long as a hand holds it.
    void PrintScreen(int holdMs = 100) { PressKey("Print", holdMs); }

    virtual std::optional<WindowPlace> Window(Shown window) = 0;
    virtual int CountWindows(Shown window) = 0;
    virtual void RaisePanel() = 0;
    virtual void ClosePanel() = 0;  // its close box, as a window manager passes it on
    virtual void CloseMessageBox() = 0;
    // The desktop's own picture of that part of the screen, in the screen's pixels.
    virtual Picture Grab(int, int, int, int) { throw Missing("no screen reading of ours here"); }
    // The screen's pixels to a unit of the places windows are told at.
    virtual double Scale() const { return 1; }
    // A window showing PatternPixel at that screen place, exactly there.
    virtual void ShowPattern(int, int, int, int) { throw Missing("no pattern window of ours here"); }
    virtual void FocusPattern() {}
    // What the notification service has shown so far, as (title, text);
    // the ones showing are closed. How many are showing or waiting now.
    virtual bool Notifies() const { return false; }  // a notification service runs
    virtual std::vector<std::pair<std::string, std::string>> Notifications() { return {}; }
    virtual int NotificationsShowing() { return 0; }
    virtual int PixelsPerInch() const = 0;
    virtual std::string TrayItemTip() = 0;  // of our StatusNotifierItem, as its host reads it
    // A click on the tray icon as its host passes it on (button 1 or 3).
    virtual void ClickTrayIcon(int button);
    // A test tool built for Windows beside the program, run on its desktop; its output, then "status=N".
    // A command of the desktop's own, where it takes them (sway's).
    virtual void Command(const std::string&) { throw Missing("this desktop takes no commands"); }
    // Moves the panel, its content to that place of the layout.
    virtual void MovePanel(int, int) { throw Missing("the panel is not moved here"); }
    // Starts a command beside the program, as its user, in its environment;
    // it is ended with the desktop.
    virtual void RunBeside(const std::string&) { throw Missing("no commands beside the program here"); }
    // A plain toolkit window of that title and width, started beside the
    // program, its content moved to that place; gone with the desktop.
    virtual WindowPlace ShowTitledWindow(const std::string&, int, int, int) { throw Missing("no windows of ours beside the program here"); }
    // The display the program runs on, as its clients name it (":12").
    virtual std::string DisplayName() const = 0;

    // Twips of the designed layout in this desktop's pixels, rounded as the view does.
    int Px(int twips) const;
    // Clicks the centre of a panel control, named as in the layout, an array
    // element with its index ("Combo1", "Text1(0)"); button 0 is a slow left click.
    void ClickControl(const std::string& control, int button = 1);
    bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000) const;

protected:
    test::TempFolder work_{"dudo-截圖-"};  // a working folder with a Chinese name, as many users' are
};

// The back ends, each on a private display of its own.
std::unique_ptr<Desktop> MakeX11Desktop(const DesktopOptions& options);   // Xvfb with trayer
std::unique_ptr<Desktop> MakeGnomeOnX11Desktop(const DesktopOptions& options);  // Xvfb with GNOME Shell
std::unique_ptr<Desktop> MakeWineDesktop(const DesktopOptions& options);  // dudo.exe under Wine on the same
std::unique_ptr<Desktop> MakeSwayDesktop(const DesktopOptions& options);  // headless sway
std::unique_ptr<Desktop> MakeGnomeDesktop(const DesktopOptions& options);  // headless GNOME Shell
std::unique_ptr<Desktop> MakeKdeDesktop(const DesktopOptions& options);    // KWin on a virtual output

// A field of /proc/<pid>/status in kB, such as "VmRSS:" or "VmHWM:"; 0 when absent.
long ProcessMemoryKb(pid_t pid, const std::string& field);

void SleepMs(int ms);

}  // namespace dudo::e2e
