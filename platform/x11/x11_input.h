// X11Input: the asynchronous key state of Print Screen and the left button,
// kept from XInput2 raw events on the root window. Raw events arrive whatever
// window has the focus; a query reads what is already on the connection and
// never waits for a round trip to the server.
// Implements: key state with bit 15 (down now) and bit 0 (pressed since the
// previous query, repeats not counted), the keyboard's repeat, the pointer position, a descriptor to wake the poller.
// Leaves out: any other key (Print Screen is only probed for another
// program's grab, never grabbed).
#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/platform.h"

namespace dudo {

class X11Input {
public:
    // Throws dudo::Error when the display or XInput 2 is missing.
    X11Input();
    ~X11Input();

    std::uint16_t AsyncKeyState(int virtualKey);
    Point CursorPos();
    // From the XKB controls: none when repeating is off, for all keys or for Print Screen.
    std::optional<KeyRepeat> KeyboardRepeat();
    // The connection's descriptor, readable when events wait.
    int fd() const;
    // Reads waiting events; true when a tracked key or button changed.
    bool Pump();
    // No tracked key or button is down and no press waits to be reported:
    // a poller tick now would find nothing.
    bool Idle() const;
    // Whether another client holds a passive grab on Print Screen, with or
    // without the lock modifiers: it then reacts to the same presses. Our
    // probing grab is released at once.
    bool PrintScreenHeldElsewhere();
    // Reports a press of Print Screen at the next query, as the key would.
    void InjectPrintScreen();

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace dudo
