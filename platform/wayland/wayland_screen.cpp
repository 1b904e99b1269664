#include "platform/wayland/wayland_screen.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <list>
#include <cstring>
#include <vector>

#include "common/error.h"
#include "imagelib/limits.h"
#include "platform/linux/output_layout.h"
#include "platform/wayland/wlr_screencopy_protocol.h"
#include "platform/wayland/xdg_output_protocol.h"

namespace dudo {

using namespace wayland;

namespace {

struct Output {
    wl_output* output = nullptr;
    int x = 0, y = 0, width = 0, height = 0, scale = 1;  // width 0: not described yet, or gone
    std::string name;
    std::uint32_t global = 0;  // the registry's name for it
    zxdg_output_v1* xdg = nullptr;
    int layoutX = 0, layoutY = 0, layoutWidth = 0, layoutHeight = 0;  // as xdg-output tells, where it does
};

// The shared memory the compositor copies into, kept from one copy to the
// next. A picture may be lent it; the lease unmaps it, so a lent picture
// keeps it after the buffer is replaced.
struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    PixelLender memory;
    std::uint32_t format = 0, width = 0, height = 0, stride = 0;

    bool Fits(std::uint32_t f, std::uint32_t w, std::uint32_t h, std::uint32_t s) const {
        return buffer && format == f && width == w && height == h && stride == s;
    }
    void Release() {
        if (buffer) wl_buffer_destroy(buffer);
        buffer = nullptr;
        memory = PixelLender();
    }
};

// What the compositor says of the frame being copied.
struct Frame {
    std::uint32_t format = 0, width = 0, height = 0, stride = 0, flags = 0;
    bool described = false, bufferDone = false, ready = false, failed = false;
};

const std::uint32_t kXBGR8888 = 0x34324258, kABGR8888 = 0x34324241;  // 'XB24', 'AB24'
const std::uint32_t kXRGB8888 = 1, kARGB8888 = 0;  // wl_shm's own codes for the two it always has

}  // namespace

struct WaylandScreen::State {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_shm* shm = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    // In the order announced, as many as the compositor has now: outputs
    // come and go all day (a monitor that sleeps goes); their listeners
    // hold their places, which a list keeps.
    std::list<Output> outputs;
    Output* chosen = nullptr;  // the panel's output; none: the first
    const Output& Chosen() const { return chosen ? *chosen : outputs.front(); }
    ShmBuffer buffer;
    Frame frame;

    ~State() {
        buffer.Release();
        if (screencopy) DestroyManager(screencopy);
        for (Output& o : outputs) {
            if (o.xdg) DestroyXdg(o.xdg);
            wl_output_destroy(o.output);
        }
        if (xdgOutputs) DestroyXdg(xdgOutputs);
        if (shm) wl_shm_destroy(shm);
        if (registry) wl_registry_destroy(registry);
        if (display) wl_display_disconnect(display);
    }

    void Dispatch() {
        if (wl_display_dispatch(display) < 0) throw Error("與 Wayland 合成器的連線中斷 (lost the connection to the Wayland compositor)");
    }
    // Handles what the compositor has sent meanwhile, without waiting for more.
    void DispatchWaiting() {
        while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
        wl_display_flush(display);
        pollfd readable{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&readable, 1, 0) > 0) wl_display_read_events(display);
        else wl_display_cancel_read(display);
        wl_display_dispatch_pending(display);
    }
    void MakeBuffer(const Frame& f, const Picture& surface);
    void FollowLayout(Output& o);
    void LendTo(Picture& surface);
    bool Grab(const Output& output, const Rect& region, bool withPointer, Picture& surface, bool whole);
};

namespace {

Output* OutputOf(void* data) { return static_cast<Output*>(data); }

const wl_output_listener kOutputListener = {
    [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {
        OutputOf(data)->x = x, OutputOf(data)->y = y;
    },
    [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
        if (flags & WL_OUTPUT_MODE_CURRENT) OutputOf(data)->width = width, OutputOf(data)->height = height;
    },
    [](void*, wl_output*) {},
    [](void* data, wl_output*, int32_t scale) { OutputOf(data)->scale = std::max(1, scale); },
    [](void* data, wl_output*, const char* name) { OutputOf(data)->name = name; },
    [](void*, wl_output*, const char*) {},
};

const XdgOutputListener kXdgOutputListener = {
    [](void* data, zxdg_output_v1*, int32_t x, int32_t y) { OutputOf(data)->layoutX = x, OutputOf(data)->layoutY = y; },
    [](void* data, zxdg_output_v1*, int32_t width, int32_t height) { OutputOf(data)->layoutWidth = width, OutputOf(data)->layoutHeight = height; },
    [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

void Announced(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* s = static_cast<WaylandScreen::State*>(data);
    const std::string which = interface;
    if (which == "wl_shm") {
        s->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (which == "wl_output") {
        s->outputs.push_back({static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 4u))), 0, 0, 0, 0, 1, "", name});
        wl_output_add_listener(s->outputs.back().output, &kOutputListener, &s->outputs.back());
        s->FollowLayout(s->outputs.back());
    } else if (which == zxdg_output_manager_v1_interface.name) {
        s->xdgOutputs = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
        for (Output& o : s->outputs) s->FollowLayout(o);
    } else if (which == zwlr_screencopy_manager_v1_interface.name) {
        s->screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, std::min(version, 3u)));
    }
}

void Removed(void* data, wl_registry*, uint32_t name) {
    auto* s = static_cast<WaylandScreen::State*>(data);
    s->outputs.remove_if([&](Output& o) {
        if (o.global != name) return false;
        if (s->chosen == &o) s->chosen = nullptr;
        if (o.xdg) DestroyXdg(o.xdg);
        wl_output_destroy(o.output);
        return true;
    });
}

const wl_registry_listener kRegistryListener = {Announced, Removed};

Frame& FrameOf(void* data) { return static_cast<WaylandScreen::State*>(data)->frame; }

const ScreencopyFrameListener kFrameListener = {
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
        FrameOf(data) = {format, width, height, stride, 0, true, false, false, false};
    },
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) { FrameOf(data).flags = flags; },
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) { FrameOf(data).ready = true; },
    [](void* data, zwlr_screencopy_frame_v1*) { FrameOf(data).failed = true; },
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    [](void* data, zwlr_screencopy_frame_v1*) { FrameOf(data).bufferDone = true; },
};

// Where an output lies in the layout, in logical units, and the pixels it shows.
OutputGeometry GeometryOf(const Output& o) {
    const Rect logical = o.layoutWidth > 0 ? Rect{o.layoutX, o.layoutY, o.layoutX + o.layoutWidth, o.layoutY + o.layoutHeight}
                                           : Rect{o.x, o.y, o.x + o.width / o.scale, o.y + o.height / o.scale};
    return {logical, {o.width, o.height}};
}

}  // namespace

namespace {

// What Resample and the lent surface read: 32-bit pixels of one of these
// four orders, rows at least a row of pixels apart, within the pixel budget.
bool Readable(const Frame& f) {
    const bool order = f.format == kXRGB8888 || f.format == kARGB8888 || f.format == kXBGR8888 || f.format == kABGR8888;
    const auto width = static_cast<long long>(f.width), height = static_cast<long long>(f.height), stride = static_cast<long long>(f.stride);
    return order && width > 0 && height > 0 && width <= kPixelBudget / height && stride >= width * 4 && stride <= width * 4 + 4096 &&
           stride * height <= std::numeric_limits<int32_t>::max();
}

}  // namespace

void WaylandScreen::State::MakeBuffer(const Frame& f, const Picture& surface) {
    if (buffer.Fits(f.format, f.width, f.height, f.stride) && buffer.memory.FreeFor(surface)) return;
    buffer.Release();
    const std::size_t size = static_cast<std::size_t>(f.stride) * f.height;
    const int fd = memfd_create("dudo-screen", MFD_CLOEXEC);
    void* data = fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) == 0 ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                                                                        : MAP_FAILED;
    if (data == MAP_FAILED) {
        if (fd >= 0) close(fd);
        throw Error("無法配置螢幕擷取的記憶體 (no shared memory for the screen copy)");
    }
    buffer.memory = PixelLender(static_cast<std::uint32_t*>(data), std::shared_ptr<void>(data, [size](void* mapped) { munmap(mapped, size); }));
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size));
    buffer.buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(f.width), static_cast<int32_t>(f.height),
                                              static_cast<int32_t>(f.stride), f.format);
    wl_shm_pool_destroy(pool);
    close(fd);
    buffer.format = f.format, buffer.width = f.width, buffer.height = f.height, buffer.stride = f.stride;
}

void WaylandScreen::State::FollowLayout(Output& o) {
    if (!xdgOutputs || o.xdg) return;
    o.xdg = GetXdgOutput(xdgOutputs, o.output);
    AddXdgOutputListener(o.xdg, &kXdgOutputListener, &o);
}

// Asks the compositor for that region of the output, in its logical units,
// into the kept buffer. Where the region is the `whole` surface, pixel for
// pixel and in the surface's own layout, the surface is lent the buffer
// rather than given a copy of it, and true is returned.
bool WaylandScreen::State::Grab(const Output& output, const Rect& region, bool withPointer, Picture& surface, bool whole) {
    zwlr_screencopy_frame_v1* copy = CaptureOutputRegion(screencopy, withPointer, output.output, region.left, region.top,
                                                         region.right - region.left, region.bottom - region.top);
    frame = {};
    AddFrameListener(copy, &kFrameListener, this);
    const bool listsBuffers = wl_proxy_get_version(reinterpret_cast<wl_proxy*>(copy)) >= 3;  // then ends the list with buffer_done
    bool lend = false;
    try {
        while (!frame.failed && !(frame.described && (!listsBuffers || frame.bufferDone))) Dispatch();
        if (!frame.failed && !Readable(frame))
            throw Error("Wayland 合成器給的螢幕格式無法讀取 (the compositor's screen copy comes in a form dudo cannot read: format " +
                        std::to_string(frame.format) + ", " + std::to_string(frame.width) + " x " + std::to_string(frame.height) + ", rows of " +
                        std::to_string(frame.stride) + " bytes)");
        if (!frame.failed) {
            lend = whole && (frame.format == kXRGB8888 || frame.format == kARGB8888) && frame.width == static_cast<std::uint32_t>(surface.width) &&
                   frame.height == static_cast<std::uint32_t>(surface.height) && frame.stride == frame.width * 4 &&
                   surface.stride == surface.width;
            // A surface that holds the buffer but cannot stay in it leaves
            // before the compositor writes there.
            if (!lend) buffer.memory.TakeBack(surface);
            MakeBuffer(frame, surface);
            CopyFrame(copy, buffer.buffer);
            while (!frame.failed && !frame.ready) Dispatch();
        }
    } catch (...) {
        DestroyFrame(copy);
        throw;
    }
    DestroyFrame(copy);
    wl_display_flush(display);
    if (frame.failed) throw Error("Wayland 合成器拒絕了螢幕擷取 (the compositor refused the screen copy)");
    if (lend) LendTo(surface);
    return lend;
}

void WaylandScreen::State::LendTo(Picture& surface) {
    buffer.memory.LendTo(surface);
    if (frame.flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT)
        for (int top = 0, bottom = surface.height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(surface.row(top), surface.row(top) + surface.width, surface.row(bottom));
    for (std::uint32_t& p : surface.pixels) p |= 0xFF000000u;  // the X of XRGB is undefined
}

WaylandScreen::WaylandScreen() : s_(std::make_unique<State>()) {
    s_->display = wl_display_connect(nullptr);
    if (!s_->display)
        throw Error("無法連上 Wayland 合成器 " + std::string(std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "wayland-0") +
                    " (cannot reach the Wayland compositor)");
    s_->registry = wl_display_get_registry(s_->display);
    wl_registry_add_listener(s_->registry, &kRegistryListener, s_.get());
    wl_display_roundtrip(s_->display);  // the globals
    wl_display_roundtrip(s_->display);  // the outputs' modes
}

WaylandScreen::~WaylandScreen() = default;

bool WaylandScreen::CanCopy() const { return s_->screencopy && s_->shm && !s_->outputs.empty(); }

void WaylandScreen::Refresh() {
    // Outputs come, go and move: take up what the compositor said meanwhile,
    // and wait only for what a new output then tells of itself.
    const std::size_t known = s_->outputs.size();
    s_->DispatchWaiting();
    if (s_->outputs.size() != known) wl_display_roundtrip(s_->display);
}

void WaylandScreen::Choose(const std::string& outputName) {
    Refresh();
    for (Output& o : s_->outputs)
        if (o.name == outputName) s_->chosen = &o;
}

Size WaylandScreen::ScreenSize() const {
    if (s_->outputs.empty()) return {};
    return {s_->Chosen().width, s_->Chosen().height};
}

OutputGeometry WaylandScreen::Geometry() const { return s_->outputs.empty() ? OutputGeometry{} : GeometryOf(s_->Chosen()); }

Rect WaylandScreen::Layout() const {
    if (s_->outputs.empty()) return {};
    Rect bounds = GeometryOf(s_->Chosen()).logical;
    for (const Output& o : s_->outputs) {
        if (o.width <= 0) continue;
        const Rect r = GeometryOf(o).logical;
        bounds = {std::min(bounds.left, r.left), std::min(bounds.top, r.top), std::max(bounds.right, r.right), std::max(bounds.bottom, r.bottom)};
    }
    return bounds;
}

std::vector<Rect> WaylandScreen::Monitors() const {
    std::vector<Rect> places;
    for (const Output& o : s_->outputs)
        if (o.width > 0) places.push_back(ToScreenPixels(GeometryOf(o).logical, GeometryOf(s_->Chosen())));
    return places;
}

void WaylandScreen::CopyScreen(int x, int y, Picture& surface, bool withPointer) {
    if (!CanCopy()) throw Error("這個 Wayland 合成器不提供螢幕擷取 (this compositor offers no screen copy)");
    const OutputGeometry screen = GeometryOf(s_->Chosen());
    for (const Output& o : s_->outputs) {
        if (o.width <= 0) continue;
        const Rect part = AreaOnScreen(x, y, surface, ToScreenPixels(GeometryOf(o).logical, screen));
        if (part.right <= part.left) continue;
        const OutputRequest request = RequestFor(GeometryOf(o), screen, part);
        const bool whole = request.shows.left == x && request.shows.top == y && request.shows.right - x == surface.width &&
                           request.shows.bottom - y == surface.height;
        if (s_->Grab(o, request.region, withPointer, surface, whole)) continue;
        const ShmBuffer& b = s_->buffer;
        const PixelSource from{reinterpret_cast<const std::uint8_t*>(b.memory.data()), static_cast<int>(b.width), static_cast<int>(b.height), b.stride,
                               b.format == kXBGR8888 || b.format == kABGR8888, (s_->frame.flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0};
        Resample(from, request.shows, part, x, y, surface);
    }
}

void WaylandScreen::CopyFromLayout(const Picture& layout, int x, int y, Picture& surface) const {
    if (s_->outputs.empty() || layout.empty()) return;
    const Rect bounds = Layout();
    if (bounds.right <= bounds.left) return;
    const PixelSource from{reinterpret_cast<const std::uint8_t*>(layout.row(0)), layout.width, layout.height,
                           static_cast<std::uint32_t>(layout.stride) * 4, false, false};
    const Rect shows = ToScreenPixels(bounds, GeometryOf(s_->Chosen()));
    for (const Rect& monitor : Monitors())
        if (const Rect part = AreaOnScreen(x, y, surface, monitor); part.right > part.left) Resample(from, shows, part, x, y, surface);
}

}  // namespace dudo
