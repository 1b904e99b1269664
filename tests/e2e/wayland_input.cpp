// Input devices for the Wayland desktops of the tests, kept until this
// process ends. On a wlroots compositor (headless sway has none): a pointer
// device (wlr-virtual-pointer), so that sway's own `seat - cursor` commands
// move the pointer and press its buttons for the windows beneath it. On
// KWin, which lets a client in by its desktop file (X-KDE-Wayland-Interfaces),
// its fake input: lines on stdin, each sent at once and waited for, "key
// CODE 1|0" (an evdev key code pressed or released), "button CODE 1|0",
// "move X Y" (the pointer to that place of the workspace).
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace {

extern const wl_interface virtualPointer;
const wl_interface* createTypes[] = {&wl_seat_interface, &virtualPointer};
const wl_message pointerRequests[] = {{"create_virtual_pointer", "?on", createTypes}};
const wl_interface pointerManager = {"zwlr_virtual_pointer_manager_v1", 1, 1, pointerRequests, 0, nullptr};
const wl_interface virtualPointer = {"zwlr_virtual_pointer_v1", 1, 0, nullptr, 0, nullptr};

const wl_message fakeRequests[] = {{"authenticate", "ss", nullptr}, {"pointer_motion", "ff", nullptr}, {"button", "uu", nullptr},
                                   {"axis", "uf", nullptr}, {"touch_down", "2uff", nullptr}, {"touch_motion", "2uff", nullptr},
                                   {"touch_up", "2u", nullptr}, {"touch_cancel", "2", nullptr}, {"touch_frame", "2", nullptr},
                                   {"pointer_motion_absolute", "3ff", nullptr}, {"keyboard_key", "4uu", nullptr}};
const wl_interface fakeInput = {"org_kde_kwin_fake_input", 4, 11, fakeRequests, 0, nullptr};
enum FakeRequest { Authenticate = 0, Button = 2, MoveTo = 9, Key = 10 };

wl_proxy *pointers = nullptr, *fake = nullptr;

void Announced(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, pointerManager.name) == 0) pointers = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &pointerManager, 1));
    if (std::strcmp(interface, fakeInput.name) == 0 && version >= 4) fake = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &fakeInput, 4));
}
const wl_registry_listener listener = {Announced, [](void*, wl_registry*, uint32_t) {}};

// KWin's fake input, driven from stdin until it ends.
int FakeInput(wl_display* display) {
    wl_proxy_marshal(fake, Authenticate, "dudo tests", "input as a hand makes it");
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string what;
        int a = 0, b = 0;
        if (!(words >> what >> a >> b)) continue;
        if (what == "key") wl_proxy_marshal(fake, Key, a, b);
        if (what == "button") wl_proxy_marshal(fake, Button, a, b);
        if (what == "move") wl_proxy_marshal(fake, MoveTo, wl_fixed_from_int(a), wl_fixed_from_int(b));
        if (wl_display_roundtrip(display) < 0) return std::fprintf(stderr, "the compositor went away\n"), 1;
    }
    return 0;
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return std::fprintf(stderr, "no compositor\n"), 1;
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (fake) return FakeInput(display);
    if (!pointers) return std::fprintf(stderr, "no virtual pointers or fake input here, or not allowed\n"), 1;
    wl_proxy_marshal_constructor(pointers, 0, &virtualPointer, nullptr, nullptr);  // on the default seat
    wl_display_roundtrip(display);
    while (wl_display_dispatch(display) >= 0) {
    }
}
