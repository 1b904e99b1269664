#include "platform/x11/x11_window_system.h"

#include <cstdio>
#include <cstdlib>

#include "platform/qt/status_notifier_icon.h"
#include "platform/x11/xembed_tray_icon.h"

// Xlib last: its macros (Bool, Status) would break the Qt headers.
#include <X11/Xlib.h>

namespace dudo {

namespace {

// The X server gone (stopped, crashed, the session ended): say so and end
// at once, before any tick could save a picture of nothing.
int EndWithTheDisplay(Display* display) {
    std::fprintf(stderr, "dudo: 與 X 顯示器 %s 的連線中斷，程式結束 (lost the connection to the X11 display)\n",
                 DisplayString(display));
    std::_Exit(3);
}

// Before any connection opens, so that every one of them ends this way.
bool WatchTheDisplay() {
    XSetIOErrorHandler(EndWithTheDisplay);
    return true;
}

}  // namespace

X11WindowSystem::X11WindowSystem() : watching_(WatchTheDisplay()) {}

void X11WindowSystem::Activate(QWidget& window) {
    if (window.isVisible()) screen_.Activate(window.winId());
}

std::unique_ptr<TrayIcon> X11WindowSystem::MakeTrayIcon(std::function<void(int)> report, QMenu& menu) {
    if (StatusNotifierHostRuns()) return std::make_unique<StatusNotifierIcon>(std::move(report), menu);
    return std::make_unique<XEmbedTrayIcon>(std::move(report));
}

}  // namespace dudo
