#include "platform/wayland/wayland_window_system.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <optional>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "platform/qt/status_notifier_icon.h"

namespace dudo {

WaylandWindowSystem::WaylandWindowSystem() = default;

void WaylandWindowSystem::ToolkitStarted(Desktop& desktop) {
    desktop_ = &desktop;
    desktop.ChooseSource(screen_.CanCopy());
}

void WaylandWindowSystem::CopyScreen(int x, int y, Picture& surface, bool withPointer) {
    if (CopiesItself()) return screen_.CopyScreen(x, y, surface, withPointer);
    screen_.CopyFromLayout(desktop_->LayoutPicture(withPointer), x, y, surface);
}

std::uint16_t WaylandWindowSystem::AsyncKeyState(int virtualKey) {
    bool& pressed = virtualKey == VK_SNAPSHOT ? printPressed_ : clicked_;
    if ((virtualKey != VK_SNAPSHOT && virtualKey != VK_LBUTTON) || !pressed) return 0;
    pressed = false;
    return 1;  // pressed since the last query, and up again
}

// Wayland tells a client where the pointer is only over its own windows:
// while picking, the overlays'.
Point WaylandWindowSystem::CursorPos() {
    if (Picking()) return click_;
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

bool WaylandWindowSystem::Picking() const {
    return std::any_of(overlays_.begin(), overlays_.end(), [](const auto& o) { return o->isVisible(); });
}

void WaylandWindowSystem::HideOverlays() {
    for (auto& o : overlays_) o->hide();
}

// One overlay over each output, so that a range may be picked anywhere; a
// click on any is taken in the screen's pixels.
void WaylandWindowSystem::FollowRangePicking(bool armed, const std::function<void()>& pressed, const std::function<void()>& cancelled) {
    if (!armed || Picking()) {
        if (!armed) HideOverlays();
        return;
    }
    screen_.Refresh();
    const QScreen* panel = PanelScreen();
    const double scale = PixelsPerPoint();
    overlays_.clear();
    // Taken once: asking the portal runs the event loop, which may change the list.
    const QList<QScreen*> outputs = QGuiApplication::screens();
    std::optional<Picture> layout;  // through the portal, one picture of the whole layout serves every output
    const auto copy = [&](int x, int y, Picture& picture) {
        if (CopiesItself()) return screen_.CopyScreen(x, y, picture, false);
        if (!layout) layout = desktop_->LayoutPicture(false);
        screen_.CopyFromLayout(*layout, x, y, picture);
    };
    std::vector<QImage> frozen;  // each output as it is now, so that the user picks from what the picture will show
    for (QScreen* output : outputs) {
        const QPoint offset = output->geometry().topLeft() - (panel ? panel->geometry().topLeft() : QPoint());
        const auto click = [this, pressed, offset, scale](QPoint p) {
            click_ = {static_cast<int>(std::lround((p.x() + offset.x()) * scale)), static_cast<int>(std::lround((p.y() + offset.y()) * scale))};
            clicked_ = true;
            pressed();
        };
        overlays_.push_back(std::make_unique<RangeOverlay>(click, [this, cancelled] { HideOverlays(), cancelled(); }));
        const QRect shown(offset * scale, output->geometry().size() * scale);  // in the screen's pixels
        Picture picture = Picture::Sized(shown.width(), shown.height(), {});
        try {
            copy(shown.x(), shown.y(), picture);
            frozen.push_back(QImage(reinterpret_cast<const uchar*>(picture.row(0)), picture.width, picture.height, picture.stride * 4,
                                    QImage::Format_RGB32).copy());
        } catch (const Error&) {  // picking still works over a dimmed output
            frozen.emplace_back();
        }
    }
    // All at once, the keyboard (Esc) to the one over the panel.
    for (std::size_t i = 0; i < overlays_.size(); ++i) overlays_[i]->ShowOver(outputs[static_cast<int>(i)], std::move(frozen[i]));
    for (std::size_t i = 0; i < overlays_.size(); ++i)
        if (outputs[static_cast<int>(i)] == panel) overlays_[i]->activateWindow();
}

std::optional<Rect> WaylandWindowSystem::ForegroundWindowRect() {
    const auto window = desktop_->FocusedWindow();
    if (!window) return window;
    // The desktop tells the layout's coordinates; the screen's own pixels
    // are wanted, more of them on a scaled output.
    return ToScreenPixels(*window, screen_.Geometry());
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
