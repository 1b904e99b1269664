// KdePrintKey: on KDE Plasma under Wayland the key reaches dudo only through
// a global shortcut of KDE's (kglobalaccel, which KWin runs), and Print
// belongs to Spectacle where it is installed. At the first start on KDE
// where no shortcut runs dudo, the user is asked once; "yes" does what
// Plasma's shortcut settings do for a command: a desktop file that runs
// `dudo --capture`, given Print, which whoever held it gives up.
// `dudo --restore-print-key` gives the key back.
// Implements: kglobalaccel's D-Bus interface on the session bus; the
// answer and what was changed kept in the user's config folder.
#pragma once
#include <string>

namespace dudo {

class KdePrintKey {
public:
    // Whether this is a KDE session with its global shortcuts.
    static bool OnKde();
    // Whether the question is still to be asked: never answered, and no
    // shortcut on Print runs dudo's capture yet.
    static bool Pending() { return !Asked() && !Bound(); }
    // Asks, and binds the key on "yes"; `ask` shows the question and tells the answer.
    template <class Ask> static void Offer(const std::string& program, Ask&& ask) {
        if (ask()) Bind(program);
        else Decline();
    }
    // Whether dudo holds Print through KDE's shortcuts.
    static bool Took();
    // Undoes Bind; says what it did on standard output. 0 on success.
    static int Restore();

private:
    static bool Asked();
    static bool Bound();
    static void Bind(const std::string& program);
    static void Decline();
};

}  // namespace dudo
