// Scaling the current image to an exact size.
#pragma once
#include "imagelib/image.h"

namespace dudo {

// Area-averaging when shrinking, bilinear when enlarging (pixman). An
// indexed image is scaled by nearest neighbour so it keeps its palette.
Image Resized(const Image& image, int width, int height);

}  // namespace dudo
