// WaylandScreen: the screen on a Wayland compositor that offers
// wlr-screencopy (sway, Hyprland, river, labwc, Wayfire), over a connection of
// its own beside the toolkit's. The screen is one output: the one the panel
// is on, or the first the compositor announces; positions are that output's
// own. Copies go through one shared-memory buffer, kept while the size
// stays; the compositor draws the pointer in on request.
// Leaves out: fractional scales (a region is asked for in whole logical
// pixels; whole outputs are right at any scale).
#pragma once
#include <memory>
#include <string>

#include "platform/platform.h"

namespace dudo {

class WaylandScreen {
public:
    // Throws dudo::Error when the compositor cannot be reached.
    WaylandScreen();
    ~WaylandScreen();

    // Whether the compositor offers the screen copy.
    bool CanCopy() const;
    // The output of that name is the screen from now on, where there is one.
    void Choose(const std::string& outputName);
    Size ScreenSize() const;
    // Where the screen lies in the compositor's layout, and where the
    // layout's top left corner is.
    Point Origin() const;
    Point LayoutCorner() const;
    // As Platform::CopyScreen; throws dudo::Error when the compositor refuses.
    void CopyScreen(int x, int y, Picture& surface, bool withPointer);

    struct State;  // the connection's, which the protocol's listeners reach

private:
    std::unique_ptr<State> s_;
};

}  // namespace dudo
