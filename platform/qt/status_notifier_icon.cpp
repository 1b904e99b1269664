#include "platform/qt/status_notifier_icon.h"

#include <QDBusConnection>
#include <QDBusInterface>

#include "platform/qt/program_icon.h"

namespace dudo {

bool StatusNotifierHostRuns() {
    if (!QDBusConnection::sessionBus().isConnected()) return false;
    QDBusInterface watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher");
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

StatusNotifierIcon::StatusNotifierIcon(std::function<void(int)> report, QMenu& menu) {
    QObject::connect(&icon_, &QSystemTrayIcon::activated, [report](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger) report(513);
        if (why == QSystemTrayIcon::Context) report(517);
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
