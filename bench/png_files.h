// The corpus's screens read into pictures, and libpng's own file of a
// picture at zlib's level 6 with its adaptive filters: the size both PNG
// benches hold ours against.
#pragma once
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "imagelib/image.h"

namespace dudo::bench {

inline Image LoadPng(const std::filesystem::path& file) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, file.c_str())) throw std::runtime_error("cannot read " + file.string());
    png.format = PNG_FORMAT_BGRA;
    Image image;
    image.pixels = Picture::Filled(static_cast<int>(png.width), static_cast<int>(png.height), 0xFF000000u);
    if (!png_image_finish_read(&png, nullptr, image.pixels.row(0), image.pixels.stride * 4, nullptr))
        throw std::runtime_error("cannot decode " + file.string());
    return image;
}

inline std::size_t LibpngLevel6Size(const Image& image) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.width()) * image.height() * 3);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t p = image.pixels.at(x, y);
            std::uint8_t* o = &rgb[(static_cast<std::size_t>(y) * image.width() + x) * 3];
            o[0] = Red(p), o[1] = Green(p), o[2] = Blue(p);
        }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width();
    png.height = image.height();
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<std::uint8_t> out(size);
    png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), 0, nullptr);
    return size;
}

// The corpus's screens of one size, named kind-WIDTHxHEIGHT.png.
inline std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& folder, const std::string& size = "") {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".png" && entry.path().stem().string().ends_with(size))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace dudo::bench
