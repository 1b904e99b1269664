// A deterministic picture of a busy desktop for benchmarks: a photo
// wallpaper, a code editor, a web page with a photo, a dialog and a task bar,
// with antialiased text. Laid out for 1920x1080 and scaled with the size, so
// 3840x2160 looks like the same desktop at twice the pixel density.
// Needs a QGuiApplication for its fonts.
#pragma once
#include "imagelib/picture.h"

namespace dudo::bench {

Picture DesktopScene(int width, int height);

}  // namespace dudo::bench
