#include "tests/unit/test_files.h"

#include <gif_lib.h>
#include <png.h>

#include <cstdio>
#include <jpeglib.h>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "common/utf8.h"

namespace dudo::test {

TempFolder::TempFolder(const std::string& prefix) {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("no temporary folder");
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all);  // private, as a runtime folder is
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> TempFolder::files() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.insert(Utf8FromPath(entry.path().filename()));
    return names;
}

Decoded DecodePng(const std::filesystem::path& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::string bytes = FileContents(file);
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) throw std::runtime_error(image.message);
    Decoded out;
    out.palette = image.format & PNG_FORMAT_FLAG_COLORMAP;
    out.channels = (image.format & PNG_FORMAT_FLAG_COLOR) ? 3 : 1;
    image.format = PNG_FORMAT_BGRA;
    out.picture = Picture::Filled(image.width, image.height, 0);
    if (!png_image_finish_read(&image, nullptr, out.picture.pixels.data(), 0, nullptr))
        throw std::runtime_error(image.message);
    return out;
}

Decoded DecodeJpeg(const std::filesystem::path& file) {
    const std::string bytes = FileContents(file);
    if (bytes.empty()) throw std::runtime_error("open");
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    Decoded out;
    out.channels = info.num_components;
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    out.picture = Picture::Filled(info.output_width, info.output_height, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(out.picture.row(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

Decoded DecodeGif(const std::filesystem::path& file) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(file.string().c_str(), &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) throw std::runtime_error("gif");
    Decoded out;
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    out.interlaced = frame.ImageDesc.Interlace;
    out.palette = true;
    out.channels = 3;
    const int w = frame.ImageDesc.Width, h = frame.ImageDesc.Height;
    out.picture = Picture::Filled(w, h, 0);
    // DGifSlurp puts interlaced rows back in display order.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const GifColorType c = map->Colors[frame.RasterBits[static_cast<std::size_t>(y) * w + x]];
            out.picture.row(y)[x] = Rgb(c.Red, c.Green, c.Blue);
        }
    DGifCloseFile(gif, &error);
    return out;
}

std::size_t ColourCount(const Picture& picture) {
    std::set<std::uint32_t> colours;  // of a decoded picture, whose rows lie end to end
    for (std::uint32_t p : picture.pixels) colours.insert(p & 0xFFFFFF);
    return colours.size();
}

bool AllGrey(const Picture& picture) {  // of a decoded picture, whose rows lie end to end
    return std::all_of(picture.pixels.begin(), picture.pixels.end(), [](std::uint32_t p) { return Red(p) == Green(p) && Green(p) == Blue(p); });
}

std::string FileContents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

Picture ScreenLike(int width, int height) {
    Picture p = Picture::Filled(width, height, Rgb(240, 240, 240));
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t& px = p.row(y)[x];
            if (y < height / 12) px = Rgb(0, 120, 215);                                       // title bar
            else if (x < width / 5) px = Rgb(32, 32, 40);                                     // side panel
            else if ((y / 14) % 3 == 0 && (x * 7 + y * 3) % 11 < 4) px = Rgb(20, 20, 20);    // text-like strokes
            else if (y > height * 2 / 3 && x > width / 2) {                                    // photo area
                const std::uint32_t n = next() >> 24;
                px = Rgb((x * 255 / width + n / 8) & 0xFF, (y * 255 / height) & 0xFF, (n / 2 + 64) & 0xFF);
            } else if (y > height / 2) px = Rgb(x * 255 / width, 128, 255 - x * 255 / width);  // gradient
        }
    return p;
}

Picture PngPart(const std::filesystem::path& file, int x, int y, int width, int height) {
    const Picture whole = DecodePng(file).picture;
    Picture part = Picture::Filled(width, height, 0);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            if (x + column < whole.width && y + row < whole.height) part.row(row)[column] = whole.at(x + column, y + row);
    return part;
}

}  // namespace dudo::test
