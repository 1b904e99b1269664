// XEmbedTrayIcon: the notification-area icon on X11, a small window docked into
// the tray with XEmbed, which reports every mouse event on it as the event
// numbers the tray handlers decode (512 move, 513 left press, 514 left
// release, 515 left double click, 516 right press, 517 right release), and
// shows the record's tip and balloon. The picture is the window's background,
// drawn by the X server at the size the host gives, in the picture's shape.
#pragma once
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "platform/qt/tray_icon.h"

namespace dudo {

class XEmbedTrayIcon : public QWidget, public TrayIcon {
public:
    explicit XEmbedTrayIcon(std::function<void(int)> report);
    bool Apply(const IconRequest& request, bool add) override;
    bool Shown() override;
    // Our own balloon beside the icon.
    void ShowBalloon(const QString& title, const QString& text, int timeoutMs) override;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowPicture();
    void Dock();

    std::function<void(int)> report_;
    QLabel balloon_;
    QTimer balloonTimer_;
    unsigned long tray_ = 0;  // the tray manager docked into; 0: not docked
};

}  // namespace dudo
