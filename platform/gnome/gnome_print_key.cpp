#include "platform/gnome/gnome_print_key.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <vector>

#include "platform/desktop/print_key_record.h"

namespace dudo {

namespace {

const char* const kShellKeys = "org.gnome.shell.keybindings";
const char* const kMediaKeys = "org.gnome.settings-daemon.plugins.media-keys";
const char* const kCustomKey = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char* const kCustomFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

// `gsettings` with those arguments, as the user; what it printed, trimmed.
// Everything the child needs is made before the fork; a dconf that hangs
// holds the panel up for two seconds at most, then gsettings is ended.
std::string Gsettings(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>("gsettings")};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return "";
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);  // the copy is not closed on exec
        execvp("gsettings", argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (char buffer[512];;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd readable{out[0], POLLIN, 0};
        if (pid < 0 || left <= 0 || poll(&readable, 1, static_cast<int>(left)) <= 0) {
            if (pid > 0) kill(pid, SIGKILL);
            text.clear();
            break;
        }
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string Custom(const std::string& path) { return std::string(kCustomKey) + ":" + path; }

std::string ListText(const std::vector<std::string>& items) {
    std::string text = "[";
    for (const std::string& i : items) text += (text.size() > 1 ? ", '" : "'") + i + "'";
    return text + "]";
}

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

std::vector<std::string> GnomePrintKey::ListItems(const std::string& list) {
    std::vector<std::string> items;
    static const std::regex item("'([^']*)'");
    for (std::sregex_iterator m(list.begin(), list.end(), item), end; m != end; ++m) items.push_back((*m)[1].str());
    return items;
}

bool GnomePrintKey::Asked() { return Record().Exists(); }

bool GnomePrintKey::Bound(const std::string& program) {
    for (const std::string& path : ListItems(Gsettings({"get", kMediaKeys, "custom-keybindings"})))
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
    std::vector<std::string> paths = ListItems(Gsettings({"get", kMediaKeys, "custom-keybindings"}));
    std::string path;
    for (int n = 0; path.empty() || std::find(paths.begin(), paths.end(), path) != paths.end(); ++n)
        path = std::string(kCustomFolder) + "custom" + std::to_string(n) + "/";
    paths.push_back(path);
    Gsettings({"set", Custom(path), "name", "dudo"});
    Gsettings({"set", Custom(path), "command", VariantText(ShellQuoted(program) + " --capture")});
    Gsettings({"set", Custom(path), "binding", "Print"});
    Gsettings({"set", kMediaKeys, "custom-keybindings", ListText(paths)});
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
        std::vector<std::string> paths = ListItems(Gsettings({"get", kMediaKeys, "custom-keybindings"}));
        paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
        Gsettings({"set", kMediaKeys, "custom-keybindings", ListText(paths)});
        for (const char* key : {"name", "command", "binding"}) Gsettings({"reset", Custom(path), key});
    }
    Gsettings({"set", kShellKeys, "show-screenshot-ui", screenshotUi.empty() ? "['Print']" : screenshotUi});
    Record().Remove();
    std::printf("dudo: Print Screen 已還給 GNOME 的截圖畫面 (Print Screen is GNOME's screenshot UI's again)\n");
    return 0;
}

}  // namespace dudo
