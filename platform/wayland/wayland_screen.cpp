#include "platform/wayland/wayland_screen.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/error.h"
#include "platform/wayland/wlr_screencopy_protocol.h"

namespace dudo {

using namespace wayland;

namespace {

struct Output {
    wl_output* output = nullptr;
    int x = 0, y = 0, width = 0, height = 0, scale = 1;
    std::string name;
};

// The shared memory the compositor copies into, kept from one copy to the next.
struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    void* data = MAP_FAILED;
    std::size_t size = 0;
    std::uint32_t format = 0, width = 0, height = 0, stride = 0;

    bool Fits(std::uint32_t f, std::uint32_t w, std::uint32_t h, std::uint32_t s) const {
        return buffer && format == f && width == w && height == h && stride == s;
    }
    void Release() {
        if (buffer) wl_buffer_destroy(buffer);
        if (data != MAP_FAILED) munmap(data, size);
        buffer = nullptr;
        data = MAP_FAILED;
    }
};

// What the compositor says of the frame being copied.
struct Frame {
    std::uint32_t format = 0, width = 0, height = 0, stride = 0, flags = 0;
    bool described = false, bufferDone = false, ready = false, failed = false;
};

const std::uint32_t kXBGR8888 = 0x34324258, kABGR8888 = 0x34324241;  // 'XB24', 'AB24'

}  // namespace

struct WaylandScreen::State {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_shm* shm = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    std::vector<Output> outputs;  // in the order announced
    std::size_t chosen = 0;
    ShmBuffer buffer;
    Frame frame;

    ~State() {
        buffer.Release();
        if (screencopy) DestroyManager(screencopy);
        for (Output& o : outputs) wl_output_destroy(o.output);
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
    void MakeBuffer(const Frame& f);
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

void Announced(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* s = static_cast<WaylandScreen::State*>(data);
    const std::string which = interface;
    if (which == "wl_shm") {
        s->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (which == "wl_output") {
        if (s->outputs.size() == s->outputs.capacity()) return;  // the listeners hold pointers into it
        s->outputs.push_back({static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 4u))), 0, 0, 0, 0, 1, ""});
        wl_output_add_listener(s->outputs.back().output, &kOutputListener, &s->outputs.back());
    } else if (which == zwlr_screencopy_manager_v1_interface.name) {
        s->screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, std::min(version, 3u)));
    }
}

const wl_registry_listener kRegistryListener = {Announced, [](void*, wl_registry*, uint32_t) {}};

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

}  // namespace

void WaylandScreen::State::MakeBuffer(const Frame& f) {
    if (buffer.Fits(f.format, f.width, f.height, f.stride)) return;
    buffer.Release();
    const std::size_t size = static_cast<std::size_t>(f.stride) * f.height;
    const int fd = memfd_create("dudo-screen", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (fd >= 0) close(fd);
        throw Error("無法配置螢幕擷取的記憶體 (no shared memory for the screen copy)");
    }
    buffer.data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (buffer.data == MAP_FAILED) {
        close(fd);
        throw Error("無法配置螢幕擷取的記憶體 (no shared memory for the screen copy)");
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size));
    buffer.buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(f.width), static_cast<int32_t>(f.height),
                                              static_cast<int32_t>(f.stride), f.format);
    wl_shm_pool_destroy(pool);
    close(fd);
    buffer.size = size;
    buffer.format = f.format, buffer.width = f.width, buffer.height = f.height, buffer.stride = f.stride;
}

WaylandScreen::WaylandScreen() : s_(std::make_unique<State>()) {
    s_->display = wl_display_connect(nullptr);
    if (!s_->display)
        throw Error("無法連上 Wayland 合成器 " + std::string(std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "wayland-0") +
                    " (cannot reach the Wayland compositor)");
    s_->outputs.reserve(16);
    s_->registry = wl_display_get_registry(s_->display);
    wl_registry_add_listener(s_->registry, &kRegistryListener, s_.get());
    wl_display_roundtrip(s_->display);  // the globals
    wl_display_roundtrip(s_->display);  // the outputs' modes
}

WaylandScreen::~WaylandScreen() = default;

bool WaylandScreen::CanCopy() const { return s_->screencopy && s_->shm && !s_->outputs.empty(); }

void WaylandScreen::Choose(const std::string& outputName) {
    // Outputs come and go: take up what the compositor said meanwhile, and
    // wait only for what a new output then tells of itself.
    const std::size_t known = s_->outputs.size();
    s_->DispatchWaiting();
    if (s_->outputs.size() != known) wl_display_roundtrip(s_->display);
    for (std::size_t i = 0; i < s_->outputs.size(); ++i)
        if (s_->outputs[i].name == outputName) s_->chosen = i;
}

Size WaylandScreen::ScreenSize() const {
    if (s_->outputs.empty()) return {};
    return {s_->outputs[s_->chosen].width, s_->outputs[s_->chosen].height};
}

Point WaylandScreen::Origin() const {
    if (s_->outputs.empty()) return {};
    return {s_->outputs[s_->chosen].x, s_->outputs[s_->chosen].y};
}

Point WaylandScreen::LayoutCorner() const {
    if (s_->outputs.empty()) return {};
    Point corner{s_->outputs.front().x, s_->outputs.front().y};
    for (const Output& o : s_->outputs) corner = {std::min(corner.x, o.x), std::min(corner.y, o.y)};
    return corner;
}

void WaylandScreen::CopyScreen(int x, int y, Picture& surface, bool withPointer) {
    if (!CanCopy()) throw Error("這個 Wayland 合成器不提供螢幕擷取 (this compositor offers no screen copy)");
    const Output& output = s_->outputs[s_->chosen];
    const Rect part = AreaOnScreen(x, y, surface, Size{output.width, output.height});
    if (part.right <= part.left) return;
    const int left = part.left, top = part.top, right = part.right, bottom = part.bottom, scale = output.scale;
    zwlr_screencopy_frame_v1* frame =
        CaptureOutputRegion(s_->screencopy, withPointer, output.output, left / scale, top / scale, (right - left) / scale, (bottom - top) / scale);
    s_->frame = {};
    AddFrameListener(frame, &kFrameListener, s_.get());
    const bool listsBuffers = wl_proxy_get_version(reinterpret_cast<wl_proxy*>(frame)) >= 3;  // then ends the list with buffer_done
    try {
        while (!s_->frame.failed && !(s_->frame.described && (!listsBuffers || s_->frame.bufferDone))) s_->Dispatch();
        if (!s_->frame.failed) {
            s_->MakeBuffer(s_->frame);
            CopyFrame(frame, s_->buffer.buffer);
            while (!s_->frame.failed && !s_->frame.ready) s_->Dispatch();
        }
    } catch (...) {
        DestroyFrame(frame);
        throw;
    }
    DestroyFrame(frame);
    wl_display_flush(s_->display);
    if (s_->frame.failed) throw Error("Wayland 合成器拒絕了螢幕擷取 (the compositor refused the screen copy)");

    const ShmBuffer& b = s_->buffer;
    const bool swapRedBlue = b.format == kXBGR8888 || b.format == kABGR8888;
    const bool flipped = s_->frame.flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
    const int width = std::min<int>(static_cast<int>(b.width), right - left);
    const int height = std::min<int>(static_cast<int>(b.height), bottom - top);
    for (int row = 0; row < height; ++row) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(b.data) +
                                                                  static_cast<std::size_t>(flipped ? b.height - 1 - row : row) * b.stride);
        std::uint32_t* to = surface.row(static_cast<int>(top - y) + row) + (left - x);
        for (int i = 0; i < width; ++i) {
            const std::uint32_t p = from[i];
            to[i] = 0xFF000000u | (swapRedBlue ? ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF) : p & 0xFFFFFF);
        }
    }
}

}  // namespace dudo
