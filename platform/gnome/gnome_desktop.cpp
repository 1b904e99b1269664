#include "platform/gnome/gnome_desktop.h"

#include "platform/gnome/gnome_print_key.h"

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

}  // namespace

// Under Wayland the key reaches dudo through a shortcut that runs `dudo
// --capture`; on X11 dudo sees the key itself, and a shortcut would make
// each press two pictures.
void GnomeDesktop::OfferPrintKey(const std::string& program, const Ask& ask) {
    GnomePrintKey::OfferOnce(program, wayland(), [&] { return ask(wayland() ? kWaylandQuestion : kX11Question); });
}

bool GnomeDesktop::PrintKeyOfferPending(const std::string& program) { return GnomePrintKey::Pending(program); }

}  // namespace dudo
