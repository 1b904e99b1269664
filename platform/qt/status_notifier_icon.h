// The icon as a freedesktop StatusNotifierItem, through the toolkit's own
// item: the picture at every size the host may ask for, the tip as its tool
// tip, Activate reported as 513 and ContextMenu as 517. Most hosts show the
// context menu themselves, from the popup menu exported over D-Bus; just
// before, they ask for it, which comes as 516 (a right press), so that the
// handlers set "顯示" as they would before a popup of their own. Hosts report
// no pointer movement, so 512 never comes.
#pragma once
#include <QMenu>
#include <QSystemTrayIcon>
#include <memory>

#include "platform/qt/tray_icon.h"

namespace dudo {

// Whether a StatusNotifierItem host is registered on the session bus.
bool StatusNotifierHostRuns();

class StatusNotifierIcon : public TrayIcon {
public:
    StatusNotifierIcon(std::function<void(int)> report, QMenu& menu);
    bool Apply(const IconRequest& request, bool add) override;
    bool Shown() override;
    void ShowBalloon(const QString& title, const QString& text, int timeoutMs) override;

private:
    // The toolkit's item, made once a host runs (`hostRuns` told by the
    // caller): made before, the toolkit would take an X11 tray of its own
    // for good, and warn under Wayland. Whether it is made.
    bool Made(bool hostRuns);

    std::function<void(int)> report_;
    QMenu& menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QString tip_;
    bool added_ = false;
};

}  // namespace dudo
