// X11Screen: the screen and what lies on it.
// Implements: screen size, twips per pixel from the display's resolution,
// the foreground window's frame rectangle (EWMH, with the focus window as
// fallback when no window manager runs), the screen copy monitor by monitor
// of a Xinerama layout (MIT-SHM into a segment kept ready, which a whole-
// surface copy lends to the surface as its memory; a plain image request
// otherwise) and the pointer image
// with its hotspot (XFixes). X errors of a window that vanishes are caught.
#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace dudo {

class X11Screen {
public:
    X11Screen();  // throws dudo::Error without a display
    ~X11Screen();

    Size ScreenSize();
    double TwipsPerPixelX();
    double TwipsPerPixelY();
    std::optional<Rect> ForegroundWindowRect();
    // Copies what the monitors show of the area.
    void CopyScreen(int x, int y, Picture& surface);
    std::vector<Rect> Monitors();
    std::optional<CursorImage> Cursor();
    bool sharedMemory() const;
    // Activates the window with this X id (EWMH request, or focus).
    void Activate(unsigned long window);

private:
    bool CopyIntoSegment(int x, int y, Picture& surface);
    void CopyPart(int x, int y, const Rect& part, Picture& surface);
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace dudo
