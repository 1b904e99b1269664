#include "capture/key_press.h"

namespace dudo {

bool KeyPress::CountsAsPressed(std::uint16_t state, double nowMs, const std::optional<KeyRepeat>& repeat) {
    const bool down = state & 0x8000, pressedSince = state & 0x0001;
    // The "pressed since" bit also reports the keyboard's repeats on some
    // platforms, and another program's query can take it: it tells of a
    // new press only while a repeat cannot have set it, that is when the
    // key was up at the previous tick or has not been held for the delay.
    // After a gap in which no tick looked (a capture ran), the key may have
    // been let go and pressed again unseen: a new press then, which must
    // not go on repeating on the old press's time.
    const bool unseenGap = nowMs - lastQueryMs_ > kUnseenGapMs;
    const bool repeatsBegan = wasDown_ && repeat && nowMs - downSinceMs_ >= repeat->delayMs;
    const bool newPress = (down && !wasDown_) || (pressedSince && (!repeatsBegan || unseenGap));
    const bool repeated = !newPress && repeatsBegan && (down || pressedSince) && nowMs >= nextRepeatMs_;
    wasDown_ = down;
    lastQueryMs_ = nowMs;
    if (newPress) {
        downSinceMs_ = nowMs;
        nextRepeatMs_ = nowMs + (repeat ? repeat->delayMs : 0);
    } else if (repeated) {
        nextRepeatMs_ = nowMs + repeat->intervalMs;  // never faster than the keyboard, however late the tick
    }
    return newPress || repeated;
}

}  // namespace dudo
