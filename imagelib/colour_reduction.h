// Colour steps of the library: greyscale, black and white, and reduction to
// a palette of at most n colours (libimagequant).
#pragma once
#include "imagelib/image.h"

namespace dudo {

// Pixels become their luminance (BT.601 weights) in all three channels.
void MakeGrey(Image& image);
// Two colours, black and white, split at mid luminance.
void MakeBlackAndWhite(Image& image);
// A copy of `image` with a palette of at most `colours` (2..256) entries,
// each pixel set to its palette colour.
Image Quantise(const Image& image, int colours, bool dithered);

}  // namespace dudo
