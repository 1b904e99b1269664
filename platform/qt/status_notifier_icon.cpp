#include "platform/qt/status_notifier_icon.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QTimer>

#include "platform/qt/program_icon.h"

namespace dudo {

bool StatusNotifierHostRuns() {
    if (!QDBusConnection::sessionBus().isConnected()) return false;
    QDBusInterface watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher");
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

StatusNotifierIcon::StatusNotifierIcon(std::function<void(int)> report, QMenu& menu) {
    // Reported after the host's call has its answer: a popup menu of ours
    // runs its own loop, which would keep the host waiting until it closes.
    QObject::connect(&icon_, &QSystemTrayIcon::activated, [report](QSystemTrayIcon::ActivationReason why) {
        const int event = why == QSystemTrayIcon::Trigger ? 513 : why == QSystemTrayIcon::Context ? 517 : 0;
        if (event) QTimer::singleShot(0, [report, event] { report(event); });
    });
    QObject::connect(&menu, &QMenu::aboutToShow, [report, &menu] {
        if (!menu.isVisible()) report(516);  // the host's menu, not our own popup
    });
    icon_.setContextMenu(&menu);
}

bool StatusNotifierIcon::Apply(const IconRequest& request, bool add) {
    icon_.setToolTip(QString::fromStdString(request.tip));
    if (add) {
        icon_.setIcon(ProgramIcon());
        icon_.show();
    }
    return icon_.isVisible();
}

void StatusNotifierIcon::ShowBalloon(const QString& title, const QString& text, int timeoutMs) {
    icon_.showMessage(title, text, ProgramIcon(), timeoutMs);
}

}  // namespace dudo
