#include "platform/qt/range_overlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace dudo {

namespace {

const char* const kHint = "按下範圍的左上角，再按右下角 (Esc 取消)";

}  // namespace

RangeOverlay::RangeOverlay(std::function<void(QPoint)> clicked, std::function<void()> cancelled)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      clicked_(std::move(clicked)),
      cancelled_(std::move(cancelled)) {
    setWindowTitle("dudo 選取範圍");
    setAccessibleName("選取範圍");
    setAccessibleDescription(QString::fromUtf8(kHint));
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void RangeOverlay::ShowOver(QScreen* screen, QImage frozen) {
    frozen_ = std::move(frozen);
    corner_.reset();
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    showFullScreen();
    raise();
    activateWindow();
}

void RangeOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (frozen_.isNull()) painter.fillRect(rect(), QColor(0, 0, 0, 96));
    else painter.drawImage(rect(), frozen_);
    const QPen pen(QColor(255, 64, 64), 1);
    painter.setPen(pen);
    if (corner_) painter.drawRect(QRect(*corner_, pointer_).normalized());
    // The hint in a band at the top, away from where a range usually starts.
    const QRect band(0, 0, width(), fontMetrics().height() * 2);
    painter.fillRect(band, QColor(0, 0, 0, 160));
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter, QString::fromUtf8(kHint));
}

void RangeOverlay::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pointer_ = event->position().toPoint();
    if (!corner_) corner_ = pointer_;  // a second click that is not below and right of it keeps it
    update();
    clicked_(pointer_);
}

void RangeOverlay::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = event->position().toPoint();
    if (corner_) update();
}

void RangeOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) cancelled_();
}

}  // namespace dudo
