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

StatusNotifierIcon::StatusNotifierIcon(std::function<void(int)> report, QMenu& menu) : report_(std::move(report)), menu_(menu) {
    QObject::connect(&menu, &QMenu::aboutToShow, [this] {
        if (!menu_.isVisible()) report_(516);  // the host's menu, not our own popup
    });
}

bool StatusNotifierIcon::Made(bool hostRuns) {
    if (icon_ || !hostRuns) return icon_ != nullptr;
    icon_ = std::make_unique<QSystemTrayIcon>(ProgramIcon());
    // Reported after the host's call has its answer: a popup menu of ours
    // runs its own loop, which would keep the host waiting until it closes.
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, [report = report_](QSystemTrayIcon::ActivationReason why) {
        const int event = why == QSystemTrayIcon::Trigger ? 513 : why == QSystemTrayIcon::Context ? 517 : 0;
        if (event) QTimer::singleShot(0, [report, event] { report(event); });
    });
    icon_->setContextMenu(&menu_);
    icon_->setToolTip(tip_);
    icon_->show();
    return true;
}

bool StatusNotifierIcon::Apply(const IconRequest& request, bool add) {
    tip_ = QString::fromStdString(request.tip);
    added_ = added_ || add;
    if (!added_ || !Made(icon_ || StatusNotifierHostRuns())) return false;
    icon_->setToolTip(tip_);
    return icon_->isVisible();
}

// A host that came after the icon takes it now.
bool StatusNotifierIcon::Shown() {
    if (!added_) return false;
    const bool hostRuns = StatusNotifierHostRuns();
    return Made(hostRuns) && hostRuns;
}

void StatusNotifierIcon::ShowBalloon(const QString& title, const QString& text, int timeoutMs) {
    if (icon_) icon_->showMessage(title, text, ProgramIcon(), timeoutMs);
}

}  // namespace dudo
