// The focused window as sway tells it on its IPC socket (SWAYSOCK): the
// container's rectangle with its title bar, in layout coordinates.
#pragma once
#include <optional>

#include "platform/platform.h"

namespace dudo {

// Whether a sway to ask runs in this session.
bool SwayRuns();
// None when no window has the focus; throws dudo::Error when sway does not answer.
std::optional<Rect> SwayFocusedWindow();

}  // namespace dudo
