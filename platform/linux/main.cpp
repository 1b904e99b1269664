// The program on Linux. `dudo --capture` is answered here, by a program of
// the C library only: a desktop's key binding runs it at every press, and
// loading the toolkit would cost more than the request. Everything else is
// the desktop module (desktop_main.cpp), loaded beside this executable or
// where it is installed.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/command_line.h"
#include "platform/linux/capture_request.h"

namespace {

// The module's place: beside the executable in a build, else where it is
// installed, as far from the executable as the library folder is from the
// program folder.
void* LoadDesktopModule() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const std::filesystem::path& module : {folder / "dudo-desktop.so", folder / DUDO_MODULE_FOLDER / "dudo-desktop.so"})
        if (void* loaded = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL)) return loaded;
        else if (std::filesystem::exists(module)) std::fprintf(stderr, "dudo: %s\n", dlerror());
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    switch (dudo::ReadCommandLine(argc, argv, true)) {
        // `dudo --capture`: the running instance captures now, as on Print Screen.
        case dudo::Asked::Capture: return dudo::RequestInstance(dudo::Ask::Capture);
        case dudo::Asked::Help: std::fputs(dudo::UsageText(true).c_str(), stdout); return 0;
        case dudo::Asked::Version: std::puts(dudo::VersionLine().c_str()); return 0;
        case dudo::Asked::Unknown: std::fputs(dudo::UnknownOptionText(argc, argv, true).c_str(), stderr); return 2;
        case dudo::Asked::Panel:
        case dudo::Asked::RestorePrintKey: break;  // the desktop module's
    }
    void* module = LoadDesktopModule();
    const auto desktopMain = module ? reinterpret_cast<int (*)(int, char**)>(dlsym(module, "dudo_desktop_main")) : nullptr;
    if (!desktopMain) {
        std::fprintf(stderr, "dudo: 找不到 dudo 的桌面模組 dudo-desktop.so (dudo's desktop module is missing)\n");
        return 2;
    }
    return desktopMain(argc, argv);
}
