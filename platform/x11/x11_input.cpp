#include "platform/x11/x11_input.h"

#include <algorithm>
#include <string>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include "common/error.h"
#include "platform/x11/x11_error_guard.h"

namespace dudo {

struct KeyBits {
    bool down = false;
    bool pressed = false;  // since the last query
};

struct X11Input::State {
    Display* display = nullptr;
    int opcode = 0;
    int printKeycode = 0;
    KeyBits print, left;
};

X11Input::X11Input() : s_(std::make_unique<State>()) {
    s_->display = XOpenDisplay(nullptr);
    if (!s_->display) throw Error("無法連上 X 顯示器 " + std::string(XDisplayName(nullptr)) +
                                  " (cannot open the X display)");
    int event, error;
    // 2.1 and later deliver raw events whatever grab is active (a pressed button holds one).
    int major = 2, minor = 2;
    if (!XQueryExtension(s_->display, "XInputExtension", &s_->opcode, &event, &error) ||
        XIQueryVersion(s_->display, &major, &minor) != Success || (major == 2 && minor < 1))
        throw Error("X 伺服器沒有 XInput 2 (the X server lacks XInput 2)");
    s_->printKeycode = XKeysymToKeycode(s_->display, XK_Print);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(s_->display, DefaultRootWindow(s_->display), &mask, 1);
    XSync(s_->display, False);
}

void X11Input::InjectPrintScreen() { s_->print.pressed = true; }

bool X11Input::PrintScreenHeldElsewhere() {
    Display* d = s_->display;
    const unsigned int modifierSets[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};  // Caps Lock, Num Lock
    bool held = false;
    {
        ErrorGuard guard(d);
        for (unsigned int modifiers : modifierSets)
            XGrabKey(d, s_->printKeycode, modifiers, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync);
        held = guard.failed();  // BadAccess: the key is another client's
    }
    for (unsigned int modifiers : modifierSets) XUngrabKey(d, s_->printKeycode, modifiers, DefaultRootWindow(d));
    XSync(d, False);
    return held;
}

X11Input::~X11Input() {
    if (s_->display) XCloseDisplay(s_->display);
}

int X11Input::fd() const { return ConnectionNumber(s_->display); }

bool X11Input::Pump() {
    bool changed = false;
    // QueuedAfterReading reads what the socket holds without a round trip.
    while (XEventsQueued(s_->display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(s_->display, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != s_->opcode || !XGetEventData(s_->display, cookie))
            continue;
        const auto* raw = static_cast<XIRawEvent*>(cookie->data);
        KeyBits* bits = nullptr;
        bool down = false;
        switch (cookie->evtype) {
            case XI_RawKeyPress: down = true; [[fallthrough]];
            case XI_RawKeyRelease:
                if (raw->detail == s_->printKeycode) bits = &s_->print;
                break;
            case XI_RawButtonPress: down = true; [[fallthrough]];
            case XI_RawButtonRelease:
                if (raw->detail == 1) bits = &s_->left;
                break;
        }
        if (bits) {
            if (down && !bits->down) bits->pressed = true;  // a press, not a repeat of one
            bits->down = down;
            changed = true;
        }
        XFreeEventData(s_->display, cookie);
    }
    return changed;
}

bool X11Input::Idle() const {
    for (const KeyBits* bits : {&s_->print, &s_->left})
        if (bits->down || bits->pressed) return false;
    return true;
}

std::uint16_t X11Input::AsyncKeyState(int virtualKey) {
    Pump();
    KeyBits* bits = virtualKey == VK_SNAPSHOT ? &s_->print : virtualKey == VK_LBUTTON ? &s_->left : nullptr;
    if (!bits) return 0;
    const std::uint16_t state = (bits->down ? 0x8000 : 0) | (bits->pressed ? 0x0001 : 0);
    bits->pressed = false;
    return state;
}

std::optional<KeyRepeat> X11Input::KeyboardRepeat() {
    XkbDescPtr keyboard = XkbAllocKeyboard();
    if (!keyboard) return KeyRepeat{};
    std::optional<KeyRepeat> repeat = KeyRepeat{};
    if (XkbGetControls(s_->display, XkbRepeatKeysMask | XkbPerKeyRepeatMask | XkbControlsEnabledMask, keyboard) == Success) {
        const XkbControlsRec& controls = *keyboard->ctrls;
        const int key = s_->printKeycode;
        const bool repeats = (controls.enabled_ctrls & XkbRepeatKeysMask) && (controls.per_key_repeat[key / 8] & (1 << (key % 8)));
        repeat = repeats ? std::optional(KeyRepeat{double(controls.repeat_delay), double(std::max<unsigned short>(controls.repeat_interval, 1))})
                         : std::nullopt;
    }
    XkbFreeKeyboard(keyboard, 0, True);
    return repeat;
}

Point X11Input::CursorPos() {
    Window root, child;
    int rootX = 0, rootY = 0, winX, winY;
    unsigned mask;
    XQueryPointer(s_->display, DefaultRootWindow(s_->display), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
    return {rootX, rootY};
}

}  // namespace dudo
