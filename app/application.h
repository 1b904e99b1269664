// The program: start-up, the first activation, the about message and the
// one shutdown path, and the edge where every handler's failure is shown.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "capture/capturer.h"
#include "panel/form1.h"
#include "platform/platform.h"
#include "tray/notify_icon.h"
#include "tray/tray_presence.h"

namespace dudo {


class Application {
public:
    explicit Application(Platform& platform, std::function<std::unique_ptr<ImageLibrary>()> makeEngine = nullptr);

    // Load, show, first activation, then the message loop.
    int Run();

    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload();
    [[noreturn]] void Form_Unload();
    void Command1_Click();
    void Command4_Click();
    std::string AboutText();

    // Runs one event handler; a failure is shown in a message box and the
    // program goes on (the capture has already restored what it changed).
    void Guarded(const std::function<void()>& handler);

    Form1 form;
    MyNotifyIconEx notifyIcon;
    Capturer capturer;
    TrayPresence tray;

private:
    void WireHandlers();
    void ProbeImageLibrary();

    Platform& platform_;
    bool activated_ = false;
};

}  // namespace dudo
