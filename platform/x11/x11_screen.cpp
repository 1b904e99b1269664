#include <string>
#include "platform/x11/x11_screen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xinerama.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/error.h"
#include "platform/x11/x11_error_guard.h"
#include "platform/x11/x11_property.h"

namespace dudo {

namespace {

// Reads `count` 32-bit items of a window property (which Xlib hands over
// as longs); empty when it is not there. Any client may set its own
// window's properties to anything: the items are read only from a reply of
// the type and the format asked for, holding that many.
template <class Item> std::vector<Item> ReadProperty(Display* d, Window window, Atom property, Atom type, long count) {
    static_assert(sizeof(Item) == sizeof(long), "32-bit items come as longs");
    std::vector<Item> items;
    if (property == None) return items;
    Atom actualType = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, property, 0, count, False, type, &actualType, &format, &n, &after, &data) == Success)
        for (long item : PropertyItems(actualType, type, format, n, data, count)) items.push_back(static_cast<Item>(item));
    if (data) XFree(data);
    return items;
}

}  // namespace

struct X11Screen::State {
    Display* display = nullptr;
    Window root = 0;
    int width = 0, height = 0;
    double twipsX = 15, twipsY = 15;
    bool shm = false;
    XShmSegmentInfo segment{};
    std::size_t segmentBytes = 0;  // sized for the screen at start; a larger screen later is copied without it
    // The segment, lent to the surface it fills; detached from this process
    // once neither the screen nor a picture holds it.
    PixelLender segmentLender;
    bool SegmentFreeFor(const Picture& surface, int w, int h) const {
        return shm && static_cast<std::size_t>(w) * h * 4 <= segmentBytes && segmentLender.FreeFor(surface);
    }
    bool fixes = false;
};

X11Screen::X11Screen() : s_(std::make_unique<State>()) {
    Display* d = s_->display = XOpenDisplay(nullptr);
    if (!d) throw Error("無法連上 X 顯示器 " + std::string(XDisplayName(nullptr)) +
                                  " (cannot open the X display)");
    const int screen = DefaultScreen(d);
    s_->root = RootWindow(d, screen);
    s_->width = DisplayWidth(d, screen);
    s_->height = DisplayHeight(d, screen);
    // Twips per pixel from the real resolution, in whole dots per inch.
    const int mmX = DisplayWidthMM(d, screen), mmY = DisplayHeightMM(d, screen);
    if (mmX > 0) s_->twipsX = 1440.0 / std::round(s_->width * 25.4 / mmX);
    if (mmY > 0) s_->twipsY = 1440.0 / std::round(s_->height * 25.4 / mmY);
    int eventBase, errorBase;
    s_->fixes = XFixesQueryExtension(d, &eventBase, &errorBase);
    if (XShmQueryExtension(d)) {
        const std::size_t bytes = static_cast<std::size_t>(s_->width) * s_->height * 4;
        s_->segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        s_->segmentBytes = bytes;
        if (s_->segment.shmid >= 0) {
            s_->segment.shmaddr = static_cast<char*>(shmat(s_->segment.shmid, nullptr, 0));
            s_->segment.readOnly = False;
            ErrorGuard guard(d);
            XShmAttach(d, &s_->segment);
            s_->shm = !guard.failed() && s_->segment.shmaddr != reinterpret_cast<char*>(-1);
            shmctl(s_->segment.shmid, IPC_RMID, nullptr);  // goes when both sides detach
            // Touch the pages now, so the first capture does not pay for it.
            if (s_->shm) {
                std::memset(s_->segment.shmaddr, 0, bytes);
                s_->segmentLender = PixelLender(reinterpret_cast<std::uint32_t*>(s_->segment.shmaddr),
                                                std::shared_ptr<void>(s_->segment.shmaddr, [](void* at) { shmdt(at); }));
            }
        }
    }
}

X11Screen::~X11Screen() {
    if (s_->shm) XShmDetach(s_->display, &s_->segment);
    XCloseDisplay(s_->display);
}

bool X11Screen::sharedMemory() const { return s_->shm; }
Size X11Screen::ScreenSize() { return {s_->width, s_->height}; }
double X11Screen::TwipsPerPixelX() { return s_->twipsX; }
double X11Screen::TwipsPerPixelY() { return s_->twipsY; }

// The monitors of a Xinerama (or RandR) layout as the server tells them; the
// whole X screen where it tells none.
std::vector<Rect> X11Screen::Monitors() {
    std::vector<Rect> monitors;
    int count = 0;
    if (XineramaIsActive(s_->display))
        if (XineramaScreenInfo* screens = XineramaQueryScreens(s_->display, &count)) {
            for (int i = 0; i < count; ++i)
                monitors.push_back({screens[i].x_org, screens[i].y_org, screens[i].x_org + screens[i].width,
                                    screens[i].y_org + screens[i].height});
            XFree(screens);
        }
    if (monitors.empty()) monitors.push_back({0, 0, s_->width, s_->height});
    return monitors;
}

void X11Screen::CopyScreen(int x, int y, Picture& surface) {
    // Monitor by monitor: parts of the X screen that no monitor shows (beside
    // a shorter monitor) keep the surface's pixels, as parts off the screen do.
    std::vector<Rect> parts;
    for (const Rect& monitor : Monitors())
        if (const Rect part = AreaOnScreen(x, y, surface, monitor); part.right > part.left) parts.push_back(part);
    const bool whole = parts.size() == 1 && parts[0].left == x && parts[0].top == y &&
                       parts[0].right - parts[0].left == surface.width && parts[0].bottom - parts[0].top == surface.height &&
                       surface.stride == surface.width;
    if (whole && s_->SegmentFreeFor(surface, surface.width, surface.height) && CopyIntoSegment(x, y, surface)) return;
    // The surface cannot stay in the segment if the segment is to stage the parts.
    s_->segmentLender.TakeBack(surface);
    for (const Rect& part : parts) CopyPart(x, y, part, surface);
}

// The whole surface straight from the server into the segment, which the
// surface then uses as its memory: no second copy of the frame is made.
bool X11Screen::CopyIntoSegment(int x, int y, Picture& surface) {
    Display* d = s_->display;
    XImage* image = XShmCreateImage(d, DefaultVisual(d, DefaultScreen(d)), DefaultDepth(d, DefaultScreen(d)), ZPixmap,
                                    s_->segment.shmaddr, &s_->segment, surface.width, surface.height);
    if (!image) return false;
    const bool fits = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                      image->bytes_per_line == surface.width * 4;
    const bool copied = fits && XShmGetImage(d, s_->root, image, x, y, AllPlanes);
    image->data = nullptr;  // the segment stays ours
    XDestroyImage(image);
    if (!copied) return false;
    s_->segmentLender.LendTo(surface);
    for (std::uint32_t& p : surface.pixels) p |= 0xFF000000u;  // the server leaves the top byte zero
    return true;
}

void X11Screen::CopyPart(int x, int y, const Rect& part, Picture& surface) {
    const int left = part.left, top = part.top, w = part.right - part.left, h = part.bottom - part.top;
    Display* d = s_->display;
    XImage* image = nullptr;
    bool shmImage = false;
    if (s_->SegmentFreeFor(surface, w, h)) {
        image = XShmCreateImage(d, DefaultVisual(d, DefaultScreen(d)), DefaultDepth(d, DefaultScreen(d)), ZPixmap,
                                s_->segment.shmaddr, &s_->segment, w, h);
        if (image && XShmGetImage(d, s_->root, image, static_cast<int>(left), static_cast<int>(top), AllPlanes)) {
            shmImage = true;
        } else if (image) {
            image->data = nullptr;
            XDestroyImage(image);
            image = nullptr;
        }
    }
    if (!image) image = XGetImage(d, s_->root, static_cast<int>(left), static_cast<int>(top), w, h, AllPlanes, ZPixmap);
    // A picture of the surface's white would pass for a capture: refuse it.
    if (!image) throw Error("無法複製螢幕 (the screen could not be copied)");
    const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
    for (int row = 0; row < h; ++row) {
        std::uint32_t* out = surface.row(static_cast<int>(top - y) + row) + (left - x);
        if (direct) {
            const auto* in = reinterpret_cast<const std::uint32_t*>(image->data + static_cast<std::size_t>(row) * image->bytes_per_line);
            for (int col = 0; col < w; ++col) out[col] = in[col] | 0xFF000000u;
        } else {
            for (int col = 0; col < w; ++col) {
                const unsigned long p = XGetPixel(image, col, row);
                out[col] = Rgb((p & image->red_mask) >> 16, (p & image->green_mask) >> 8, p & image->blue_mask);
            }
        }
    }
    if (shmImage) image->data = nullptr;  // the segment stays ours
    XDestroyImage(image);
}

std::optional<CursorImage> X11Screen::Cursor() {
    if (!s_->fixes) return std::nullopt;
    XFixesCursorImage* c = XFixesGetCursorImage(s_->display);
    if (!c) return std::nullopt;
    CursorImage cursor;
    cursor.image = Picture::Filled(c->width, c->height, 0);
    cursor.hotspot = {c->xhot, c->yhot};
    for (int i = 0; i < c->width * c->height; ++i) {
        // XFixes pixels are premultiplied ARGB in longs; ours are straight.
        const auto p = static_cast<std::uint32_t>(c->pixels[i]);
        const unsigned a = Alpha(p);
        auto straight = [a](unsigned v) { return a ? std::min(255u, (v * 255 + a / 2) / a) : 0u; };
        cursor.image.pixels[i] = (a << 24) | (straight(Red(p)) << 16) | (straight(Green(p)) << 8) | straight(Blue(p));
    }
    XFree(c);
    return cursor;
}

std::optional<Rect> X11Screen::ForegroundWindowRect() {
    Display* d = s_->display;
    ErrorGuard guard(d);
    const auto active = ReadProperty<Window>(d, s_->root, XInternAtom(d, "_NET_ACTIVE_WINDOW", True), XA_WINDOW, 1);
    Window window = active.empty() ? 0 : active[0];
    if (!window) {  // no window manager: the window with the input focus, up to its top level
        int revert;
        XGetInputFocus(d, &window, &revert);
        if (window == PointerRoot || window == None) return std::nullopt;
        for (;;) {
            Window root, parent, *children = nullptr;
            unsigned n;
            if (!XQueryTree(d, window, &root, &parent, &children, &n)) return std::nullopt;
            if (children) XFree(children);
            if (parent == root || parent == None) break;
            window = parent;
        }
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes)) return std::nullopt;
    int x, y;
    Window child;
    XTranslateCoordinates(d, window, s_->root, 0, 0, &x, &y, &child);
    Rect rect{x - attributes.border_width, y - attributes.border_width, x + attributes.width + attributes.border_width,
              y + attributes.height + attributes.border_width};
    // The frame the window manager draws around it: left, right, top, bottom.
    const auto e = ReadProperty<long>(d, window, XInternAtom(d, "_NET_FRAME_EXTENTS", True), XA_CARDINAL, 4);
    if (!e.empty())
        rect = {rect.left - static_cast<int>(e[0]), rect.top - static_cast<int>(e[2]),
                rect.right + static_cast<int>(e[1]), rect.bottom + static_cast<int>(e[3])};
    if (guard.failed()) return std::nullopt;  // the window went away meanwhile
    return rect;
}

void X11Screen::Activate(unsigned long window) {
    Display* d = s_->display;
    ErrorGuard guard(d);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager-like request: honoured by most managers
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, s_->root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XRaiseWindow(d, window);
    XSetInputFocus(d, window, RevertToParent, CurrentTime);
    XFlush(d);
}

}  // namespace dudo
