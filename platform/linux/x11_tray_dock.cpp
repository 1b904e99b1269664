#include "platform/linux/x11_tray_dock.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

namespace dudo {

namespace {

// The icon over a light panel colour, as a background pixmap of the window.
void SetBackground(Display* d, Window window, const std::uint32_t* picture) {
    constexpr int kSize = 22;
    std::vector<std::uint32_t> pixels(kSize * kSize);
    for (int i = 0; i < kSize * kSize; ++i) {
        const std::uint32_t p = picture[i];
        const unsigned a = p >> 24;
        auto mix = [a](unsigned v) { return (v * a + 0xED * (255 - a)) / 255; };
        pixels[i] = mix((p >> 16) & 0xFF) << 16 | mix((p >> 8) & 0xFF) << 8 | mix(p & 0xFF);
    }
    const int screen = DefaultScreen(d);
    Pixmap pixmap = XCreatePixmap(d, window, kSize, kSize, DefaultDepth(d, screen));
    XImage* image = XCreateImage(d, DefaultVisual(d, screen), DefaultDepth(d, screen), ZPixmap, 0,
                                 reinterpret_cast<char*>(pixels.data()), kSize, kSize, 32, 0);
    XPutImage(d, pixmap, DefaultGC(d, screen), image, 0, 0, 0, 0, kSize, kSize);
    image->data = nullptr;
    XDestroyImage(image);
    XSetWindowBackgroundPixmap(d, window, pixmap);
    XFreePixmap(d, pixmap);  // the window keeps its own reference
    XClearWindow(d, window);
}

}  // namespace

bool RequestTrayDock(unsigned long window, const std::uint32_t* picture) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(d));
    const Window tray = XGetSelectionOwner(d, XInternAtom(d, selection.c_str(), False));
    if (tray != None) {
        // Tray hosts size their icons from the size hints.
        XSizeHints hints{};
        hints.flags = PMinSize | PBaseSize;
        hints.min_width = hints.base_width = 22;
        hints.min_height = hints.base_height = 22;
        XSetWMNormalHints(d, window, &hints);
        XResizeWindow(d, window, 22, 22);
        SetBackground(d, window, picture);
        const Atom info = XInternAtom(d, "_XEMBED_INFO", False);
        const long xembed[2] = {0, 1};  // version 0, mapped
        XChangeProperty(d, window, info, info, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(xembed), 2);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = tray;
        event.xclient.message_type = XInternAtom(d, "_NET_SYSTEM_TRAY_OPCODE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = 0;  // SYSTEM_TRAY_REQUEST_DOCK
        event.xclient.data.l[2] = static_cast<long>(window);
        XSendEvent(d, tray, False, NoEventMask, &event);
        XSync(d, False);
    }
    XCloseDisplay(d);
    return tray != None;
}

}  // namespace dudo

namespace dudo {

bool WindowScreenOrigin(unsigned long window, int& x, int& y) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    Window child;
    const bool ok = XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    XCloseDisplay(d);
    return ok;
}

}  // namespace dudo
