#include "platform/gnome/gnome_print_key.h"


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/desktop/print_key_record.h"
#include "platform/gnome/gsettings.h"

namespace dudo {

namespace {

const char* const kShellKeys = "org.gnome.shell.keybindings";
const char* const kMediaKeys = "org.gnome.settings-daemon.plugins.media-keys";
const char* const kCustomKey = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char* const kCustomFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

std::string Custom(const std::string& path) { return std::string(kCustomKey) + ":" + path; }

// The settings daemon splits the command as a shell does: the program's
// path quoted, so that one with a space or a quote still runs.
std::string ShellQuoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A string as gsettings reads a value: in GVariant's text form, quoted.
std::string VariantText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return quoted + "\"";
}

const PrintKeyRecord& Record() {
    static const PrintKeyRecord record("gnome-print-key");
    return record;
}

}  // namespace


bool GnomePrintKey::Asked() { return Record().Exists(); }

// Settings that cannot be read now (a dconf slow to start) count as bound:
// the question waits for a start that can tell, rather than being asked
// of a user whose key already works.
bool GnomePrintKey::Bound(const std::string& program) {
    const std::string shortcuts = Gsettings({"get", kMediaKeys, "custom-keybindings"});
    if (shortcuts.empty()) return true;
    for (const std::string& path : GsettingsList(shortcuts))
        for (const std::string& command : {ShellQuoted(program) + " --capture", program + " --capture"})  // as bound now, and before
            if (Gsettings({"get", Custom(path), "command"}).find(command) != std::string::npos) return true;
    return false;
}

// What GNOME's keyboard settings write: the screenshot UI's binding emptied
// and, where asked for, a new customN shortcut in the list; the old values
// are kept.
void GnomePrintKey::Bind(const std::string& program, bool throughShortcut) {
    const std::string screenshotUi = Gsettings({"get", kShellKeys, "show-screenshot-ui"});
    Gsettings({"set", kShellKeys, "show-screenshot-ui", "[]"});
    if (!throughShortcut) return Remember("show-screenshot-ui " + screenshotUi + "\n");
    std::vector<std::string> paths = GsettingsList(Gsettings({"get", kMediaKeys, "custom-keybindings"}));
    std::string path;
    for (int n = 0; path.empty() || std::find(paths.begin(), paths.end(), path) != paths.end(); ++n)
        path = std::string(kCustomFolder) + "custom" + std::to_string(n) + "/";
    paths.push_back(path);
    Gsettings({"set", Custom(path), "name", "dudo"});
    Gsettings({"set", Custom(path), "command", VariantText(ShellQuoted(program) + " --capture")});
    Gsettings({"set", Custom(path), "binding", "Print"});
    Gsettings({"set", kMediaKeys, "custom-keybindings", GsettingsListText(paths)});
    Remember("path " + path + "\nshow-screenshot-ui " + screenshotUi + "\n");
}

void GnomePrintKey::Remember(const std::string& record) { Record().Write(record); }

int GnomePrintKey::Restore() {
    std::istringstream in(Record().Read());
    std::string path, screenshotUi;
    for (std::string key, value; in >> key && std::getline(in >> std::ws, value);)
        if (key == "path") path = value;
        else if (key == "show-screenshot-ui") screenshotUi = value;
    if (path.empty() && screenshotUi.empty()) {
        std::printf("dudo: 沒有要還原的按鍵設定 (no key setting of dudo's to restore)\n");
        return 1;
    }
    if (!path.empty()) {
        std::vector<std::string> paths = GsettingsList(Gsettings({"get", kMediaKeys, "custom-keybindings"}));
        paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
        Gsettings({"set", kMediaKeys, "custom-keybindings", GsettingsListText(paths)});
        for (const char* key : {"name", "command", "binding"}) Gsettings({"reset", Custom(path), key});
    }
    Gsettings({"set", kShellKeys, "show-screenshot-ui", screenshotUi.empty() ? "['Print']" : screenshotUi});
    Record().Remove();
    std::printf("dudo: Print Screen 已還給 GNOME 的截圖畫面 (Print Screen is GNOME's screenshot UI's again)\n");
    return 0;
}

}  // namespace dudo
