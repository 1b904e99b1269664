// Build tool: writes the program's picture as PNG files into a freedesktop
// icon theme tree (<folder>/<n>x<n>/apps/dudo.png) for installing, and with
// --ico <file> as the Windows icon (16, 24, 32, 48 and 256 px, with
// alpha) that platform/windows/dudo.rc embeds.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QtEndian>
#include <cstdio>

#include "platform/qt/program_icon.h"

namespace {

template <class T> void Put(QByteArray& out, T value) {
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

// One icon image as the resource compiler takes it: a BITMAPINFOHEADER of
// twice the height, the colour rows bottom-up, then the 1-bit mask rows; the
// largest as PNG, as Windows reads it since Vista, to keep the file small.
QByteArray IconImage(int size) {
    const QImage image = dudo::ProgramPicture(size).toImage().convertToFormat(QImage::Format_ARGB32);
    QByteArray out;
    if (size == 256) {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return out;
    }
    const int maskStride = (size + 31) / 32 * 4;
    for (std::uint32_t v : {40u, std::uint32_t(size), std::uint32_t(size * 2)}) Put<std::uint32_t>(out, v);
    Put<std::uint16_t>(out, 1);
    Put<std::uint16_t>(out, 32);
    for (std::uint32_t v : {0u, std::uint32_t(size * size * 4 + maskStride * size), 0u, 0u, 0u, 0u}) Put<std::uint32_t>(out, v);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) Put<std::uint32_t>(out, image.pixel(x, y));
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskStride, 0);
        for (int x = 0; x < size; ++x)
            if (qAlpha(image.pixel(x, y)) == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

bool WriteIco(const QString& file) {
    const int sizes[] = {16, 24, 32, 48, 256};
    QByteArray directory, images;
    Put<std::uint16_t>(directory, 0);
    Put<std::uint16_t>(directory, 1);
    Put<std::uint16_t>(directory, std::size(sizes));
    std::uint32_t offset = 6 + 16 * std::size(sizes);
    for (int size : sizes) {
        const QByteArray image = IconImage(size);
        directory.append(char(size & 0xFF)).append(char(size & 0xFF)).append(char(0)).append(char(0));  // 256 is written as 0
        Put<std::uint16_t>(directory, 1);
        Put<std::uint16_t>(directory, 32);
        Put<std::uint32_t>(directory, image.size());
        Put<std::uint32_t>(directory, offset);
        offset += image.size();
        images.append(image);
    }
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(directory + images) == directory.size() + images.size();
}

}  // namespace

int main(int argc, char** argv) {
    const bool ico = argc == 3 && QString(argv[1]) == "--ico";
    if (argc != 2 && !ico) {
        std::fprintf(stderr, "usage: %s <icon folder> | --ico <file>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (ico) return WriteIco(argv[2]) ? 0 : 1;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
        if (!QDir().mkpath(folder) || !dudo::ProgramPicture(size).save(folder + "/dudo.png")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
