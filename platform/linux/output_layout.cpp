#include "platform/linux/output_layout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace dudo {

namespace {

int Width(const Rect& r) { return r.right - r.left; }
int Height(const Rect& r) { return r.bottom - r.top; }

// Pixels per logical unit along one axis. A compositor rounds an output's
// logical size (1280 pixels at 1.5 are 853 units), so the ratio of the two
// is not quite the scale it uses; scales are set in 120ths (as the
// fractional-scale protocol carries them), and the nearest one that gives
// the output's pixels within one is taken.
double ScaleOf(int pixels, int logical) {
    const double ratio = static_cast<double>(pixels) / logical;
    const double snapped = std::round(ratio * 120) / 120;
    return std::abs(snapped * logical - pixels) <= 1 ? snapped : ratio;
}

// A logical place along one axis in the screen's pixels: rounded, with the
// screen's own edges exactly on its first and last pixel.
int Scaled(int at, int start, int end, int pixels) {
    if (at == end) return pixels;
    return static_cast<int>(std::llround((at - start) * ScaleOf(pixels, std::max(1, end - start))));
}

}  // namespace

Rect ToScreenPixels(const Rect& logical, const OutputGeometry& screen) {
    const Rect& o = screen.logical;
    const Size& p = screen.pixels;
    return {Scaled(logical.left, o.left, o.right, p.width), Scaled(logical.top, o.top, o.bottom, p.height),
            Scaled(logical.right, o.left, o.right, p.width), Scaled(logical.bottom, o.top, o.bottom, p.height)};
}

bool WholeScale(const OutputGeometry& output) {
    const int w = Width(output.logical), h = Height(output.logical);
    return w > 0 && h > 0 && output.pixels.width % w == 0 && output.pixels.height % h == 0 &&
           output.pixels.width / w == output.pixels.height / h;
}

OutputRequest RequestFor(const OutputGeometry& output, const OutputGeometry& screen, const Rect& part) {
    const Rect place = ToScreenPixels(output.logical, screen);
    if (!WholeScale(output) || !WholeScale(screen))
        return {{0, 0, Width(output.logical), Height(output.logical)}, place};
    // The part widened to whole logical units, each `s` of the screen's pixels.
    const int s = screen.pixels.width / Width(screen.logical);
    const Rect region{(part.left - place.left) / s, (part.top - place.top) / s, (part.right - place.left + s - 1) / s,
                      (part.bottom - place.top + s - 1) / s};
    return {region, {place.left + region.left * s, place.top + region.top * s, place.left + region.right * s, place.top + region.bottom * s}};
}

void Resample(const PixelSource& from, const Rect& shows, const Rect& part, int x, int y, Picture& surface) {
    if (Width(shows) <= 0 || Height(shows) <= 0 || from.width <= 0 || from.height <= 0) return;
    const auto sourceIndex = [](int at, int start, int span, int size) {
        const long long index = (static_cast<long long>(at - start) * size * 2 + size) / (2LL * span);  // the middle of the pixel
        return static_cast<int>(std::clamp<long long>(index, 0, size - 1));
    };
    std::vector<int> columns(static_cast<std::size_t>(Width(part)));
    for (int i = 0; i < Width(part); ++i) columns[i] = sourceIndex(part.left + i, shows.left, Width(shows), from.width);
    for (int row = part.top; row < part.bottom; ++row) {
        const int sy = sourceIndex(row, shows.top, Height(shows), from.height);
        const auto* line = reinterpret_cast<const std::uint32_t*>(from.data + static_cast<std::size_t>(from.flipped ? from.height - 1 - sy : sy) * from.stride);
        std::uint32_t* to = surface.row(row - y) + (part.left - x);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::uint32_t p = line[columns[i]];
            to[i] = 0xFF000000u | (from.swapRedBlue ? ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF) : p & 0xFFFFFF);
        }
    }
}

}  // namespace dudo
