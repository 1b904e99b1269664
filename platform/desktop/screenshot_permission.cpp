#include "platform/desktop/screenshot_permission.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QMap>
#include <QStringList>
#include <cstdlib>
#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace dudo {

namespace {

const char* const kStore = "org.freedesktop.impl.portal.PermissionStore";
const char* const kStorePath = "/org/freedesktop/impl/portal/PermissionStore";

// systemd writes a '-' in a name as "\x2d"; anything else stays as it is.
std::string Unescaped(const std::string& name) {
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.compare(i, 2, "\\x") == 0 && i + 4 <= name.size() && hex(name[i + 2]) && hex(name[i + 3])) {
            out += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

// The unit this process runs in under the user's systemd: the last part of
// its cgroup's path.
std::string OwnUnit() {
    std::ifstream cgroup("/proc/self/cgroup");
    for (std::string line; std::getline(cgroup, line);)
        if (line.starts_with("0::")) return line.substr(line.rfind('/') + 1);
    return "";
}

std::string AppId() { return ScreenshotPermission::AppIdFromUnit(OwnUnit()); }

QDBusMessage StoreCall(const char* method) {
    return QDBusMessage::createMethodCall(kStore, kStorePath, kStore, method);
}

// A portal backend's description: its keys, as "DBusName" = "...".
std::map<std::string, std::string> PortalDescription(const std::string& file) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (const auto equals = line.find('='); equals != std::string::npos) keys[line.substr(0, equals)] = line.substr(equals + 1);
    return keys;
}

bool ListHas(const std::string& list, const std::string& item) {
    std::istringstream items(list);
    for (std::string i; std::getline(items, i, ';');)
        if (QString::fromStdString(i).compare(QString::fromStdString(item), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// The portal backend this desktop uses for screenshots: the first whose
// description names one of the desktops in XDG_CURRENT_DESKTOP and offers it.
QString ScreenshotBackend() {
    const char* current = std::getenv("XDG_CURRENT_DESKTOP");
    std::istringstream desktops(current ? current : "");
    const QDir folder("/usr/share/xdg-desktop-portal/portals");
    for (std::string desktop; std::getline(desktops, desktop, ':');)
        for (const QString& file : folder.entryList({"*.portal"}, QDir::Files, QDir::Name)) {
            auto keys = PortalDescription(folder.filePath(file).toStdString());
            if (ListHas(keys["UseIn"], desktop) && ListHas(keys["Interfaces"], "org.freedesktop.impl.portal.Screenshot"))
                return QString::fromStdString(keys["DBusName"]);
        }
    return {};
}

}  // namespace

std::string ScreenshotPermission::AppIdFromUnit(const std::string& unit) {
    // app[-<launcher>]-<id>-<random>.scope (or .slice), app[-<launcher>]-<id>[@<random>].service
    static const std::regex scope(R"(^app-(?:[[:alnum:]]+-)?(.+?)(?:-[[:alnum:]]*)(?:\.scope|\.slice)$)");
    static const std::regex service(R"(^app-(?:[[:alnum:]]+-)?(.+?)(?:@[[:alnum:]]*|-autostart)?\.service$)");
    std::smatch id;
    if (!std::regex_match(unit, id, scope) && !std::regex_match(unit, id, service)) return "";
    // Shown in a command the user is told to paste: only what an app id may hold.
    const std::string app = Unescaped(id[1].str());
    const bool plain = app.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-") == std::string::npos;
    return plain ? app : "";
}

Permission ScreenshotPermission::Stored() {
    QDBusMessage lookup = StoreCall("Lookup");
    lookup << QString("screenshot") << QString("screenshot");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(lookup, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        // No entry at all: never asked. No store: nothing to ask with.
        return reply.errorName() == "org.freedesktop.portal.Error.NotFound" ? Permission::Unasked : Permission::Allowed;
    }
    QMap<QString, QStringList> permissions;
    const QDBusArgument table = reply.arguments().value(0).value<QDBusArgument>();
    table >> permissions;
    const auto entry = permissions.find(QString::fromStdString(AppId()));
    if (entry == permissions.end() || entry->isEmpty()) return Permission::Unasked;
    return entry->first() == "yes" ? Permission::Allowed : entry->first() == "no" ? Permission::Refused : Permission::Unasked;
}

bool ScreenshotPermission::DesktopAsks() {
    const QString backend = ScreenshotBackend();
    if (backend.isEmpty()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(backend, "/org/freedesktop/portal/desktop", "org.freedesktop.DBus.Properties", "Get");
    get << QString("org.freedesktop.impl.portal.Screenshot") << QString("version");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).value<QDBusVariant>().variant().toUInt() >= 2;
}

std::string ScreenshotPermission::HowToAllow() {
    return std::string("gdbus call --session --dest ") + kStore + " --object-path " + kStorePath + " --method " + kStore +
           ".SetPermission screenshot true screenshot '" + AppId() + "' \"['yes']\"";
}

}  // namespace dudo
