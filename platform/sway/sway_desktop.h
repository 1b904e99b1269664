// SwayDesktop: sway, a wlroots compositor. The screen through its
// wlr-screencopy (the window system's own copy); the focused window as its
// IPC socket tells it (SwayFocusedWindow). Print Screen is bound in sway's
// own configuration to `dudo --capture`, which the README shows.
// Leaves out: an offer to bind the key, as sway's configuration is the
// user's own file.
#pragma once
#include "common/error.h"
#include "platform/desktop/desktop.h"
#include "platform/sway/sway_ipc.h"

namespace dudo {

class SwayDesktop : public Desktop {
public:
    using Desktop::Desktop;
    std::optional<Rect> FocusedWindow() override { return SwayFocusedWindow(); }
};

}  // namespace dudo
