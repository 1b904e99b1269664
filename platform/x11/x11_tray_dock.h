// Docks a window into the freedesktop system tray (XEmbed protocol).
#pragma once
#include <cstdint>

namespace dudo {

// The tray manager's window on the default screen; 0 when none runs.
unsigned long TrayManagerWindow();

// Marks `window` as an XEmbed client of `size` pixels square and asks the
// tray manager of the default screen to dock it. The manager's window; 0
// when no tray manager runs.
unsigned long RequestTrayDock(unsigned long window, int size);

// Gives `window` `picture` (its width x height pixels, 0xAARRGGBB) as its
// background, which the server draws itself, and the picture's outline as
// its shape.
void SetTrayPicture(unsigned long window, const std::uint32_t* picture, int width, int height);

// Where a window stands on the screen; the toolkit does not know once the
// tray host has reparented it.
bool WindowScreenOrigin(unsigned long window, int& x, int& y);

}  // namespace dudo
