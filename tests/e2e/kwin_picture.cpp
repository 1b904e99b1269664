// KWin's own picture of the whole workspace, in its outputs' own pixels and
// with the pointer, as the program takes it by default,
// written as PNG to the file named: what the KDE rows compare pictures
// with at any scale (its older interface gives logical pixels only).
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QImage>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int ends[2];
    if (argc != 2 || pipe2(ends, O_CLOEXEC) != 0) return 2;
    QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace");
    call << QVariantMap{{"native-resolution", true}, {"include-cursor", true}} << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    close(ends[1]);
    if (reply.type() != QDBusMessage::ReplyMessage) return std::fprintf(stderr, "%s\n", qPrintable(reply.errorMessage())), 1;
    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().at(0));
    const int width = results["width"].toInt(), height = results["height"].toInt(), stride = results["stride"].toInt();
    std::vector<uchar> pixels(static_cast<std::size_t>(stride) * height);
    for (ssize_t got = 0, n = 1; got < static_cast<ssize_t>(pixels.size()); got += n)
        if ((n = read(ends[0], pixels.data() + got, pixels.size() - got)) <= 0) return 1;
    return QImage(pixels.data(), width, height, stride, static_cast<QImage::Format>(results["format"].toInt())).save(argv[1]) ? 0 : 1;
}
