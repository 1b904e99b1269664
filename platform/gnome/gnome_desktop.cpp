#include "platform/gnome/gnome_desktop.h"

#include "platform/gnome/gnome_print_key.h"
#include "platform/gnome/gnome_window_extension.h"

namespace dudo {

namespace {

const char* const kWaylandQuestion =
    "在 GNOME 上，Print Screen 鍵只能經由桌面的鍵盤快捷鍵交給 dudo。要現在設定嗎？"
    "GNOME 的截圖畫面之後要改用別的按鍵開啟；執行 dudo --restore-print-key 可以還原。"
    " (On GNOME, Print Screen reaches dudo only through the desktop's keyboard shortcuts. Set this up now? "
    "GNOME's screenshot UI then needs another key; dudo --restore-print-key undoes it.)";
const char* const kX11Question =
    "GNOME 的截圖畫面也使用 Print Screen 鍵，每按一次兩個程式都會動作。要把這個鍵讓給 dudo 嗎？"
    "GNOME 的截圖畫面之後要改用別的按鍵開啟；執行 dudo --restore-print-key 可以還原。"
    " (GNOME's screenshot UI also reacts to Print Screen, so each press sets off both. Give the key to dudo? "
    "GNOME's screenshot UI then needs another key; dudo --restore-print-key undoes it.)";

const char* const kExtensionQuestion =
    "GNOME 只把現用視窗的位置告訴它自己的擴充套件。要啟用 dudo 的小擴充套件，讓「現用視窗」可以擷取嗎？"
    "它只在你自己的工作階段匯流排上告知現用視窗的框線位置。GNOME 要在下次登入後才會載入它；執行 dudo --restore-print-key 可以停用。"
    " (GNOME tells where the focused window is only to its own extensions. Turn on dudo's small extension, so that the focused "
    "window can be captured? It tells only the focused window's frame, on your own session bus. GNOME loads it at your next "
    "login; dudo --restore-print-key turns it off.)";

}  // namespace

// Under Wayland the key reaches dudo through a shortcut that runs `dudo
// --capture`; on X11 dudo sees the key itself, and a shortcut would make
// each press two pictures.
void GnomeDesktop::OfferPrintKey(const std::string& program, const Ask& ask) {
    if (PrintKeyOfferPending(program)) GnomePrintKey::Offer(program, wayland(), [&] { return ask(wayland() ? kWaylandQuestion : kX11Question); });
    if (wayland()) GnomeWindowExtension::OfferOnce([&] { return ask(kExtensionQuestion); });
}

std::optional<Rect> GnomeDesktop::FocusedWindow() { return GnomeWindowExtension::FocusedFrame(); }

bool GnomeDesktop::ReadPrintKeyOfferPending(const std::string& program) { return GnomePrintKey::Pending(program); }

}  // namespace dudo
