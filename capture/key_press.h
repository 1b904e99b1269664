// When a tick counts Print Screen as pressed: once per press, however long
// the key is held and however long the capture takes, plus the keyboard's
// own repeat once the key has been held past its repeat delay.
#pragma once
#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace dudo {

class KeyPress {
public:
    // `state` is the key's asynchronous state (bit 15 down now, bit 0 pressed
    // since the previous query) found by a tick at `nowMs`; `repeat` how the
    // keyboard repeats it. True when this tick counts the key as pressed.
    bool CountsAsPressed(std::uint16_t state, double nowMs, const std::optional<KeyRepeat>& repeat);

private:
    // Longer than a few ticks: time enough for a hand to let go and press again.
    static constexpr double kUnseenGapMs = 40;
    bool wasDown_ = false;     // at the previous counting tick
    double downSinceMs_ = 0;   // the press being held
    double nextRepeatMs_ = 0;  // the earliest tick that repeats it
    double lastQueryMs_ = -1e300;
};

}  // namespace dudo
