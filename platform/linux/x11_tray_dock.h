// Docks a window into the freedesktop system tray (XEmbed protocol).
#pragma once
#include <cstdint>

namespace dudo {

// Marks `window` as an XEmbed client, gives it `picture` (22 x 22 pixels,
// 0xAARRGGBB) as its background, which the server draws itself, and asks
// the tray manager of the default screen to dock it. False when no tray
// manager runs.
bool RequestTrayDock(unsigned long window, const std::uint32_t* picture);

// Where a window stands on the screen; the toolkit does not know once the
// tray host has reparented it.
bool WindowScreenOrigin(unsigned long window, int& x, int& y);

}  // namespace dudo
