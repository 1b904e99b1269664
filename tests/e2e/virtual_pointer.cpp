// A pointer device on the seat of a wlroots compositor, kept until this
// process is killed (wlr-virtual-pointer). Headless sway has none: with it,
// sway's own `seat - cursor` commands move the pointer and press its buttons
// for the windows beneath it, as a hand would.
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

namespace {

extern const wl_interface virtualPointer;
const wl_interface* createTypes[] = {&wl_seat_interface, &virtualPointer};
const wl_message managerRequests[] = {{"create_virtual_pointer", "?on", createTypes}};
const wl_interface manager = {"zwlr_virtual_pointer_manager_v1", 1, 1, managerRequests, 0, nullptr};
const wl_interface virtualPointer = {"zwlr_virtual_pointer_v1", 1, 0, nullptr, 0, nullptr};

wl_proxy* found = nullptr;

void Announced(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, manager.name) == 0) found = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &manager, 1));
}
const wl_registry_listener listener = {Announced, [](void*, wl_registry*, uint32_t) {}};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return std::fprintf(stderr, "no compositor\n"), 1;
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (!found) return std::fprintf(stderr, "no virtual pointers here\n"), 1;
    wl_proxy_marshal_constructor(found, 0, &virtualPointer, nullptr, nullptr);  // on the default seat
    wl_display_roundtrip(display);
    while (wl_display_dispatch(display) >= 0) {
    }
}
