#include "platform/qt/desktop_notifications.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QImage>
#include <algorithm>

#include "platform/qt/program_icon.h"

namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";

// The "image-data" hint: width, height, row stride, alpha, bits per
// sample, channels, then the RGBA bytes.
struct ImageData {
    QImage image;
};

QDBusArgument& operator<<(QDBusArgument& out, const ImageData& data) {
    const QImage& i = data.image;
    out.beginStructure();
    out << i.width() << i.height() << static_cast<int>(i.bytesPerLine()) << true << 8 << 4
        << QByteArray(reinterpret_cast<const char*>(i.constBits()), static_cast<int>(i.sizeInBytes()));
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ImageData&) { return in; }

}  // namespace

Q_DECLARE_METATYPE(ImageData)

namespace dudo {

bool DesktopNotifications::Available() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(kService).value();
}

bool DesktopNotifications::Show(const QString& title, const QString& text, int timeoutMs) {
    static const QMetaType registered = qDBusRegisterMetaType<ImageData>();
    (void)registered;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
    const ImageData picture{ProgramPicture(48).toImage().convertToFormat(QImage::Format_RGBA8888)};
    const QVariantMap hints = {{"image-data", QVariant::fromValue(picture)},
                               {"desktop-entry", QString("io.github.dudo.Dudo")}};
    // The same bounds on a balloon's time as the program's own popup.
    call << QString("dudo") << lastId_ << QString("dudo") << title << text << QStringList() << hints
         << std::clamp(timeoutMs, 1500, 10000);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    lastId_ = reply.arguments().first().toUInt();
    return true;
}

}  // namespace dudo
