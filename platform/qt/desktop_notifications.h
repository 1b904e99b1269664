// DesktopNotifications: the tray icon's balloons sent to the desktop's
// notification service (org.freedesktop.Notifications on the session bus).
// Implements: one notification slot for the program, as a tray icon has one
// balloon: each balloon replaces the one before (the service's replaces-id),
// so balloons never pile up; the program's picture and the balloon's title,
// text and time-out. Leaves out: actions and the service's close signal.
#pragma once
#include <QString>
#include <cstdint>

namespace dudo {

class DesktopNotifications {
public:
    // Whether a notification service runs on the session bus now.
    static bool Available();
    // Shows the balloon; false when the service did not take it.
    bool Show(const QString& title, const QString& text, int timeoutMs);

private:
    std::uint32_t lastId_ = 0;
};

}  // namespace dudo
