// Test helpers: a temporary folder and independent decoders (libpng,
// libjpeg's decompressor, giflib's reader) for the files we write.
#pragma once
#include <filesystem>
#include <set>
#include <string>

#include "imagelib/picture.h"

namespace dudo::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& path() const { return path_; }
    std::set<std::string> files() const;

private:
    std::filesystem::path path_;
};

struct Decoded {
    Picture picture;
    int channels = 0;        // 1 grey, 3 colour
    bool palette = false;    // PNG colour type 3
    bool interlaced = false;
};

Decoded DecodePng(const std::filesystem::path& file);
Decoded DecodeJpeg(const std::filesystem::path& file);
Decoded DecodeGif(const std::filesystem::path& file);

std::size_t ColourCount(const Picture& picture);
bool AllGrey(const Picture& picture);
// A screen-like picture: flat areas, text-like strokes, a gradient, noise.
Picture ScreenLike(int width, int height);
// A file's bytes as a string; empty when it cannot be read.
std::string FileContents(const std::filesystem::path& file);

}  // namespace dudo::test
