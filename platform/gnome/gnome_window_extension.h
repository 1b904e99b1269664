// GnomeWindowExtension: the focused window's frame under Wayland, through a
// small GNOME Shell extension of ours (data/gnome-shell/), which answers
// that one question on the user's own session bus. The package installs it
// for every user; with the user's consent, asked once, the program writes
// it for this user where it is not installed, and enables it. GNOME Shell
// takes up a new extension only at the next login: the question says so.
// `dudo --restore-print-key` disables it again and removes the copy it wrote.
#pragma once
#include <optional>

#include "platform/platform.h"

namespace dudo {

class GnomeWindowExtension {
public:
    // In the layout's logical units; none where no window has the focus.
    // Throws dudo::Error saying how to turn the extension on where it does not answer.
    static std::optional<Rect> FocusedFrame();
    // Whether the question is still to be asked: never asked, and not enabled.
    static bool Pending();
    template <class Ask> static void OfferOnce(Ask&& ask) {
        if (!Pending()) return;
        if (ask()) Enable();
        else Decline();
    }
    // Undoes Enable; says what it did on standard output. Whether there was anything to undo.
    static bool Restore();

private:
    static void Enable();
    static void Decline();
};

}  // namespace dudo
