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
    explicit TempFolder(const std::string& prefix = "dudo-test-");
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
// That part of a PNG file's picture; black where the picture ends.
Picture PngPart(const std::filesystem::path& file, int x, int y, int width, int height);

std::size_t ColourCount(const Picture& picture);
bool AllGrey(const Picture& picture);
// A screen-like picture: flat areas, text-like strokes, a gradient, noise.
Picture ScreenLike(int width, int height);
// Where the picture's w x h area at (fx, fy) differs from the null
// platform's pattern on the screen area at (sx, sy); empty where it matches.
template <typename Pattern>
std::string PatternMismatch(const Picture& p, int fx, int fy, int w, int h, int sx, int sy, Pattern pattern) {
    if (p.width < fx + w || p.height < fy + h) return "only " + std::to_string(p.width) + "x" + std::to_string(p.height);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((p.at(fx + x, fy + y) ^ pattern(sx + x, sy + y)) & 0xFFFFFF) return "at " + std::to_string(x) + "," + std::to_string(y);
    return "";
}
// A file's bytes as a string; empty when it cannot be read.
std::string FileContents(const std::filesystem::path& file);

}  // namespace dudo::test
