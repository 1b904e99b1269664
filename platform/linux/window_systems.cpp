// The one place the window system is chosen.
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "platform/linux/capture_request.h"
#include "platform/linux/window_system.h"
#include "platform/wayland/wayland_window_system.h"
#include "platform/x11/x11_window_system.h"

namespace dudo {

// Under XWayland an X11 copy of the screen is black or refused, and keys
// reach X clients only while one of them has the focus: a Wayland session
// gets the Wayland backend even when DISPLAY is set.
std::unique_ptr<WindowSystem> MakeWindowSystem() {
    if (WaylandSession()) return std::make_unique<WaylandWindowSystem>();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) throw Error("沒有 X 顯示器：dudo 需要 X11 或 Wayland (no X display: set DISPLAY)");
    return std::make_unique<X11WindowSystem>();
}

bool OnWayland(const WindowSystem& windows) { return std::string(windows.ToolkitPlatform()) == "wayland"; }

}  // namespace dudo
