#include "platform/desktop/desktop.h"

#include <cstdlib>

#include "common/error.h"
#include "platform/desktop/portal_screenshot.h"
#include "platform/desktop/screenshot_permission.h"

namespace dudo {

namespace {

std::string RefusedText() {
    return "桌面不允許 dudo 擷取螢幕畫面。要允許，請在終端機執行 (the desktop does not allow dudo to take screenshots; "
           "to allow it, run): " + ScreenshotPermission::HowToAllow();
}

}  // namespace

bool CurrentDesktopIs(const std::string& name) {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return desktop && (":" + std::string(desktop) + ":").find(":" + name + ":") != std::string::npos;
}

ScreenSource Desktop::ChooseSource(bool screenCopy) {
    const char* wanted = std::getenv("DUDO_SCREEN_COPY");
    source_ = wanted && std::string(wanted) == "portal" ? ScreenSource::Portal : PreferredSource(screenCopy);
    if (source_ == ScreenSource::Portal && !PortalScreenshot::Offered())
        throw Error("這個 Wayland 桌面不提供螢幕擷取。dudo 在 Wayland 上支援提供 wlr-screencopy 的桌面 "
                    "(sway、Hyprland、river、labwc、Wayfire)，以及有 xdg-desktop-portal 截圖服務的桌面 (GNOME、KDE) "
                    "(this Wayland desktop offers no screen copy: dudo supports desktops with wlr-screencopy, such as "
                    "sway, Hyprland, river, labwc and Wayfire, and desktops with the xdg-desktop-portal Screenshot, "
                    "such as GNOME and KDE)");
    return source_;
}

bool Desktop::PrintKeyOfferPending(const std::string& program) {
    if (!printKeyOfferPending_) printKeyOfferPending_ = ReadPrintKeyOfferPending(program);
    return *printKeyOfferPending_;
}

ScreenSource Desktop::PreferredSource(bool screenCopy) { return screenCopy ? ScreenSource::WindowSystem : ScreenSource::Portal; }

// The portal's picture, of the whole layout. Where the desktop asks the user
// first, the user hears so at once and the answer is waited for as long as a
// person may take; after a "no", the error says how to allow it.
Picture Desktop::LayoutPicture(bool) {
    bool asked = false;
    if (!portalAllowed_) {
        const Permission permission = ScreenshotPermission::Stored();
        if (permission == Permission::Refused) throw Error(RefusedText());
        if ((asked = permission == Permission::Unasked && ScreenshotPermission::DesktopAsks()))
            tell("桌面正在詢問是否允許 dudo 擷取螢幕畫面：請在桌面的對話框中回答，允許後圖片就會存檔 (the desktop asks "
                 "whether dudo may take screenshots: answer in its dialog, and the picture is saved once you allow it)");
    }
    try {
        Picture picture = PortalScreenshot::Take(asked ? 180000 : 30000);
        portalAllowed_ = true;
        return picture;
    } catch (const Error&) {
        portalAllowed_ = false;
        if (ScreenshotPermission::Stored() == Permission::Refused) throw Error(RefusedText());
        throw;
    }
}

std::optional<Rect> Desktop::FocusedWindow() {
    throw Error("這個 Wayland 桌面不告知現用視窗的位置，無法擷取現用視窗 (this desktop does not tell where the "
                "focused window is, so it cannot be captured)");
}

}  // namespace dudo
