#include "app/command_line.h"

#include <string_view>

namespace dudo {
namespace {

struct Option {
    std::string_view name;
    Asked asked;
    bool desktopOnly;
    std::string_view text;
};

constexpr Option kOptions[] = {
    {"--capture", Asked::Capture, true, "請執行中的 dudo 立刻抓一張圖，如按 Print Screen (the running dudo captures now)"},
    {"--restore-print-key", Asked::RestorePrintKey, true,
     "把 Print Screen 還給桌面原先的設定 (gives Print Screen back to the desktop)"},
    {"--help", Asked::Help, false, "顯示本說明 (prints this help)"},
    {"--version", Asked::Version, false, "顯示版本 (prints the version)"},
};

}  // namespace

Asked ReadCommandLine(int argc, const char* const* argv, bool withDesktopOptions) {
    if (argc <= 1) return Asked::Panel;
    // A session manager restarts a program it saved with the toolkit's own
    // "-session <id>"; the toolkit takes it.
    if (argc == 3 && std::string_view(argv[1]) == "-session") return Asked::Panel;
    if (argc != 2) return Asked::Unknown;
    for (const Option& option : kOptions)
        if (argv[1] == option.name && (withDesktopOptions || !option.desktopOnly)) return option.asked;
    return Asked::Unknown;
}

std::string UsageText(bool withDesktopOptions) {
    std::string text = "用法 (usage): dudo [選項 (option)]\n"
                       "  不帶選項時顯示設定面板，按 Print Screen 抓圖 (without an option: the panel; Print Screen captures)\n";
    for (const Option& option : kOptions) {
        if (option.desktopOnly && !withDesktopOptions) continue;
        text += "  " + std::string(option.name) + std::string(22 - option.name.size(), ' ') + std::string(option.text) + "\n";
    }
    return text;
}

std::string UnknownOptionText(int argc, const char* const* argv, bool withDesktopOptions) {
    std::string said;
    for (int i = 1; i < argc; ++i) said += std::string(i > 1 ? " " : "") + argv[i];
    return "dudo: 不明的選項 (unknown option): " + said + "\n" + UsageText(withDesktopOptions);
}

std::string VersionLine() { return std::string("dudo ") + kVersion; }

}  // namespace dudo
