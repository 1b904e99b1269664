// The one place the desktop is chosen, and where every desktop's settings
// are put back.
#include <cstdio>

#include "platform/desktop/desktop.h"
#include "platform/gnome/gnome_desktop.h"
#include "platform/gnome/gnome_print_key.h"
#include "platform/gnome/gnome_window_extension.h"
#include "platform/kde/kde_desktop.h"
#include "platform/kde/kde_print_key.h"
#include "platform/kde/kwin_screenshot.h"
#include "platform/plain/plain_desktop.h"
#include "platform/sway/sway_desktop.h"
#include "platform/wlroots/wlroots_desktop.h"

namespace dudo {

std::unique_ptr<Desktop> MakeDesktop(bool wayland) {
    if (CurrentDesktopIs("GNOME")) return std::make_unique<GnomeDesktop>(wayland);
    if (CurrentDesktopIs("KDE") || (wayland && KwinScreenshot::Offered())) return std::make_unique<KdeDesktop>(wayland);
    if (wayland && SwayRuns()) return std::make_unique<SwayDesktop>(wayland);
    if (wayland) return std::make_unique<WlrootsDesktop>(wayland);
    return std::make_unique<PlainDesktop>(wayland);
}

int RestoreDesktopSettings() {
    if (KwinScreenshot::UndeclareSelf()) std::printf("dudo: 已移除給 KWin 的宣告 (removed the declaration to KWin)\n");
    const bool extension = GnomeWindowExtension::Restore();
    const int keys = KdePrintKey::Took() ? KdePrintKey::Restore() : GnomePrintKey::Restore();
    return extension ? 0 : keys;
}

}  // namespace dudo
