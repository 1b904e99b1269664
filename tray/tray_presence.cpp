#include "tray/tray_presence.h"

namespace dudo {

void TrayPresence::Command2_Click() {
    // Without a tray to show the icon, a hidden panel would be out of reach
    // (a second start could still bring it): it goes to the task bar instead.
    if (platform_.TrayIconShown()) form_.setVisible(false);
    else platform_.MinimizeWindow(form_);
    platform_.ProcessPendingMessages();
    icon_.SetIconData(kPicIconWindow, kPicIconPicture, 0, "dudo", "程式縮小於此", "dudo進階版", 1, 3000);
    icon_.ModifyIcon(0);
}

void TrayPresence::PicIcon_MouseMove(int /*Button*/, int /*Shift*/, double X, double /*Y*/) {
    form_.mnuNotifyIconS(0).setEnabled(!form_.visible());
    const double eventNumber = X / platform_.TwipsPerPixelX();
    if (eventNumber == 517) {
        platform_.SetForegroundWindow(form_);
        platform_.PopupMenu(form_);
    } else if (eventNumber == 513) {
        form_.setVisible(true);
    } else if (eventNumber == 512) {
        icon_.SetIconData(kPicIconWindow, kPicIconPicture, 0, "dudo", "~^_^~", "dudo進階版", 1, 1);
        icon_.ModifyIcon(0);
    }
}

void TrayPresence::mnuNotifyIconS_Click(int Index) {
    if (Index == 0) form_.setVisible(true);
    if (Index == 1) closeWindow_();
}

}  // namespace dudo
