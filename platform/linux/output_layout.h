// Where a compositor's outputs lie, in the screen's pixels. A compositor
// places its outputs in logical units, and each shows its part at its own
// scale, which need not be a whole number (1.25 and 1.5 are common). The
// screen is one output in its own pixels, taken as they are; the others lie
// around it at its scale and are resampled to it. Plain arithmetic, no
// window-system header: the Wayland screen copy, KWin's and the portal's
// pictures all go through it.
#pragma once
#include <cstdint>

#include "imagelib/picture.h"
#include "platform/platform.h"

namespace dudo {

struct OutputGeometry {
    Rect logical;  // its place in the layout
    Size pixels;   // the pixels it shows
};

// A rectangle of the layout in the screen's pixels. The screen's own place
// comes out as exactly its pixels, whatever its scale.
Rect ToScreenPixels(const Rect& logical, const OutputGeometry& screen);

// Whether a logical unit of the output is a whole number of its pixels, the
// same across and down: only then does a region of whole logical units
// start and end on its pixels.
bool WholeScale(const OutputGeometry& output);

// What to ask an output for so that `part` of the screen (in the screen's
// pixels) comes from it: a region in the output's logical units, from its
// corner, and the part of the screen the compositor's picture of it shows.
// Where either scale is a fraction, the whole output: a region then need
// not start on a pixel of either.
struct OutputRequest {
    Rect region;
    Rect shows;
};
OutputRequest RequestFor(const OutputGeometry& output, const OutputGeometry& screen, const Rect& part);

// Pixels to take from: 32-bit words in rows `stride` bytes apart, red and
// blue in the order of XRGB unless swapped, the last row first if flipped.
struct PixelSource {
    const std::uint8_t* data;
    int width, height;
    std::uint32_t stride;
    bool swapRedBlue, flipped;
};

// Fills `part` of the surface, which lies at (x, y) on the screen, from a
// source that shows `shows` of the screen: the nearest pixel, so that a
// source of the screen's own pixels comes through exactly.
void Resample(const PixelSource& from, const Rect& shows, const Rect& part, int x, int y, Picture& surface);

}  // namespace dudo
