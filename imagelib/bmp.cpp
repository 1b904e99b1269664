// BMP is simple enough to write and read ourselves: 24-bit bottom-up rows
// out; uncompressed 1, 4, 8, 24 and 32-bit files in, every field checked.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/error.h"
#include "imagelib/codecs.h"
#include "imagelib/limits.h"

namespace dudo {

namespace {

void Put16(Bytes& out, std::uint16_t v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
void Put32(Bytes& out, std::uint32_t v) {
    out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
}

std::uint32_t Get32(std::span<const std::uint8_t> f, std::size_t at) {
    return f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (std::uint32_t(f[at + 3]) << 24);
}
std::uint16_t Get16(std::span<const std::uint8_t> f, std::size_t at) { return f[at] | (f[at + 1] << 8); }

[[noreturn]] void Bad(const std::string& why) { throw Error("BMP：檔案無效 (invalid file: " + why + ")"); }

}  // namespace

// Rows go out bottom-up as they are made, a few at a time: the file is never
// held whole in memory.
void EncodeBmp(const Image& image, const ByteSink& sink) {
    if (image.empty()) throw Error("BMP：圖像是空的 (empty image)");
    const std::size_t rowBytes = (static_cast<std::size_t>(image.width()) * 3 + 3) & ~std::size_t(3);
    const std::size_t dataSize = rowBytes * image.height();
    if (dataSize + 54 > 0xFFFFFFFFu) throw Error("BMP：圖像太大 (image too large)");
    Bytes out;
    out.reserve(54);
    out.insert(out.end(), {'B', 'M'});
    Put32(out, static_cast<std::uint32_t>(54 + dataSize));
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, image.width());
    Put32(out, image.height());
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, static_cast<std::uint32_t>(dataSize));
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    sink(out);
    const int rowsAtOnce = static_cast<int>(std::max<std::size_t>(1, (256u << 10) / rowBytes));
    out.assign(rowBytes * rowsAtOnce, 0);  // the padding stays zero
    for (int done = 0; done < image.height();) {
        const int rows = std::min(rowsAtOnce, image.height() - done);
        for (int i = 0; i < rows; ++i) {
            std::uint8_t* row = out.data() + rowBytes * i;
            const std::uint32_t* px = image.pixels.row(image.height() - 1 - done - i);
            for (int x = 0; x < image.width(); ++x) {
                row[3 * x] = Blue(px[x]);
                row[3 * x + 1] = Green(px[x]);
                row[3 * x + 2] = Red(px[x]);
            }
        }
        sink(std::span<const std::uint8_t>(out.data(), rowBytes * rows));
        done += rows;
    }
}

Bytes EncodeBmp(const Image& image) {
    return Collect([&](const ByteSink& sink) { EncodeBmp(image, sink); });
}

Image DecodeBmp(std::span<const std::uint8_t> f) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') Bad("no BMP header");
    const std::uint32_t dataOffset = Get32(f, 10);
    const std::uint32_t headerSize = Get32(f, 14);
    if (headerSize < 40 || 14ull + headerSize > f.size()) Bad("header size");
    const std::int32_t width = static_cast<std::int32_t>(Get32(f, 18));
    const std::int32_t rawHeight = static_cast<std::int32_t>(Get32(f, 22));
    const int bits = Get16(f, 28);
    const std::uint32_t compression = Get32(f, 30);
    if (compression != 0 && !(compression == 3 && bits == 32)) Bad("compressed data");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Bad("bits per pixel");
    if (rawHeight == INT32_MIN) Bad("height");
    const bool topDown = rawHeight < 0;
    const long long height = topDown ? -static_cast<long long>(rawHeight) : rawHeight;
    const std::size_t pixelCount = CheckedPixelCount(width, height, "BMP");
    (void)pixelCount;
    const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (dataOffset > f.size() || rowBytes * height > f.size() - dataOffset) Bad("truncated pixel data");

    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        std::uint32_t colours = Get32(f, 46);
        if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
        const std::size_t at = 14 + headerSize;
        if (at + 4ull * colours > dataOffset) Bad("palette");
        for (std::uint32_t i = 0; i < colours; ++i) palette.push_back(Rgb(f[at + 4 * i + 2], f[at + 4 * i + 1], f[at + 4 * i]));
    }
    Image image;
    image.pixels = Picture::Filled(width, static_cast<int>(height), Rgb(0, 0, 0));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = f.data() + dataOffset + rowBytes * (topDown ? y : height - 1 - y);
        std::uint32_t* out = image.pixels.row(y);
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                out[x] = Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            } else if (bits == 32) {
                out[x] = Rgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
            } else {
                const int perByte = 8 / bits;
                const unsigned index = (row[x / perByte] >> (8 - bits * (x % perByte + 1))) & ((1u << bits) - 1);
                out[x] = index < palette.size() ? palette[index] : Rgb(0, 0, 0);
            }
        }
    }
    return image;
}

}  // namespace dudo
