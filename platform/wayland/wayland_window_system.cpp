#include "platform/wayland/wayland_window_system.h"

#include <QCursor>

#include "common/error.h"
#include "platform/qt/status_notifier_icon.h"
#include "platform/wayland/sway_ipc.h"

namespace dudo {

WaylandWindowSystem::WaylandWindowSystem() {
    if (!screen_.CanCopy())
        throw Error("這個 Wayland 桌面不提供螢幕擷取。dudo 在 Wayland 上支援提供 wlr-screencopy 的桌面："
                    "sway、Hyprland、river、labwc、Wayfire (this Wayland desktop offers no screen copy: dudo supports "
                    "desktops with wlr-screencopy, such as sway, Hyprland, river, labwc and Wayfire)");
}

std::uint16_t WaylandWindowSystem::AsyncKeyState(int virtualKey) {
    if (virtualKey != VK_SNAPSHOT || !printPressed_) return 0;
    printPressed_ = false;
    return 1;  // pressed since the last query, and up again
}

// Wayland tells a client where the pointer is only over its own windows.
Point WaylandWindowSystem::CursorPos() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

std::optional<Rect> WaylandWindowSystem::ForegroundWindowRect() {
    if (SwayRuns()) {  // in the layout's coordinates; the screen's own are wanted
        auto window = SwayFocusedWindow();
        const Point origin = screen_.Origin();
        if (window) *window = {window->left - origin.x, window->top - origin.y, window->right - origin.x, window->bottom - origin.y};
        return window;
    }
    throw Error("這個 Wayland 桌面不告知現用視窗的位置，無法擷取現用視窗 (this desktop does not tell where the "
                "focused window is, so it cannot be captured)");
}

std::unique_ptr<TrayIcon> WaylandWindowSystem::MakeTrayIcon(std::function<void(int)> report, QMenu& menu) {
    return std::make_unique<StatusNotifierIcon>(std::move(report), menu);
}

}  // namespace dudo
