// The wlr-screencopy-unstable-v1 protocol (version 3), described here as the
// wayland-scanner would describe it, so that the build needs no protocol XML:
// the interface tables libwayland-client reads, and the few calls we make.
#pragma once
#include <wayland-client.h>

#include <cstdint>

namespace dudo::wayland {

extern const wl_interface zwlr_screencopy_manager_v1_interface;
extern const wl_interface zwlr_screencopy_frame_v1_interface;

struct zwlr_screencopy_manager_v1;
struct zwlr_screencopy_frame_v1;

enum : std::uint32_t { ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT = 1 };

// The frame's events, in the protocol's order.
struct ScreencopyFrameListener {
    void (*buffer)(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width, std::uint32_t height,
                   std::uint32_t stride);
    void (*flags)(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags);
    void (*ready)(void* data, zwlr_screencopy_frame_v1*, std::uint32_t secondsHigh, std::uint32_t secondsLow,
                  std::uint32_t nanoseconds);
    void (*failed)(void* data, zwlr_screencopy_frame_v1*);
    void (*damage)(void* data, zwlr_screencopy_frame_v1*, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                   std::uint32_t height);
    void (*linux_dmabuf)(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width,
                         std::uint32_t height);
    void (*buffer_done)(void* data, zwlr_screencopy_frame_v1*);
};

inline zwlr_screencopy_frame_v1* CaptureOutputRegion(zwlr_screencopy_manager_v1* manager, bool overlayCursor,
                                                     wl_output* output, int x, int y, int width, int height) {
    auto* proxy = reinterpret_cast<wl_proxy*>(manager);
    return reinterpret_cast<zwlr_screencopy_frame_v1*>(
        wl_proxy_marshal_flags(proxy, 1, &zwlr_screencopy_frame_v1_interface, wl_proxy_get_version(proxy), 0, nullptr,
                               overlayCursor ? 1 : 0, output, x, y, width, height));
}

inline void AddFrameListener(zwlr_screencopy_frame_v1* frame, const ScreencopyFrameListener* listener, void* data) {
    wl_proxy_add_listener(reinterpret_cast<wl_proxy*>(frame), reinterpret_cast<void (**)(void)>(const_cast<ScreencopyFrameListener*>(listener)), data);
}

inline void CopyFrame(zwlr_screencopy_frame_v1* frame, wl_buffer* buffer) {
    auto* proxy = reinterpret_cast<wl_proxy*>(frame);
    wl_proxy_marshal_flags(proxy, 0, nullptr, wl_proxy_get_version(proxy), 0, buffer);
}

inline void DestroyFrame(zwlr_screencopy_frame_v1* frame) {
    auto* proxy = reinterpret_cast<wl_proxy*>(frame);
    wl_proxy_marshal_flags(proxy, 1, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

inline void DestroyManager(zwlr_screencopy_manager_v1* manager) {
    auto* proxy = reinterpret_cast<wl_proxy*>(manager);
    wl_proxy_marshal_flags(proxy, 2, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace dudo::wayland
