#include "platform/x11/xembed_tray_icon.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "platform/qt/program_icon.h"
#include "platform/x11/x11_tray_dock.h"

namespace dudo {

namespace {
constexpr int kRequestedSize = 22;  // the classic tray size; hosts give their own
}  // namespace

XEmbedTrayIcon::XEmbedTrayIcon(std::function<void(int)> report)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint),
      report_(std::move(report)),
      balloon_(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setWindowTitle("dudo tray icon");
    setGeometry(0, 0, kRequestedSize, kRequestedSize);
    setMinimumSize(16, 16);
    createWinId();
    setMouseTracking(true);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_QuitOnClose, false);
    balloon_.setObjectName("dudo balloon");
    balloon_.setWindowTitle("dudo balloon");
    balloon_.setStyleSheet("QLabel { background: #ffffe1; color: black; border: 1px solid #767676; padding: 6px; }");
    balloonTimer_.setSingleShot(true);
    connect(&balloonTimer_, &QTimer::timeout, &balloon_, &QWidget::hide);
}

bool XEmbedTrayIcon::Apply(const IconRequest& request, bool add) {
    setToolTip(QString::fromStdString(request.tip));
    setAccessibleName(QString::fromStdString(request.tip));
    if (add && !tray_) Dock();
    return tray_ != 0;
}

// The tray host maps the window itself once it has embedded it, and the
// server draws the picture: showing it through the toolkit would make the
// tray host size it from the toolkit's hints instead.
void XEmbedTrayIcon::Dock() {
    tray_ = RequestTrayDock(winId(), kRequestedSize);
    if (tray_) ShowPicture();
}

// A tray that came after the icon, or anew after the one it was in left, takes it now.
bool XEmbedTrayIcon::Shown() {
    if (!tray_ || TrayManagerWindow() != tray_) Dock();
    return tray_ != 0;
}

// Drawn anew at the size the host gives, so it is crisp at 16 as at 48 px,
// square and centred in a window the host made longer.
void XEmbedTrayIcon::ShowPicture() {
    const int size = std::min(width(), height());
    QImage window(width(), height(), QImage::Format_ARGB32);
    window.fill(Qt::transparent);
    QPainter(&window).drawPixmap((width() - size) / 2, (height() - size) / 2, ProgramPicture(size));
    SetTrayPicture(winId(), reinterpret_cast<const std::uint32_t*>(window.constBits()), width(), height());
}

void XEmbedTrayIcon::resizeEvent(QResizeEvent*) {
    if (tray_) ShowPicture();
}

void XEmbedTrayIcon::ShowBalloon(const QString& title, const QString& text, int timeoutMs) {
    balloon_.setText("<b>" + title.toHtmlEscaped() + "</b><br>" + text.toHtmlEscaped());
    balloon_.setAccessibleName(title + " " + text);
    balloon_.adjustSize();
    // Beside the icon, kept on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    int x = 0, y = 0;
    WindowScreenOrigin(winId(), x, y);
    QPoint at(x, y + height() + 4);
    at.setX(std::clamp(at.x(), screen.left(), screen.right() - balloon_.width()));
    if (at.y() + balloon_.height() > screen.bottom()) at.setY(y - balloon_.height() - 4);
    balloon_.move(at);
    balloon_.show();
    // The platform's bounds on a balloon's time: at least 1.5 s, at most 10 s.
    balloonTimer_.start(std::clamp(timeoutMs, 1500, 10000));
}

void XEmbedTrayIcon::mouseMoveEvent(QMouseEvent*) { report_(512); }

void XEmbedTrayIcon::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) report_(513);
    if (event->button() == Qt::RightButton) report_(516);
}

void XEmbedTrayIcon::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) report_(514);
    if (event->button() == Qt::RightButton) report_(517);
}

void XEmbedTrayIcon::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) report_(515);
}

}  // namespace dudo
