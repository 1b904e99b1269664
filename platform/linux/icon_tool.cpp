// Build tool: writes the program's picture as PNG files into a freedesktop
// icon theme tree (<folder>/<n>x<n>/apps/dudo.png) for installing.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "platform/linux/program_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <icon folder>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
        if (!QDir().mkpath(folder) || !dudo::ProgramPicture(size).save(folder + "/dudo.png")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
