// PlainDesktop: an X11 desktop that adds nothing of its own (Xfce, MATE,
// i3, Openbox, any window manager): the screen, the focused window and
// Print Screen all come through the X server.
// Leaves out: an offer to bind the key; where another program holds it,
// the user is told once how to unbind it.
#pragma once
#include "platform/desktop/desktop.h"

namespace dudo {

class PlainDesktop : public Desktop {
public:
    using Desktop::Desktop;
};

}  // namespace dudo
