// The screen through GDI and DWM: its size and resolution, the monitors,
// the foreground window's visible frame, copies of screen areas anywhere on
// the virtual screen and the pointer's image.
#pragma once
#include "platform/windows/windows_api.h"

#include <optional>
#include <vector>

#include "platform/platform.h"

namespace dudo::win32 {

Size ScreenSize();  // the primary monitor's
std::vector<Rect> Monitors();  // in screen coordinates, which are negative left of or above the primary
int PixelsPerInch();
std::optional<Rect> ForegroundWindowRect();
void CopyScreen(int x, int y, Picture& surface);  // throws dudo::Error when the copy fails
void CopyScreenFrom(HDC source, int x, int y, Picture& surface);  // from that device context
std::optional<CursorImage> Cursor();

}  // namespace dudo::win32
