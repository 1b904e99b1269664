// KwinActiveWindow: the active window's frame, title bar and borders
// included, as KWin's scripting tells it on KDE Plasma. KWin answers window
// questions only to its scripts: a three-line script, loaded through
// org.kde.kwin.Scripting, calls back with the frame on this program's own
// bus connection, and is unloaded again. Coordinates are the layout's
// (logical) ones, fractions of a unit rounded outwards.
#pragma once
#include <optional>

#include "platform/platform.h"

namespace dudo {

// None where no window is active; throws dudo::Error when KWin does not answer.
std::optional<Rect> KwinActiveWindow();

}  // namespace dudo
