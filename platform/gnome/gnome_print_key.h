// GnomePrintKey: GNOME keeps Print Screen for its own screenshot UI, under
// Wayland and X11 alike. Under Wayland no program may watch keys, and the key
// reaches dudo only through a custom shortcut of GNOME's keyboard settings;
// on X11 dudo sees the key itself, and the screenshot UI only has to give it
// up. At the first start on GNOME where none runs dudo, the user is asked
// once whether to set it up; "yes" writes what GNOME's keyboard settings
// panel writes (the screenshot UI's Print binding set aside, and under
// Wayland a custom shortcut "dudo --capture" on Print), and
// `dudo --restore-print-key` puts back what it changed.
// Implements: the settings through the gsettings command, as the desktop has
// it; the answer and what was changed kept in the user's config folder.
#pragma once
#include <string>
#include <vector>

namespace dudo {

class GnomePrintKey {
public:
    // Whether the question is still to be asked: never asked, and no
    // custom shortcut runs `<program> --capture` yet.
    static bool Pending(const std::string& program) { return !Asked() && !Bound(program); }
    // Asks, and binds the key on "yes" (with the custom shortcut where
    // `throughShortcut`); `ask` shows the question and tells the answer.
    template <class Ask> static void Offer(const std::string& program, bool throughShortcut, Ask&& ask) {
        if (ask()) Bind(program, throughShortcut);
        else Remember("declined\n");
    }
    // Undoes Bind; says what it did on standard output. 0 on success.
    static int Restore();

private:
    static bool Asked();
    static bool Bound(const std::string& program);
    static void Bind(const std::string& program, bool throughShortcut);
    static void Remember(const std::string& record);
};

}  // namespace dudo
