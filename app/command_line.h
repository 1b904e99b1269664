// The program's command line, the same on every system: what it asks for,
// and the texts --help and --version print. The version is the build's one
// version, the project's in CMake.
#pragma once
#include <string>

namespace dudo {

inline constexpr char kVersion[] = DUDO_VERSION;

enum class Asked { Panel, Capture, RestorePrintKey, Help, Version, Unknown };

// What the arguments after the program's name ask for. Options a system
// does not offer (withDesktopOptions false: --capture and
// --restore-print-key, which only Linux desktops need) are unknown there.
Asked ReadCommandLine(int argc, const char* const* argv, bool withDesktopOptions);

// Every option, one line each, in Chinese and English.
std::string UsageText(bool withDesktopOptions);
// What an unknown option is told, before the usage.
std::string UnknownOptionText(int argc, const char* const* argv, bool withDesktopOptions);
std::string VersionLine();  // "dudo 1.0.57"

}  // namespace dudo
