// The focused window as sway tells it on its IPC socket (SWAYSOCK): the
// container's rectangle with its title bar, in layout coordinates.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace dudo {

// Whether a sway to ask runs in this session.
bool SwayRuns();
// None when no window has the focus; throws dudo::Error when sway does not answer.
std::optional<Rect> SwayFocusedWindow();

// What sway's answers are read with, any bytes taken: the payload's length
// from a reply's 14-byte header (none for a header that is not sway's, or a
// length past what a tree can be), and the focused window in a tree.
std::optional<std::uint32_t> SwayReplyLength(const char* header);
std::optional<Rect> SwayFocusedWindowIn(const std::string& tree);

}  // namespace dudo
