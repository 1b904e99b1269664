// The notification-area icon as a Linux desktop shows it. Where a
// StatusNotifierItem host runs on the session bus (most current panels), the
// toolkit's item carries the icon over D-Bus; elsewhere our XEmbed window
// docks into the X11 tray. Either one reports the tray events by their
// numbers (512 move, 513 left press or activation, 517 right release or
// context-menu request, and on X11 the others too).
#pragma once
#include <QMenu>
#include <QString>
#include <functional>
#include <memory>

#include "tray/notify_icon.h"

namespace dudo {

class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    // Add or modify with the record's contents; false when no tray shows it.
    virtual bool Apply(const IconRequest& request, bool add) = 0;
    // A balloon of the icon's own, where no notification service runs.
    virtual void ShowBalloon(const QString& title, const QString& text, int timeoutMs) = 0;
};

// `menu` is the popup menu, for hosts that show it themselves.
std::unique_ptr<TrayIcon> MakeTrayIcon(std::function<void(int)> report, QMenu& menu);

}  // namespace dudo
