// The desktop module's entry: the program with its toolkit, run by main.cpp
// for everything but `dudo --capture`.
#include <cstdio>
#include <string>

#include "app/application.h"
#include "app/command_line.h"
#include "common/error.h"
#include "platform/linux/linux_platform.h"
#include "platform/desktop/desktop.h"

extern "C" __attribute__((visibility("default"))) int dudo_desktop_main(int argc, char** argv) {
    // `dudo --restore-print-key`: the desktop's Print Screen binding as it was before dudo took it.
    // Every file dudo wrote for the desktop goes too, KWin's grant among them.
    if (dudo::ReadCommandLine(argc, argv, true) == dudo::Asked::RestorePrintKey) {
        return dudo::RestoreDesktopSettings();
    }
    std::unique_ptr<dudo::LinuxPlatform> platform;
    try {
        platform = std::make_unique<dudo::LinuxPlatform>(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "dudo: %s\n", failure.what());
        return 2;
    }
    try {
        dudo::Application app(*platform);
        return app.Run();
    } catch (const std::exception& failure) {
        // An unhandled failure at start-up: tell the user, then end.
        platform->MessageBox("dudo進階版", failure.what());
        return 1;
    }
}
