#include "imagelib/image_library.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <gif_lib.h>
#include <jconfig.h>
#include <libdeflate.h>
#include <libimagequant.h>
#include <pixman.h>

#include <fstream>
#include <iterator>

#include "common/error.h"
#include "common/utf8.h"
#include "imagelib/codecs.h"
#include "imagelib/colour_reduction.h"
#include "imagelib/resize.h"
#include "imagelib/safe_file.h"

namespace dudo {

namespace {

std::string JpegTurboVersion() {
    const int n = LIBJPEG_TURBO_VERSION_NUMBER;
    return std::to_string(n / 1000000) + "." + std::to_string(n / 1000 % 1000) + "." + std::to_string(n % 1000);
}

}  // namespace

const char* Extension(FileFormat format) {
    switch (format) {
        case FileFormat::Jpeg: return ".jpg";
        case FileFormat::Gif: return ".gif";
        case FileFormat::Png: return ".png";
        case FileFormat::Bmp: return ".bmp";
    }
    return "";
}

std::string ImageLibrary::VersionText() const {
    return std::string("dudo imagelib 1.0: PNG libdeflate ") + LIBDEFLATE_VERSION_STRING + ", JPEG libjpeg-turbo " +
           JpegTurboVersion() + ", GIF giflib " + std::to_string(GIFLIB_MAJOR) + "." +
           std::to_string(GIFLIB_MINOR) + "." + std::to_string(GIFLIB_RELEASE) + ", libimagequant " +
           LIQ_VERSION_STRING + ", pixman " + pixman_version_string();
}

void ImageLibrary::LoadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error("無法開啟檔案 (cannot open file) " + Utf8FromPath(path));
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    image_ = DecodeBmp(bytes);
}

void ImageLibrary::NewImage(int width, int height, std::uint32_t background) {
    image_ = Image{};
    image_.pixels = Picture::Filled(width, height, 0xFF000000u | background);
}

std::filesystem::path ImageLibrary::SaveFile(const std::string& baseName) {
    if (image_.empty())
        throw Error("無法存檔 (cannot save)：圖像是空的 (empty image, " + std::to_string(image_.width()) + " x " +
                    std::to_string(image_.height()) + ")");
    // The file is written as it is encoded.
    const std::filesystem::path saved = WriteNewFile(folder_, baseName, Extension(settings_.format), [&](const ByteSink& sink) {
        switch (settings_.format) {
            case FileFormat::Png: png_.Encode(image_, PngEffortOf(settings_.pngCompression), sink); break;
            case FileFormat::Jpeg: EncodeJpeg(image_, settings_.jpegQuality, sink); break;
            case FileFormat::Gif: sink(EncodeGif(image_, settings_.gifInterlaced, settings_.gif89a)); break;
            case FileFormat::Bmp: EncodeBmp(image_, sink); break;
        }
    });
#ifdef __GLIBC__
    // An encoder's memory, freed out of order, is left in the allocator's
    // heaps, where it would keep the next save's peak and the idle program a
    // few megabytes higher: given back once the file is whole, not before.
    malloc_trim(0);
#endif
    return saved;
}

void ImageLibrary::SaveFormat(int code) {
    if (code < 1 || code > 4) throw Error("存檔格式無效 (invalid save format " + std::to_string(code) + ")");
    settings_.format = static_cast<FileFormat>(code);
}

void ImageLibrary::JpegQuality(int quality) {
    if (quality < 0 || quality > 100) throw Error("JPEG 品質無效 (invalid quality " + std::to_string(quality) + ")");
    settings_.jpegQuality = quality;
}

void ImageLibrary::PngCompression(int level) {
    if (level < 1 || level > 7) throw Error("PNG 壓縮比率無效 (invalid compression " + std::to_string(level) + ")");
    settings_.pngCompression = level;
}

void ImageLibrary::JpegFlag(bool on) { settings_.jpegFlag = on; }
void ImageLibrary::GifFlagA(bool on) { settings_.gifInterlaced = on; }
void ImageLibrary::GifFlagB(bool on) { settings_.gif89a = on; }

void ImageLibrary::Resize(int width, int height) { image_ = Resized(image_, width, height); }

void ImageLibrary::ReduceColours(int colourCode, int /*dither*/, int greyFlag) {
    if (image_.empty()) return;  // nothing to convert; saving reports the empty image
    if (greyFlag == 1) MakeGrey(image_);
    if (colourCode == 0) return;
    if (colourCode == 1) {
        MakeBlackAndWhite(image_);
        return;
    }
    if (colourCode < 2 || colourCode > 256)
        throw Error("顏色數目無效 (invalid colour count " + std::to_string(colourCode) + ")");
    image_ = Quantise(image_, colourCode, /*dithered=*/false);
}

Picture ImageLibrary::ReleasePixels() {
    Picture pixels = std::move(image_.pixels);
    image_ = Image{};
    return pixels;
}

void ImageLibrary::FromPicture(Picture&& picture) {
    image_ = Image{};
    image_.pixels = std::move(picture);
    picture = Picture{};
    // Screen copies are opaque already: look before writing a whole frame.
    std::uint32_t all = 0xFFFFFFFFu;
    for (std::uint32_t p : image_.pixels.pixels) all &= p;
    if (Alpha(all) == 0xFF) return;
    for (int y = 0; y < image_.pixels.height; ++y) {
        std::uint32_t* row = image_.pixels.row(y);
        for (int x = 0; x < image_.pixels.width; ++x) row[x] |= 0xFF000000u;
    }
}

void ImageLibrary::FromPicture(const Picture& picture) { FromPicture(Picture(picture)); }

}  // namespace dudo
