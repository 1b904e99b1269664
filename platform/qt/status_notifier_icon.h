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

#include "platform/qt/tray_icon.h"

namespace dudo {

// Whether a StatusNotifierItem host is registered on the session bus.
bool StatusNotifierHostRuns();

class StatusNotifierIcon : public TrayIcon {
public:
    StatusNotifierIcon(std::function<void(int)> report, QMenu& menu);
    bool Apply(const IconRequest& request, bool add) override;
    bool Shown() override { return StatusNotifierHostRuns(); }  // the host asks for a registered item itself
    void ShowBalloon(const QString& title, const QString& text, int timeoutMs) override;

private:
    QSystemTrayIcon icon_;
};

}  // namespace dudo
