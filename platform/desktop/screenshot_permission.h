// ScreenshotPermission: whether the desktop asks the user before the
// portal's screenshot, known before asking it. The portal (1.16) looks in
// the permission store (table "screenshot", id "screenshot") under the id it
// knows the program by, and asks when nothing is stored there and its
// desktop's backend takes part (version 2 of the backend's Screenshot); a
// stored "no" refuses at once.
// The portal names an unsandboxed program from the systemd user unit it
// runs in, as a desktop starts it from its menu ("app-gnome-<desktop file
// id>-<pid>.scope"); started otherwise, the program has no id (""), and the
// question and the answer are for every such program.
#pragma once
#include <string>

namespace dudo {

enum class Permission { Allowed, Refused, Unasked };

class ScreenshotPermission {
public:
    // The id the portal takes from a unit's name; "" for a unit that names none.
    static std::string AppIdFromUnit(const std::string& unit);
    // What the store holds for this program; Allowed where no store answers
    // (then no one asks either). Needs the toolkit's application.
    static Permission Stored();
    // Whether the desktop's portal asks where nothing is stored.
    static bool DesktopAsks();
    // How the user allows it after a "no": a command for a terminal.
    static std::string HowToAllow();
};

}  // namespace dudo
