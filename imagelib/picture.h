// A picture in memory: the capture surface and the image library meet here.
// Pixels are 32-bit words 0xAARRGGBB in native order (bytes B, G, R, A on
// little-endian machines, as X11 and Win32 screen copies deliver them); rows
// are `stride` pixels apart. The picture owns its buffer.
#pragma once
#include <cstdint>
#include <vector>

namespace dudo {

struct Picture {
    int width = 0;
    int height = 0;
    int stride = 0;  // in pixels
    std::vector<std::uint32_t> pixels;

    // A picture of the given size filled with `colour`. Refuses sizes beyond
    // the pixel budget (see imagelib/limits.h).
    static Picture Filled(int width, int height, std::uint32_t colour);
    // The same, in the memory of `recycled` when it is large enough: a fresh
    // frame costs more in page faults than in filling.
    static Picture Filled(int width, int height, std::uint32_t colour, Picture&& recycled);
    // Of the given size in the memory of `recycled`, its pixels left as they
    // are (new ones black): for a caller that writes every pixel.
    static Picture Sized(int width, int height, Picture&& recycled);

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * stride; }
    const std::uint32_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * stride; }
    std::uint32_t at(int x, int y) const { return row(y)[x]; }
};

inline std::uint8_t Red(std::uint32_t p) { return (p >> 16) & 0xFF; }
inline std::uint8_t Green(std::uint32_t p) { return (p >> 8) & 0xFF; }
inline std::uint8_t Blue(std::uint32_t p) { return p & 0xFF; }
inline std::uint8_t Alpha(std::uint32_t p) { return p >> 24; }
inline std::uint32_t Rgb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

}  // namespace dudo
