// The screen through GDI and DWM: its size and resolution, the foreground
// window's visible frame, copies of screen areas and the pointer's image.
#pragma once
#include <optional>

#include "platform/platform.h"

namespace dudo::win32 {

Size ScreenSize();
int PixelsPerInch();
std::optional<Rect> ForegroundWindowRect();
void CopyScreen(int x, int y, Picture& surface);
std::optional<CursorImage> Cursor();

}  // namespace dudo::win32
