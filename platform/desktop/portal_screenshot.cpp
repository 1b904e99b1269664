#include "platform/desktop/portal_screenshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTimer>
#include <QUrl>
#include <cstring>
#include <ctime>
#include <optional>

#include "common/error.h"

namespace dudo {

namespace {

const char* const kService = "org.freedesktop.portal.Desktop";
const char* const kPath = "/org/freedesktop/portal/desktop";
const char* const kRequest = "org.freedesktop.portal.Request";

std::string Text(const QString& s) { return s.toStdString(); }

// The answer to one request: the portal's Response signal on the request's
// object, which our connection hears because it made the request.
class ResponseWaiter : public QObject {
    Q_OBJECT
public:
    ResponseWaiter(QDBusConnection bus, const QString& path) : bus_(std::move(bus)) { Listen(path); }
    ~ResponseWaiter() override { bus_.disconnect(kService, path_, kRequest, "Response", this, SLOT(Response(uint, QVariantMap))); }

    // Older portals ignore the token and name the request otherwise.
    void Listen(const QString& path) {
        if (path == path_) return;
        if (!path_.isEmpty()) bus_.disconnect(kService, path_, kRequest, "Response", this, SLOT(Response(uint, QVariantMap)));
        path_ = path;
        bus_.connect(kService, path_, kRequest, "Response", this, SLOT(Response(uint, QVariantMap)));
    }
    // The response code and its results, or none within the time.
    std::optional<std::pair<uint, QVariantMap>> Wait(int timeoutMs) {
        if (!answer_) {
            QTimer::singleShot(timeoutMs, &loop_, &QEventLoop::quit);
            loop_.exec();
        }
        return answer_;
    }

public slots:
    void Response(uint code, const QVariantMap& results) {
        answer_ = {code, results};
        loop_.quit();
    }

private:
    QDBusConnection bus_;
    QString path_;
    QEventLoop loop_;
    std::optional<std::pair<uint, QVariantMap>> answer_;
};

// The folders a portal writes its passing files in.
// Whether the portal's picture is the passing copy it leaves for us, ours
// to remove: a plain file of this user's, just made, straight in a folder
// for temporary files, as the wlr backend's /tmp/out.png (never one in a
// folder below, where the document portal exports files, nor in the runtime
// folder). `file` is the picture's path already resolved.
bool PassingCopy(const QString& given, const QString& file) {
    struct stat st{};
    if (lstat(given.toLocal8Bit().constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid() ||
        std::time(nullptr) - st.st_mtime > 120)
        return false;
    const QString folder = QFileInfo(file).absolutePath();
    for (const QString& place : {QDir::tempPath(), QString("/tmp"), QString("/var/tmp")})
        if (folder == QFileInfo(place).canonicalFilePath()) return true;
    return false;
}

Picture Decoded(const QString& file) {
    QImageReader reader(file, "png");
    QImage image;
    if (!reader.read(&image))
        throw Error("無法讀取桌面入口的截圖 " + Text(file) + " (cannot read the portal's picture: " + Text(reader.errorString()) + ")");
    image = image.convertToFormat(QImage::Format_RGB32);  // 0xFFRRGGBB, as a screen copy gives
    Picture picture = Picture::Sized(image.width(), image.height(), {});
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(picture.row(y), image.constScanLine(y), static_cast<std::size_t>(image.width()) * 4);
    return picture;
}

}  // namespace

// A running portal is asked whether it takes screenshots; one the bus would
// start is started now, in the background, and the first capture tells. Its
// start can take many seconds, which the panel should not wait for.
bool PortalScreenshot::Offered() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusConnectionInterface* names = bus.interface();
    if (names->isServiceRegistered(kService).value()) {
        QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", "Get");
        get << QString("org.freedesktop.portal.Screenshot") << QString("version");
        return bus.call(get, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }
    if (!names->activatableServiceNames().value().contains(kService)) return false;
    names->asyncCall("StartServiceByName", QString(kService), 0u);
    return true;
}

// Resolved once: what is read is what may be removed.
std::optional<PortalScreenshot::File> PortalScreenshot::FileOf(const QString& uri) {
    const QUrl url(uri);
    if (!url.isLocalFile()) return std::nullopt;
    const QString given = url.toLocalFile(), path = QFileInfo(given).canonicalFilePath();
    if (path.isEmpty()) return std::nullopt;
    return File{path, PassingCopy(given, path)};
}

Picture PortalScreenshot::Take(int timeoutMs) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    static unsigned requests = 0;
    const QString token = QString("dudo%1_%2").arg(getpid()).arg(++requests);
    // The request's object is named from our connection and the token; we
    // listen before asking, so that a quick answer is not missed.
    ResponseWaiter waiter(bus, QString("%1/request/%2/%3").arg(kPath, bus.baseService().mid(1).replace('.', '_'), token));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.portal.Screenshot", "Screenshot");
    call << QString() << QVariantMap{{"handle_token", token}, {"interactive", false}};
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, timeoutMs);  // a portal still starting answers late
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        throw Error("桌面入口拒絕了截圖 (the desktop portal refused the screenshot: " + Text(reply.errorMessage()) + ")");
    waiter.Listen(qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path());

    const auto answer = waiter.Wait(timeoutMs);
    if (!answer) throw Error("桌面入口沒有回應截圖的要求 (the desktop portal did not answer the screenshot request)");
    if (answer->first == 1) throw Error("截圖已被取消 (the screenshot was cancelled)");
    const auto file = answer->first == 0 ? FileOf(answer->second.value("uri").toString()) : std::nullopt;
    if (!file) throw Error("桌面入口無法截圖 (the desktop portal could not take the screenshot)");
    // The portal's passing copy is ours to remove, read or not.
    struct Removed {
        QString file;
        ~Removed() { if (!file.isEmpty()) QFile::remove(file); }
    } removed{file->passing ? file->path : QString()};
    return Decoded(file->path);
}

}  // namespace dudo

#include "portal_screenshot.moc"
