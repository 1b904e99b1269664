#include "platform/kde/kde_print_key.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "common/error.h"
#include "platform/kde/kwin_screenshot.h"
#include "platform/desktop/desktop.h"
#include "platform/desktop/print_key_record.h"

namespace dudo::kglobalaccel {

// A key sequence as kglobalaccel passes it: up to four key codes.
struct KeySequence {
    QList<int> keys;
    bool operator==(const KeySequence&) const = default;
};
// What kglobalaccel tells of a shortcut that has a key.
struct ShortcutInfo {
    QString action, actionName, component, componentName, context, contextName;
    QList<int> keys, defaultKeys;
};

QDBusArgument& operator<<(QDBusArgument& out, const KeySequence& k) {
    out.beginStructure();
    out << k.keys;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, KeySequence& k) {
    in.beginStructure();
    in >> k.keys;
    in.endStructure();
    return in;
}
QDBusArgument& operator<<(QDBusArgument& out, const ShortcutInfo& i) {
    out.beginStructure();
    out << i.action << i.actionName << i.component << i.componentName << i.context << i.contextName << i.keys << i.defaultKeys;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, ShortcutInfo& i) {
    in.beginStructure();
    in >> i.action >> i.actionName >> i.component >> i.componentName >> i.context >> i.contextName >> i.keys >> i.defaultKeys;
    in.endStructure();
    return in;
}

}  // namespace dudo::kglobalaccel

Q_DECLARE_METATYPE(dudo::kglobalaccel::KeySequence)
Q_DECLARE_METATYPE(dudo::kglobalaccel::ShortcutInfo)

namespace dudo {

namespace {

using kglobalaccel::KeySequence;
using kglobalaccel::ShortcutInfo;
using Keys = QList<KeySequence>;

const char* const kService = "org.kde.kglobalaccel";
const char* const kComponent = "io.github.dudo.Dudo-capture.desktop";
const KeySequence kPrint{{0x01000009, 0, 0, 0}};  // Qt::Key_Print

const PrintKeyRecord& Record() {
    static const PrintKeyRecord record("kde-print-key");
    return record;
}

// A method of kglobalaccel's, its answer; throws dudo::Error when it fails.
QList<QVariant> Call(const char* method, const QList<QVariant>& arguments) {
    static const bool registered = (qDBusRegisterMetaType<KeySequence>(), qDBusRegisterMetaType<Keys>(),
                                    qDBusRegisterMetaType<ShortcutInfo>(), qDBusRegisterMetaType<QList<ShortcutInfo>>(), true);
    (void)registered;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, "/kglobalaccel", "org.kde.KGlobalAccel", method);
    call.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        throw Error("KDE 的全域快捷鍵無法設定 (KDE's global shortcuts could not be set: " + reply.errorMessage().toStdString() + ")");
    return reply.arguments();
}
template <class T> T Answer(const char* method, const QList<QVariant>& arguments) {
    const QList<QVariant> answer = Call(method, arguments);
    return answer.isEmpty() ? T() : qdbus_cast<T>(answer.first());
}

QStringList OurAction() { return {kComponent, "_launch", "dudo", "dudo --capture"}; }
QStringList ActionOf(const ShortcutInfo& i) { return {i.component, i.action, i.componentName, i.actionName}; }

QList<ShortcutInfo> PrintHolders() { return Answer<QList<ShortcutInfo>>("getGlobalShortcutsByKey", {kPrint.keys.first()}); }

// The Exec line of a command's desktop file, where kglobalaccel looks for it.
QString CommandOf(const QString& component) {
    for (const char* folder : {"kglobalaccel/", "applications/"}) {
        const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, folder + component);
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("Exec=")) return QString::fromUtf8(line.mid(5));
    }
    return {};
}

std::string KeysText(const Keys& keys) {
    std::string text;
    for (const KeySequence& k : keys) {
        text += text.empty() ? "" : ";";
        for (int i = 0; i < k.keys.size(); ++i) text += (i ? "," : "") + std::to_string(k.keys[i]);
    }
    return text.empty() ? "-" : text;
}
Keys KeysFrom(const std::string& text) {
    Keys keys;
    std::istringstream sequences(text == "-" ? "" : text);
    for (std::string sequence; std::getline(sequences, sequence, ';');) {
        KeySequence k;
        std::istringstream codes(sequence);
        for (std::string code; std::getline(codes, code, ',');) k.keys.push_back(std::atoi(code.c_str()));
        keys.push_back(k);
    }
    return keys;
}

QString DesktopFile() { return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + "/" + kComponent; }


}  // namespace

bool KdePrintKey::OnKde() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return CurrentDesktopIs("KDE") && bus.isConnected() &&
           bus.interface()->isServiceRegistered(kService).value();
}

bool KdePrintKey::Asked() { return Record().Exists(); }
bool KdePrintKey::Took() { return Record().Read().starts_with("bound"); }
void KdePrintKey::Decline() { Record().Write("declined\n"); }

bool KdePrintKey::Bound() {
    for (const ShortcutInfo& holder : PrintHolders())
        if (const QString command = CommandOf(holder.component); command.contains("dudo") && command.contains("--capture")) return true;
    return false;
}

// Whoever holds Print gives it up (kept, to give back), then dudo's command takes it.
void KdePrintKey::Bind(const std::string& program) {
    // What Plasma's settings write for a command, declaring KWin's
    // screenshot interface too: KWin may take this file for the program's own.
    KwinScreenshot::Declare(kComponent, "dudo --capture", program, " --capture");
    std::string record = "bound\n";
    for (const ShortcutInfo& holder : PrintHolders()) {
        const QStringList action = ActionOf(holder);
        Keys keys = Answer<Keys>("shortcutKeys", {action});
        record += "held " + action.join('\t').toStdString() + "\t" + KeysText(keys) + "\n";
        keys.removeAll(kPrint);
        Call("setForeignShortcutKeys", {action, QVariant::fromValue(keys)});
    }
    // Present, and given this key rather than one kept from before: only
    // then does kglobalaccel run the command on it.
    Call("doRegister", {OurAction()});
    Call("setShortcutKeys", {OurAction(), QVariant::fromValue(Keys{kPrint}), 2u | 4u});
    Record().Write(record);
}

int KdePrintKey::Restore() {
    int argc = 1;
    char name[] = "dudo";
    char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance()) app.emplace(argc, argv);
    try {
        Call("unregister", {QString(kComponent), QString("_launch")});
        std::istringstream lines(Record().Read());
        for (std::string line; std::getline(lines, line);) {
            if (!line.starts_with("held ")) continue;
            const QStringList fields = QString::fromStdString(line.substr(5)).split('\t');
            if (fields.size() == 5) Call("setForeignShortcutKeys", {fields.mid(0, 4), QVariant::fromValue(KeysFrom(fields[4].toStdString()))});
        }
    } catch (const Error& failure) {
        std::printf("dudo: %s\n", failure.what());
        return 1;
    }
    QFile::remove(DesktopFile());
    Record().Remove();
    std::printf("dudo: Print Screen 已還給原本的快捷鍵 (Print Screen is back with the shortcuts that had it)\n");
    return 0;
}

}  // namespace dudo
