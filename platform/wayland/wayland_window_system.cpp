#include "platform/wayland/wayland_window_system.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "platform/qt/status_notifier_icon.h"
#include "platform/wayland/portal_screenshot.h"
#include "platform/wayland/sway_ipc.h"

namespace dudo {

WaylandWindowSystem::WaylandWindowSystem() {
    const char* wanted = std::getenv("DUDO_SCREEN_COPY");
    portal_ = !screen_.CanCopy() || (wanted && std::string(wanted) == "portal");
}

// The portal is asked over the toolkit's bus connection, which wants the
// toolkit's application to exist.
void WaylandWindowSystem::ToolkitStarted() {
    if (portal_ && !PortalScreenshot::Offered())
        throw Error("這個 Wayland 桌面不提供螢幕擷取。dudo 在 Wayland 上支援提供 wlr-screencopy 的桌面 "
                    "(sway、Hyprland、river、labwc、Wayfire)，以及有 xdg-desktop-portal 截圖服務的桌面 (GNOME、KDE) "
                    "(this Wayland desktop offers no screen copy: dudo supports desktops with wlr-screencopy, such as "
                    "sway, Hyprland, river, labwc and Wayfire, and desktops with the xdg-desktop-portal Screenshot, "
                    "such as GNOME and KDE)");
}

void WaylandWindowSystem::CopyScreen(int x, int y, Picture& surface, bool withPointer) {
    if (!portal_) return screen_.CopyScreen(x, y, surface, withPointer);
    // The portal's picture is the whole layout: the area lies in it at the
    // screen's place, and what lies outside it keeps the surface's pixels.
    const Picture desktop = PortalScreenshot::Take();
    const Point origin = screen_.Origin(), corner = screen_.LayoutCorner();
    const int dx = origin.x - corner.x, dy = origin.y - corner.y;  // the screen's place in the picture
    const Size screen = screen_.ScreenSize();
    const Rect part = AreaOnScreen(x, y, surface, Size{std::min(screen.width, desktop.width - dx), std::min(screen.height, desktop.height - dy)});
    for (int row = part.top; row < part.bottom; ++row)
        std::copy_n(desktop.row(row + dy) + (part.left + dx), part.right - part.left, surface.row(row - y) + (part.left - x));
}

std::uint16_t WaylandWindowSystem::AsyncKeyState(int virtualKey) {
    bool& pressed = virtualKey == VK_SNAPSHOT ? printPressed_ : clicked_;
    if ((virtualKey != VK_SNAPSHOT && virtualKey != VK_LBUTTON) || !pressed) return 0;
    pressed = false;
    return 1;  // pressed since the last query, and up again
}

// Wayland tells a client where the pointer is only over its own windows:
// while picking, the overlay's.
Point WaylandWindowSystem::CursorPos() {
    if (overlay_ && overlay_->isVisible()) return click_;
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

void WaylandWindowSystem::FollowRangePicking(bool armed, const std::function<void()>& pressed, const std::function<void()>& cancelled) {
    if (!armed || (overlay_ && overlay_->isVisible())) {
        if (!armed && overlay_) overlay_->hide();
        return;
    }
    const auto click = [this, pressed](QPoint p) {
        const double scale = PixelsPerPoint();
        click_ = {static_cast<int>(std::lround(p.x() * scale)), static_cast<int>(std::lround(p.y() * scale))};
        clicked_ = true;
        pressed();
    };
    if (!overlay_) overlay_ = std::make_unique<RangeOverlay>(click, [this, cancelled] { overlay_->hide(), cancelled(); });
    // The screen as it is now, so that the user picks from what the picture will show.
    const Size size = screen_.ScreenSize();
    Picture frozen = Picture::Sized(size.width, size.height, {});
    QImage shown;
    try {
        CopyScreen(0, 0, frozen, false);
        shown = QImage(reinterpret_cast<const uchar*>(frozen.row(0)), frozen.width, frozen.height, frozen.stride * 4, QImage::Format_RGB32).copy();
    } catch (const Error&) {  // picking still works over a dimmed screen
    }
    overlay_->ShowOver(PanelScreen(), std::move(shown));
}

std::optional<Rect> WaylandWindowSystem::ForegroundWindowRect() {
    if (!SwayRuns())
        throw Error("這個 Wayland 桌面不告知現用視窗的位置，無法擷取現用視窗 (this desktop does not tell where the "
                    "focused window is, so it cannot be captured)");
    auto window = SwayFocusedWindow();
    if (!window) return window;
    // Sway tells the layout's coordinates; the screen's own pixels are
    // wanted, more of them on a scaled output.
    const Point origin = screen_.Origin();
    const double scale = PixelsPerPoint();
    const auto px = [scale](int at, int from) { return static_cast<int>(std::lround((at - from) * scale)); };
    return Rect{px(window->left, origin.x), px(window->top, origin.y), px(window->right, origin.x), px(window->bottom, origin.y)};
}

double WaylandWindowSystem::PixelsPerPoint() const {
    const QScreen* screen = PanelScreen();
    return screen && screen->geometry().width() > 0 ? static_cast<double>(screen_.ScreenSize().width) / screen->geometry().width() : 1.0;
}

QScreen* WaylandWindowSystem::PanelScreen() const {
    for (QScreen* s : QGuiApplication::screens())
        if (s->name().toStdString() == screenName_) return s;
    return QGuiApplication::primaryScreen();
}

std::unique_ptr<TrayIcon> WaylandWindowSystem::MakeTrayIcon(std::function<void(int)> report, QMenu& menu) {
    return std::make_unique<StatusNotifierIcon>(std::move(report), menu);
}

}  // namespace dudo
