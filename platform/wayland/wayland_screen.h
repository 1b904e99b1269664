// WaylandScreen: the screen on a Wayland compositor that offers
// wlr-screencopy (sway, Hyprland, river, labwc, Wayfire), over a connection of
// its own beside the toolkit's. The screen is one output: the one the panel
// is on, or the first the compositor announces. Positions are in that
// output's own pixels, with the other outputs placed around it as the
// compositor lays them out, at its scale: a picture may take in any output,
// and one of another scale is resampled to the screen's. Copies go through
// one shared-memory buffer, kept while the size stays, which a picture of
// one output at its own scale is lent as its memory rather than copied out
// of; the compositor draws the pointer in on request. At a scale that is a
// fraction the whole output is asked for, as a region of it need not start
// on a pixel.
// Leaves out: rotated outputs.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/output_layout.h"
#include "platform/platform.h"

namespace dudo {

class WaylandScreen {
public:
    // Throws dudo::Error when the compositor cannot be reached.
    WaylandScreen();
    ~WaylandScreen();

    // Whether the compositor offers the screen copy.
    bool CanCopy() const;
    // Takes up outputs that came, went or moved since.
    void Refresh();
    // The output of that name is the screen from now on, where there is one.
    void Choose(const std::string& outputName);
    Size ScreenSize() const;
    // Every output, in the screen's pixels.
    std::vector<Rect> Monitors() const;
    // The screen's place in the compositor's layout and its pixels.
    OutputGeometry Geometry() const;
    // The layout's bounds, in its own (logical) units.
    Rect Layout() const;
    // As Platform::CopyScreen; throws dudo::Error when the compositor refuses.
    void CopyScreen(int x, int y, Picture& surface, bool withPointer);
    // The same from a picture of the whole layout, as a desktop portal takes it.
    void CopyFromLayout(const Picture& layout, int x, int y, Picture& surface) const;

    struct State;  // the connection's, which the protocol's listeners reach

private:
    std::unique_ptr<State> s_;
};

}  // namespace dudo
