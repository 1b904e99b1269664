// The library's current image: true-colour pixels, and once its colours are
// reduced, the palette and one index per pixel as well, so that encoders can
// write indexed files.
#pragma once
#include <cstdint>
#include <vector>

#include "imagelib/picture.h"

namespace dudo {

class Image {
public:
    int width() const { return pixels.width; }
    int height() const { return pixels.height; }
    bool empty() const { return pixels.empty(); }
    bool indexed() const { return !palette.empty(); }

    Picture pixels;                      // always holds the pixels, palette or not
    std::vector<std::uint32_t> palette;  // empty: true colour
    std::vector<std::uint8_t> indices;   // width * height, when indexed
    bool grey = false;                   // every pixel has R = G = B
};

}  // namespace dudo
