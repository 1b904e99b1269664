// GnomePrintKey: under Wayland no program may watch keys, and GNOME keeps
// Print Screen for its own screenshot UI; the key reaches dudo only through a
// custom shortcut of GNOME's keyboard settings. At the first start on GNOME
// where none runs dudo, the user is asked once whether to set it up; "yes"
// writes what GNOME's keyboard settings panel writes (the screenshot UI's
// Print binding set aside, and a custom shortcut "dudo --capture" on Print),
// and `dudo --restore-print-key` puts back what it changed.
// Implements: the settings through the gsettings command, as the desktop has
// it; the answer and what was changed kept in the user's config folder.
#pragma once
#include <string>
#include <vector>

namespace dudo {

class GnomePrintKey {
public:
    // Whether this is a GNOME session.
    static bool OnGnome();
    // Asks once, unless a custom shortcut already runs `<program> --capture`,
    // and binds the key on "yes"; `ask` shows the question and tells the answer.
    template <class Ask> static void OfferOnce(const std::string& program, Ask&& ask) {
        if (Asked() || Bound(program)) return;
        if (ask()) Bind(program);
        else Remember("declined\n");
    }
    // Undoes Bind; says what it did on standard output. 0 on success.
    static int Restore();
    // The quoted items of a list as gsettings prints it ("['a', 'b']", "@as []").
    static std::vector<std::string> ListItems(const std::string& list);

private:
    static bool Asked();
    static bool Bound(const std::string& program);
    static void Bind(const std::string& program);
    static void Remember(const std::string& record);
};

}  // namespace dudo
