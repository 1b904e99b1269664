// Docks a window into the freedesktop system tray (XEmbed protocol).
#pragma once

namespace dudo {

// Marks `window` as an XEmbed client and asks the tray manager of the
// default screen to dock it. False when no tray manager runs.
bool RequestTrayDock(unsigned long window);

// Where a window stands on the screen; the toolkit does not know once the
// tray host has reparented it.
bool WindowScreenOrigin(unsigned long window, int& x, int& y);

}  // namespace dudo
