// WlrootsDesktop: a Wayland desktop of which nothing more is known
// (Hyprland, river, labwc, Wayfire and other wlroots compositors). The
// screen through the compositor's wlr-screencopy where it offers it, else
// through the desktop portal; Print Screen bound by the user to
// `dudo --capture` in the compositor's own settings.
// Leaves out: the focused window, which no common protocol tells a client;
// it is refused with a message.
#pragma once
#include "platform/desktop/desktop.h"

namespace dudo {

class WlrootsDesktop : public Desktop {
public:
    using Desktop::Desktop;
};

}  // namespace dudo
