// The portal's "uri", any text: a file or none, and the passing copy we may
// remove only straight in a temporary folder.
#include <QDir>
#include <QFileInfo>
#include <cstdint>

#include "platform/desktop/portal_screenshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = dudo::PortalScreenshot::FileOf(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!file || !file->passing) return 0;
    const QString folder = QFileInfo(file->path).absolutePath();
    if (folder != QFileInfo("/tmp").canonicalFilePath() && folder != QFileInfo("/var/tmp").canonicalFilePath() &&
        folder != QFileInfo(QDir::tempPath()).canonicalFilePath())
        __builtin_trap();
    return 0;
}
