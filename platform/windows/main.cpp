// The program on Windows: build the platform, hand it to the application.
#include <cstdio>

#include "app/application.h"
#include "app/command_line.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/windows_platform.h"

namespace {

// --help and --version: a windowed program has no console of its own, so
// the text goes where its output was sent, to the console it was started
// from, or, started from Explorer, into a message box.
void Say(const std::string& text, bool error) {
    const DWORD which = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE out = GetStdHandle(which);
    if (!out || out == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) out = GetStdHandle(which);
    }
    DWORD mode = 0, written = 0;
    if (out && out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode)) {
        const std::wstring wide = dudo::Wide(text);
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else if (out && out != INVALID_HANDLE_VALUE) {
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        MessageBoxW(nullptr, dudo::Wide(text).c_str(), L"dudo", MB_OK | (error ? MB_ICONWARNING : 0));
    }
}

}  // namespace

int main(int argc, char** argv) {
    switch (dudo::ReadCommandLine(argc, argv, false)) {
        case dudo::Asked::Help: Say(dudo::UsageText(false), false); return 0;
        case dudo::Asked::Version: Say(dudo::VersionLine() + "\n", false); return 0;
        case dudo::Asked::Panel: break;
        default: Say(dudo::UnknownOptionText(argc, argv, false), true); return 2;
    }
    dudo::WindowsPlatform platform;
    try {
        dudo::Application app(platform);
        return app.Run();
    } catch (const std::exception& failure) {
        // An unhandled failure at start-up: tell the user, then end.
        std::fprintf(stderr, "dudo: %s\n", failure.what());
        platform.MessageBox("dudo進階版", failure.what());
        return 1;
    }
}
