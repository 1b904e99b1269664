#include "platform/gnome/gnome_window_extension.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "common/error.h"
#include "gnome_window_extension_files.h"
#include "platform/desktop/print_key_record.h"
#include "platform/gnome/gsettings.h"

namespace dudo {

namespace fs = std::filesystem;
using namespace gnome_extension;

namespace {

const char* const kShell = "org.gnome.shell";

const PrintKeyRecord& Record() {
    static const PrintKeyRecord record("gnome-window-extension");
    return record;
}

// Where the shell looks for extensions: the user's folder first, then the system's.
fs::path UserCopy() { return UserHome() / ".local/share/gnome-shell/extensions" / kUuid; }
bool InstalledForEveryone() {
    for (const char* data : {"/usr/share", "/usr/local/share"})
        if (fs::exists(fs::path(data) / "gnome-shell/extensions" / kUuid / "extension.js")) return true;
    return false;
}

std::vector<std::string> Enabled() { return GsettingsList(Gsettings({"get", kShell, "enabled-extensions"})); }

std::string HowToTurnOn() {
    if (InstalledForEveryone() || fs::exists(UserCopy()))
        return "gnome-extensions enable " + std::string(kUuid) + "，然後重新登入 (then log in again)";
    return "dudo --restore-print-key，再啟動 dudo 並同意啟用擴充套件，然後重新登入 (then start dudo, agree to turn the extension on, and log in again)";
}

}  // namespace

std::optional<Rect> GnomeWindowExtension::FocusedFrame() {
    const QDBusMessage call = QDBusMessage::createMethodCall("org.gnome.Shell", "/io/github/dudo/FocusedWindow", "io.github.dudo.FocusedWindow", "FrameRect");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    const QVariantList a = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || a.size() != 5)
        throw Error("GNOME 只把現用視窗的位置告訴它自己的擴充套件：要擷取現用視窗，請啟用 dudo 的擴充套件，執行 (GNOME tells where the "
                    "focused window is only to its own extensions: to capture it, turn on dudo's extension; run) " + HowToTurnOn());
    if (!a[0].toBool()) return std::nullopt;
    const int x = a[1].toInt(), y = a[2].toInt();
    return Rect{x, y, x + std::max(0, a[3].toInt()), y + std::max(0, a[4].toInt())};
}

// Not while the settings cannot be read: the question waits for a start that can tell.
bool GnomeWindowExtension::Pending() {
    const std::string list = Gsettings({"get", kShell, "enabled-extensions"});
    const auto enabled = GsettingsList(list);
    return !Record().Exists() && !list.empty() && std::find(enabled.begin(), enabled.end(), kUuid) == enabled.end();
}

// The user's own copy only where the package has not installed one; the
// list of enabled extensions as the Extensions app writes it.
void GnomeWindowExtension::Enable() {
    bool wrote = false;
    if (!InstalledForEveryone()) {
        SaveText(UserCopy() / "metadata.json", kMetadata);
        SaveText(UserCopy() / "extension.js", kScript);
        wrote = true;
    }
    std::vector<std::string> enabled = Enabled();
    enabled.push_back(kUuid);
    Gsettings({"set", kShell, "enabled-extensions", GsettingsListText(enabled)});
    Record().Write(wrote ? "enabled wrote\n" : "enabled\n");
}

void GnomeWindowExtension::Decline() { Record().Write("declined\n"); }

bool GnomeWindowExtension::Restore() {
    const std::string record = Record().Read();
    if (!record.starts_with("enabled")) {
        Record().Remove();
        return false;
    }
    std::vector<std::string> enabled = Enabled();
    enabled.erase(std::remove(enabled.begin(), enabled.end(), kUuid), enabled.end());
    Gsettings({"set", kShell, "enabled-extensions", GsettingsListText(enabled)});
    if (record.find("wrote") != std::string::npos) {
        std::error_code error;
        fs::remove_all(UserCopy(), error);
    }
    Record().Remove();
    std::printf("dudo: 已停用 dudo 的 GNOME 擴充套件 (turned dudo's GNOME extension off)\n");
    return true;
}

}  // namespace dudo
