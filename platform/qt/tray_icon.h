// The notification-area icon as a Linux desktop shows it: the toolkit's
// StatusNotifierItem over D-Bus where a host runs (most current panels, and
// every Wayland one), or our XEmbed window docked into an X11 tray. Either
// reports the tray events by their numbers (512 move, 513 left press or
// activation, 517 right release or context-menu request, on X11 the others too).
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
    // Whether a tray shows the icon now; one that came after it takes it now.
    virtual bool Shown() = 0;
    // A balloon of the icon's own, where no notification service runs.
    virtual void ShowBalloon(const QString& title, const QString& text, int timeoutMs) = 0;
};

}  // namespace dudo
