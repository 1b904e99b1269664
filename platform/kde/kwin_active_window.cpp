#include "platform/kde/kwin_active_window.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QObject>
#include <QTemporaryFile>
#include <QTimer>
#include <cmath>

#include "common/error.h"

namespace dudo {

namespace {

const char* const kPath = "/io/github/dudo/ActiveWindow";
const char* const kInterface = "io.github.dudo.ActiveWindow";
const char* const kPlugin = "dudo-active-window";

}  // namespace

// Where the script's call lands: the frame, or none.
class KwinWindowReply : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.dudo.ActiveWindow")

public:
    std::optional<std::optional<Rect>> answer;
    QEventLoop loop;

public slots:
    // As text: a script's numbers reach the bus as whole numbers or not,
    // as they happen to be.
    void Frame(const QString& x, const QString& y, const QString& width, const QString& height) {
        const double left = x.toDouble(), top = y.toDouble(), right = left + width.toDouble(), bottom = top + height.toDouble();
        answer = std::optional(Rect{static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)), static_cast<int>(std::ceil(right)),
                                    static_cast<int>(std::ceil(bottom))});
        loop.quit();
    }
    void None() {
        answer = std::optional<Rect>();
        loop.quit();
    }
};

namespace {

QDBusMessage CallScripting(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
}

[[noreturn]] void Refuse(const QString& why) {
    throw Error("KWin 沒有告知現用視窗的位置 (KWin did not tell where the active window is): " + why.toStdString());
}

}  // namespace

std::optional<Rect> KwinActiveWindow() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) Refuse("no session bus");
    KwinWindowReply reply;
    if (!bus.registerObject(kPath, &reply, QDBusConnection::ExportAllSlots)) Refuse("cannot take " + QString(kPath) + " on the bus");
    struct Unregister {
        ~Unregister() { QDBusConnection::sessionBus().unregisterObject(kPath); }
    } unregister;
    // The script names our own connection, so that only we hear its answer.
    QTemporaryFile script(QDir::tempPath() + "/dudo-kwin-XXXXXX.js");
    if (!script.open()) Refuse("no temporary file for the script");
    const QString call = "callDBus('" + bus.baseService() + "', '" + kPath + "', '" + kInterface + "', ";
    script.write(("const w = workspace.activeClient, f = w && w.frameGeometry;\n"
                  "if (w) " + call + "'Frame', String(f.x), String(f.y), String(f.width), String(f.height));\n"
                  "else " + call + "'None');\n").toUtf8());
    script.flush();
    CallScripting("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {kPlugin});  // one a failed run left
    const QDBusMessage loaded = CallScripting("/Scripting", "org.kde.kwin.Scripting", "loadScript", {script.fileName(), kPlugin});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().value(0).toInt() < 0)
        Refuse(loaded.type() == QDBusMessage::ErrorMessage ? loaded.errorMessage() : "its scripting did not load the script");
    // The script's object is "/<id>" on KWin 5, "/Scripting/Script<id>" on 6.
    const QString id = QString::number(loaded.arguments().value(0).toInt());
    if (CallScripting("/" + id, "org.kde.kwin.Script", "run").type() == QDBusMessage::ErrorMessage &&
        CallScripting("/Scripting/Script" + id, "org.kde.kwin.Script", "run").type() == QDBusMessage::ErrorMessage)
        CallScripting("/Scripting", "org.kde.kwin.Scripting", "start");
    if (!reply.answer) {
        QTimer::singleShot(3000, &reply.loop, &QEventLoop::quit);
        reply.loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    CallScripting("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {kPlugin});
    if (!reply.answer) Refuse("its script did not answer within 3 s");
    return *reply.answer;
}

}  // namespace dudo

#include "kwin_active_window.moc"
