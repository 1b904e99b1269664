#include "platform/wayland/wayland_window_system.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMessageBox>
#include <QTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <optional>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "platform/qt/status_notifier_icon.h"
#include "platform/wayland/gnome_print_key.h"
#include "platform/wayland/kde_print_key.h"
#include "platform/wayland/kwin_screenshot.h"
#include "platform/wayland/portal_screenshot.h"
#include "platform/wayland/screenshot_permission.h"
#include "platform/wayland/sway_ipc.h"

namespace dudo {

WaylandWindowSystem::WaylandWindowSystem() {
    const char* wanted = std::getenv("DUDO_SCREEN_COPY");
    portalWanted_ = wanted && std::string(wanted) == "portal";
    portal_ = !screen_.CanCopy() || portalWanted_;
}

// The portal is asked over the toolkit's bus connection, which wants the
// toolkit's application to exist.
void WaylandWindowSystem::ToolkitStarted() {
    kwin_ = portal_ && !portalWanted_ && KwinScreenshot::Offered();
    if (portal_ && !kwin_ && !PortalScreenshot::Offered())
        throw Error("這個 Wayland 桌面不提供螢幕擷取。dudo 在 Wayland 上支援提供 wlr-screencopy 的桌面 "
                    "(sway、Hyprland、river、labwc、Wayfire)，以及有 xdg-desktop-portal 截圖服務的桌面 (GNOME、KDE) "
                    "(this Wayland desktop offers no screen copy: dudo supports desktops with wlr-screencopy, such as "
                    "sway, Hyprland, river, labwc and Wayfire, and desktops with the xdg-desktop-portal Screenshot, "
                    "such as GNOME and KDE)");
    // Once the panel shows: on GNOME and KDE, the offer to give Print Screen
    // to dudo; a failure to take it up is told.
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    const auto offer = [this](auto offerOnce, const char* question) {
        QTimer::singleShot(0, [this, offerOnce, question] {
            try {
                offerOnce([question] { return AskForPrintKey(question); });
            } catch (const Error& failure) {
                tell(failure.what());
            }
        });
    };
    if (GnomePrintKey::OnGnome())
        offer([program](auto ask) { GnomePrintKey::OfferOnce(program, ask); },
              "在 GNOME 上，Print Screen 鍵只能經由桌面的鍵盤快捷鍵交給 dudo。要現在設定嗎？"
              "GNOME 的截圖畫面之後要改用別的按鍵開啟；執行 dudo --restore-print-key 可以還原。"
              " (On GNOME, Print Screen reaches dudo only through the desktop's keyboard shortcuts. Set this up now? "
              "GNOME's screenshot UI then needs another key; dudo --restore-print-key undoes it.)");
    else if (KdePrintKey::OnKde())
        offer([program](auto ask) { KdePrintKey::OfferOnce(program, ask); },
              "在 KDE 上，Print Screen 鍵只能經由桌面的全域快捷鍵交給 dudo。要現在設定嗎？"
              "原本使用 Print Screen 的快捷鍵 (例如 Spectacle) 會讓出這個鍵；執行 dudo --restore-print-key 可以還原。"
              " (On KDE, Print Screen reaches dudo only through the desktop's global shortcuts. Set this up now? "
              "Whatever has Print Screen now, such as Spectacle, gives it up; dudo --restore-print-key undoes it.)");
}

bool WaylandWindowSystem::AskForPrintKey(const std::string& question) {
    QMessageBox box(QMessageBox::Question, "dudo進階版", QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void WaylandWindowSystem::CopyScreen(int x, int y, Picture& surface, bool withPointer) {
    if (!portal_) return screen_.CopyScreen(x, y, surface, withPointer);
    screen_.CopyFromLayout(LayoutPicture(withPointer), x, y, surface);
}

// A copy of dudo KWin does not know of yet declares itself, says so once,
// and asks again while KWin reads its desktop files anew.
Picture WaylandWindowSystem::KwinPicture(bool withPointer) {
    try {
        return KwinScreenshot::Take(withPointer);
    } catch (const KwinScreenshot::NotAllowed&) {
    }
    const std::string file = KwinScreenshot::DeclareSelf(QCoreApplication::applicationFilePath().toStdString());
    tell("KWin 只讓在桌面檔中宣告過的程式擷取螢幕：dudo 已在 " + file + " 宣告 (KWin lets only programs declared in a desktop "
         "file take screenshots: dudo declared itself in " + file + ")");
    for (int tries = 0; tries < 25; ++tries) {
        QThread::msleep(200);
        try {
            return KwinScreenshot::Take(withPointer);
        } catch (const KwinScreenshot::NotAllowed&) {
        }
    }
    throw Error("KWin 仍不允許 dudo 擷取螢幕：它沒有讀到 " + file + "，或另一個執行 dudo 的桌面檔沒有宣告 (KWin still does not allow dudo to take "
                "screenshots: it has not read " + file + ", or another desktop file that runs dudo does not declare it)");
}

// The portal's picture, of the whole layout. Where the desktop asks the user
// first, the user hears so at once and the answer is waited for as long as a
// person may take; after a "no", the error says how to allow it.
Picture WaylandWindowSystem::PortalPicture() {
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

std::string WaylandWindowSystem::RefusedText() {
    return "桌面不允許 dudo 擷取螢幕畫面。要允許，請在終端機執行 (the desktop does not allow dudo to take screenshots; "
           "to allow it, run): " + ScreenshotPermission::HowToAllow();
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
        if (!portal_) return screen_.CopyScreen(x, y, picture, false);
        if (!layout) layout = LayoutPicture(false);
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
    if (!SwayRuns())
        throw Error("這個 Wayland 桌面不告知現用視窗的位置，無法擷取現用視窗 (this desktop does not tell where the "
                    "focused window is, so it cannot be captured)");
    auto window = SwayFocusedWindow();
    if (!window) return window;
    // Sway tells the layout's coordinates; the screen's own pixels are
    // wanted, more of them on a scaled output.
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
