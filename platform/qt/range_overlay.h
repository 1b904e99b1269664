// RangeOverlay: range picking where clicks on other programs' windows cannot
// be seen (Wayland). A full-screen window over the panel's screen shows the
// screen as it was when picking began and takes the clicks itself: the
// first corner, then a rectangle that follows the pointer to the second.
// Esc gives up. Positions are the toolkit's, from the screen's corner.
#pragma once
#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

namespace dudo {

class RangeOverlay : public QWidget {
public:
    RangeOverlay(std::function<void(QPoint)> clicked, std::function<void()> cancelled);

    // Over `screen`, showing `frozen` (the screen's picture; none: dimmed).
    void ShowOver(QScreen* screen, QImage frozen);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void(QPoint)> clicked_;
    std::function<void()> cancelled_;
    QImage frozen_;
    std::optional<QPoint> corner_;  // of the first click, in the widget's own coordinates
    QPoint pointer_;
};

}  // namespace dudo
