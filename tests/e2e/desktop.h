// A private desktop for end-to-end tests: an Xvfb display of its own, a tray
// host, the program started in a fresh working folder, real input through
// xdotool, and a pattern window drawn with Xlib.
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "imagelib/picture.h"
#include "tests/unit/test_files.h"

namespace dudo::e2e {

std::string Shell(const std::string& command);  // stdout of a shell command

class Desktop {
public:
    // `withSharedMemory` false starts the server without MIT-SHM.
    explicit Desktop(int width = 1280, int height = 800, bool withSharedMemory = true);
    ~Desktop();

    const std::string& display() const { return display_; }
    const std::filesystem::path& folder() const { return work_.path(); }
    std::string Env() const { return "DISPLAY=" + display_ + " XDG_RUNTIME_DIR=" + runtime_.path().string() + " "; }

    // Starts the program; waits until its panel window is mapped.
    pid_t StartProgram();
    void StopProgram();
    bool ProgramRunning();
    std::string ProgramLog() const;  // what the program printed
    // Waits for the program to end; its exit status, or none on time-out.
    std::optional<int> WaitForExit(int timeoutMs);
    pid_t programPid() const { return program_; }
    // Ends the X server under the running program, as a crash or logout would.
    void StopServer();

    void Xdotool(const std::string& arguments);
    // Clicks the centre of a panel control given by its twips place (15 twips
    // a pixel); button 0 is a slow left click.
    void Click(int leftTwips, int topTwips, int widthTwips, int heightTwips, int button = 1);
    // The geometry of the first window with that name, if mapped.
    struct Geometry { int x, y, width, height; bool viewable; };
    std::optional<Geometry> Window(const std::string& name);
    int CountWindows(const std::string& name);
    std::set<std::string> Files() const { return work_.files(); }
    // Waits until a picture file appears; returns its name.
    std::optional<std::string> WaitForNewFile(const std::set<std::string>& before, int timeoutMs = 3000);
    bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000);

private:
    pid_t Spawn(const std::string& command);
    std::string display_;
    test::TempFolder work_;
    test::TempFolder runtime_;  // mkdtemp makes it private, as a runtime folder must be
    pid_t xvfb_ = -1, tray_ = -1, program_ = -1;
    int lastStatus_ = -1;
};

// A window showing PatternPixel at the given screen place, override-redirect
// so that it lands exactly there; it can take the input focus.
class PatternWindow {
public:
    PatternWindow(const std::string& display, int x, int y, int width, int height);
    ~PatternWindow();
    void Focus();

private:
    void* display_;
    unsigned long window_;
};

// Names as they are created in or moved into a folder (inotify), from the
// moment the watch is made.
class FolderWatch {
public:
    explicit FolderWatch(const std::filesystem::path& folder);
    ~FolderWatch();
    // The first new name that `wanted` accepts, or none within the time.
    std::optional<std::string> Next(const std::function<bool(const std::string&)>& wanted, int timeoutMs);

private:
    int fd_;
};

// A field of /proc/<pid>/status in kB, such as "VmRSS:" or "VmHWM:"; 0 when absent.
long ProcessMemoryKb(pid_t pid, const std::string& field);

inline Picture ReadPng(const std::filesystem::path& file) { return test::DecodePng(file).picture; }
// What the display shows in that screen rectangle, read with a plain image request.
Picture Grab(const std::string& display, int x, int y, int width, int height);

}  // namespace dudo::e2e
