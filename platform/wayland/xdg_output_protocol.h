// The xdg-output-unstable-v1 protocol (version 3), described as the
// wayland-scanner would, as for the screen copy: wl_output tells no place in
// the layout on wlroots compositors (always 0, 0), xdg-output does, with the
// output's size in the layout's units.
#pragma once
#include <wayland-client.h>

#include <cstdint>

namespace dudo::wayland {

extern const wl_interface zxdg_output_manager_v1_interface;
extern const wl_interface zxdg_output_v1_interface;

struct zxdg_output_manager_v1;
struct zxdg_output_v1;

// The xdg output's events, in the protocol's order.
struct XdgOutputListener {
    void (*logical_position)(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y);
    void (*logical_size)(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height);
    void (*done)(void* data, zxdg_output_v1*);
    void (*name)(void* data, zxdg_output_v1*, const char* name);
    void (*description)(void* data, zxdg_output_v1*, const char* description);
};

inline zxdg_output_v1* GetXdgOutput(zxdg_output_manager_v1* manager, wl_output* output) {
    auto* proxy = reinterpret_cast<wl_proxy*>(manager);
    return reinterpret_cast<zxdg_output_v1*>(
        wl_proxy_marshal_flags(proxy, 1, &zxdg_output_v1_interface, wl_proxy_get_version(proxy), 0, nullptr, output));
}

inline void AddXdgOutputListener(zxdg_output_v1* output, const XdgOutputListener* listener, void* data) {
    wl_proxy_add_listener(reinterpret_cast<wl_proxy*>(output), reinterpret_cast<void (**)(void)>(const_cast<XdgOutputListener*>(listener)), data);
}

// Both interfaces destroy themselves with their first request.
template <class Proxy> void DestroyXdg(Proxy* object) {
    auto* proxy = reinterpret_cast<wl_proxy*>(object);
    wl_proxy_marshal_flags(proxy, 0, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace dudo::wayland
