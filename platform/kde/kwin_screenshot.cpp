#include "platform/kde/kwin_screenshot.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <vector>

#include "imagelib/limits.h"

namespace dudo {

namespace {

const char* const kService = "org.kde.KWin.ScreenShot2";
const char* const kNotAllowed = "org.kde.KWin.ScreenShot2.Error.NoAuthorized";

// The pipe's ends, closed however the request ends.
struct Pipe {
    int read = -1, write = -1;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) throw Error(std::string("無法建立管道 (cannot make a pipe): ") + std::strerror(errno));
        read = ends[0], write = ends[1];
    }
    ~Pipe() {
        for (int fd : {read, write})
            if (fd >= 0) close(fd);
    }
};

// KWin writes the pixels after its answer, from a thread of its own: all
// of them, up to the end of the pipe, each part within a few seconds.
std::vector<char> ReadAll(int fd, std::size_t expected) {
    std::vector<char> data(expected);
    std::size_t got = 0;
    for (pollfd wait{fd, POLLIN, 0}; got < expected;) {
        if (poll(&wait, 1, 5000) <= 0) throw Error("KWin 沒有送來截圖 (KWin sent no picture)");
        const ssize_t n = ::read(fd, data.data() + got, expected - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw Error("KWin 的截圖不完整 (KWin's picture came incomplete)");
        got += static_cast<std::size_t>(n);
    }
    return data;
}

uint Number(const QVariantMap& results, const char* key) { return results.value(key).toUInt(); }

}  // namespace

// KWin's word on the picture, checked in 64 bits and against the pixel
// budget before anything of that size is made.
std::optional<std::size_t> KwinScreenshot::PictureBytes(std::uint32_t width, std::uint32_t height, std::uint32_t stride, std::uint32_t format) {
    const long long w = width, h = height, s = stride;
    const long long bytesPerPixel = format > QImage::Format_Invalid && format < QImage::NImageFormats
                                        ? QImage::toPixelFormat(static_cast<QImage::Format>(format)).bitsPerPixel() / 8 : 0;
    if (w <= 0 || h <= 0 || w > kPixelBudget / h || bytesPerPixel < 1 || s < w * bytesPerPixel || s > w * bytesPerPixel + 4096) return std::nullopt;
    return static_cast<std::size_t>(s * h);
}

bool KwinScreenshot::Offered() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(kService).value();
}

Picture KwinScreenshot::Take(bool withPointer) {
    Pipe pipe;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, "/org/kde/KWin/ScreenShot2", kService, "CaptureWorkspace");
    call << QVariantMap{{"include-cursor", withPointer}, {"native-resolution", true}}
         << QVariant::fromValue(QDBusUnixFileDescriptor(pipe.write));
    close(pipe.write), pipe.write = -1;  // the bus holds its own copy; ours would keep the pipe from ending
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    call = QDBusMessage();  // and its copy: a writer that stops short then ends the pipe
    if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == kNotAllowed)
        throw NotAllowed("KWin 不允許 dudo 擷取螢幕 (KWin does not allow dudo to take screenshots)");
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        throw Error("KWin 拒絕了截圖 (KWin refused the screenshot: " + reply.errorMessage().toStdString() + ")");

    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().first());
    const uint width = Number(results, "width"), height = Number(results, "height"), stride = Number(results, "stride");
    const auto format = static_cast<QImage::Format>(Number(results, "format"));
    const std::optional<std::size_t> bytes = PictureBytes(width, height, stride, Number(results, "format"));
    if (!bytes) throw Error("KWin 的截圖大小不對 (KWin's picture has an unusable size)");
    const std::vector<char> data = ReadAll(pipe.read, *bytes);
    // Whatever format KWin chose, as a screen copy gives it: 0xFFRRGGBB.
    const QImage image = QImage(reinterpret_cast<const uchar*>(data.data()), static_cast<int>(width), static_cast<int>(height),
                                static_cast<qsizetype>(stride), format).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) throw Error("KWin 的截圖格式不明 (KWin's picture has an unknown format)");
    Picture picture = Picture::Sized(image.width(), image.height(), {});
    for (int y = 0; y < image.height(); ++y) std::memcpy(picture.row(y), image.constScanLine(y), static_cast<std::size_t>(image.width()) * 4);
    return picture;
}

namespace {
const char* const kSelfDeclaration = "io.github.dudo.Dudo-kwin.desktop";
}  // namespace

std::string KwinScreenshot::DeclareSelf(const std::string& executable) { return Declare(kSelfDeclaration, "dudo", executable, ""); }

bool KwinScreenshot::UndeclareSelf() {
    return QFile::remove(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + "/" + kSelfDeclaration);
}

// A quoted argument of an Exec line, as the desktop entry format has it:
// '"', '`', '$' and '\' escaped with a backslash inside the quotes, '%'
// doubled, then the string value's own escaping, which doubles every
// backslash. A line break cannot be written at all.
std::string KwinScreenshot::QuotedExecArgument(const std::string& argument) {
    if (argument.find_first_of("\n\r") != std::string::npos)
        throw Error("dudo 的路徑無法寫入桌面檔 (dudo's path cannot be written into a desktop file): " + argument);
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
        if (c == '\\') quoted += "\\\\\\";
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return quoted + "\"";
}

// KWin takes the first word of Exec as the executable's path; quoted, so
// that it may hold spaces and the characters the format reserves.
std::string KwinScreenshot::Declare(const std::string& fileName, const std::string& name, const std::string& executable,
                                    const std::string& arguments) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    const QString file = folder + "/" + QString::fromStdString(fileName);
    QSaveFile out(file);
    const std::string entry = "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + QuotedExecArgument(executable) + arguments +
                              "\nNoDisplay=true\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n";
    if (!QDir().mkpath(folder) || !out.open(QIODevice::WriteOnly) || out.write(entry.data(), static_cast<qint64>(entry.size())) < 0 || !out.commit())
        throw Error("無法寫入 " + file.toStdString() + " (cannot write it: " + out.errorString().toStdString() + ")");
    return file.toStdString();
}

}  // namespace dudo
