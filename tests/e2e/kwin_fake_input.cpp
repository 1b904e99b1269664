// Input for KWin as a hand makes it, through KWin's fake input protocol:
// lines on stdin, each sent at once and waited for. "key CODE 1|0" (an
// evdev key code, pressed or released), "button CODE 1|0", "move X Y" (the
// pointer to that place of the workspace). KWin lets a client bind the
// protocol when its desktop file asks for it (X-KDE-Wayland-Interfaces).
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace {

const wl_message requests[] = {{"authenticate", "ss", nullptr}, {"pointer_motion", "ff", nullptr},
                               {"button", "uu", nullptr},       {"axis", "uf", nullptr},
                               {"touch_down", "2uff", nullptr}, {"touch_motion", "2uff", nullptr},
                               {"touch_up", "2u", nullptr},     {"touch_cancel", "2", nullptr},
                               {"touch_frame", "2", nullptr},   {"pointer_motion_absolute", "3ff", nullptr},
                               {"keyboard_key", "4uu", nullptr}};
const wl_interface fakeInput = {"org_kde_kwin_fake_input", 4, 11, requests, 0, nullptr};
enum Request { Authenticate = 0, Button = 2, MoveTo = 9, Key = 10 };

wl_proxy* found = nullptr;

void Announced(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, fakeInput.name) == 0 && version >= 4)
        found = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &fakeInput, 4));
}
const wl_registry_listener listener = {Announced, [](void*, wl_registry*, uint32_t) {}};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return std::fprintf(stderr, "no compositor\n"), 1;
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (!found) return std::fprintf(stderr, "no fake input here, or not allowed\n"), 1;
    wl_proxy_marshal(found, Authenticate, "dudo tests", "input as a hand makes it");
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string what;
        int a = 0, b = 0;
        if (!(words >> what >> a >> b)) continue;
        if (what == "key") wl_proxy_marshal(found, Key, a, b);
        if (what == "button") wl_proxy_marshal(found, Button, a, b);
        if (what == "move") wl_proxy_marshal(found, MoveTo, wl_fixed_from_int(a), wl_fixed_from_int(b));
        if (wl_display_roundtrip(display) < 0) return std::fprintf(stderr, "the compositor went away\n"), 1;
    }
}
