// The X11 back end of the desktop tests: an Xvfb display of its own with
// trayer as the tray host, the program started in a fresh working folder,
// real input through xdotool, pattern windows drawn with Xlib.
#pragma once
#include "tests/e2e/desktop.h"

namespace dudo::e2e {

class X11Desktop : public Desktop {
public:
    explicit X11Desktop(const DesktopOptions& options = {});
    ~X11Desktop() override;

    const std::string& display() const { return display_; }
    std::string Env() const { return "DISPLAY=" + display_ + " XDG_RUNTIME_DIR=" + runtime_.path().string() + " "; }
    void Xdotool(const std::string& arguments);

    pid_t StartProgram() override;
    void KillProgram() override;
    bool ProgramRunning() override;
    std::optional<int> WaitForExit(int timeoutMs) override;
    std::string ProgramLog() const override;
    pid_t programPid() const override { return program_; }
    std::string RunAgain() override;
    void StopServer() override;

    void MovePointer(int x, int y) override;
    void Click(int button) override;
    void Keys(const std::string& keys) override { Xdotool("key " + keys); }
    void KeyDown(const std::string& key) override { Xdotool("keydown " + key); }
    void KeyUp(const std::string& key) override { Xdotool("keyup " + key); }
    void Type(const std::string& text) override { Xdotool("type --delay 80 '" + text + "'"); }
    void PrintScreen() override { Keys("Print"); }

    std::optional<WindowPlace> Window(Shown window) override;
    int CountWindows(Shown window) override;
    void RaisePanel() override { Xdotool("search --name dudo進階版 windowraise"); }
    void CloseMessageBox() override;
    Picture Grab(int x, int y, int width, int height) override;
    void ShowPattern(int x, int y, int width, int height) override;
    void FocusPattern() override;

private:
    std::optional<WindowPlace> WindowNamed(const std::string& name);
    int CountNamed(const std::string& name);
    void ClosePatterns();
    std::string display_;
    test::TempFolder runtime_;  // mkdtemp makes it private, as a runtime folder must be
    pid_t xvfb_ = -1, tray_ = -1, program_ = -1;
    int lastStatus_ = -1;
    bool mounted_ = false;
    void* patternDisplay_ = nullptr;
    unsigned long lastPattern_ = 0;
};

}  // namespace dudo::e2e
