#include "platform/x11/x11_tray_dock.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <memory>
#include <string>
#include <vector>

namespace dudo {

namespace {

using DisplayPtr = std::unique_ptr<Display, decltype(&XCloseDisplay)>;

DisplayPtr OpenDisplay() { return {XOpenDisplay(nullptr), &XCloseDisplay}; }

Window TrayManager(Display* d) {
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(d));
    return XGetSelectionOwner(d, XInternAtom(d, selection.c_str(), False));
}

// Opaque, the few half-covered edge pixels blended over a light grey.
std::vector<std::uint32_t> WindowPixels(const std::uint32_t* picture, int count) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::uint32_t p = picture[i];
        const unsigned a = p >> 24;
        auto mix = [a](unsigned v) { return (v * a + 0xED * (255 - a)) / 255; };
        pixels[i] = mix((p >> 16) & 0xFF) << 16 | mix((p >> 8) & 0xFF) << 8 | mix(p & 0xFF);
    }
    return pixels;
}

// The window takes the picture's outline, so the panel shows through where
// the picture is transparent, whatever the host draws and whether or not a
// compositing manager runs.
void ShapeToPicture(Display* d, Window window, const std::uint32_t* picture, int width, int height) {
    const int stride = (width + 7) / 8;
    std::vector<char> bits(static_cast<std::size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (picture[y * width + x] >> 24 >= 0x80) bits[y * stride + x / 8] |= static_cast<char>(1 << (x % 8));
    Pixmap mask = XCreateBitmapFromData(d, window, bits.data(), width, height);
    XShapeCombineMask(d, window, ShapeBounding, 0, 0, mask, ShapeSet);
    XFreePixmap(d, mask);
}

}  // namespace

unsigned long TrayManagerWindow() {
    const DisplayPtr d = OpenDisplay();
    return d ? TrayManager(d.get()) : None;
}

unsigned long RequestTrayDock(unsigned long window, int size) {
    const DisplayPtr d = OpenDisplay();
    if (!d) return None;
    const Window tray = TrayManager(d.get());
    if (tray == None) return None;
    // Tray hosts size their icons from the size hints.
    XSizeHints hints{};
    hints.flags = PMinSize | PBaseSize;
    hints.min_width = hints.base_width = hints.min_height = hints.base_height = size;
    XSetWMNormalHints(d.get(), window, &hints);
    XResizeWindow(d.get(), window, size, size);
    const Atom info = XInternAtom(d.get(), "_XEMBED_INFO", False);
    const long xembed[2] = {0, 1};  // version 0, mapped
    XChangeProperty(d.get(), window, info, info, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(xembed), 2);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = tray;
    event.xclient.message_type = XInternAtom(d.get(), "_NET_SYSTEM_TRAY_OPCODE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 0;  // SYSTEM_TRAY_REQUEST_DOCK
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(d.get(), tray, False, NoEventMask, &event);
    XSync(d.get(), False);
    return tray;
}

void SetTrayPicture(unsigned long window, const std::uint32_t* picture, int width, int height) {
    const DisplayPtr d = OpenDisplay();
    XWindowAttributes attributes;
    if (!d || !XGetWindowAttributes(d.get(), window, &attributes)) return;
    std::vector<std::uint32_t> pixels = WindowPixels(picture, width * height);
    Pixmap pixmap = XCreatePixmap(d.get(), window, width, height, attributes.depth);
    XImage* image = XCreateImage(d.get(), attributes.visual, attributes.depth, ZPixmap, 0,
                                 reinterpret_cast<char*>(pixels.data()), width, height, 32, 0);
    GC gc = XCreateGC(d.get(), pixmap, 0, nullptr);
    XPutImage(d.get(), pixmap, gc, image, 0, 0, 0, 0, width, height);
    XFreeGC(d.get(), gc);
    image->data = nullptr;
    XDestroyImage(image);
    ShapeToPicture(d.get(), window, picture, width, height);
    XSetWindowBackgroundPixmap(d.get(), window, pixmap);
    XFreePixmap(d.get(), pixmap);  // the window keeps its own reference
    XClearWindow(d.get(), window);
    XSync(d.get(), False);
}

bool WindowScreenOrigin(unsigned long window, int& x, int& y) {
    const DisplayPtr d = OpenDisplay();
    if (!d) return false;
    Window child;
    return XTranslateCoordinates(d.get(), window, DefaultRootWindow(d.get()), 0, 0, &x, &y, &child);
}

}  // namespace dudo
