// KWin's word on its picture, any numbers: what is accepted is within the
// pixel budget, and a picture of that size and format reads within its bytes.
#include <QImage>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imagelib/limits.h"
#include "platform/kde/kwin_screenshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 16) return 0;
    std::uint32_t v[4];
    std::memcpy(v, data, sizeof v);
    const auto bytes = dudo::KwinScreenshot::PictureBytes(v[0] % 4096, v[1] % 4096, v[2], v[3]);  // sizes a picture here can have
    if (!bytes) return 0;
    if (static_cast<long long>(v[0] % 4096) * (v[1] % 4096) > dudo::kPixelBudget) __builtin_trap();
    std::vector<uchar> pixels(*bytes);
    const QImage image(pixels.data(), static_cast<int>(v[0] % 4096), static_cast<int>(v[1] % 4096), static_cast<qsizetype>(v[2]),
                       static_cast<QImage::Format>(v[3]));
    (void)image.convertToFormat(QImage::Format_RGB32);
    (void)dudo::KwinScreenshot::PictureBytes(v[0], v[1], v[2], v[3]);  // and the numbers as they came
    return 0;
}
