#include "platform/null/null_platform.h"

namespace dudo {

std::uint32_t PatternPixel(int x, int y) { return Rgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4 | (y >> 8)) & 0xFF); }

NullPlatform::NullPlatform() {
    screen = Picture::Filled(640, 480, 0);
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) screen.row(y)[x] = PatternPixel(x, y);
}

std::uint16_t NullPlatform::AsyncKeyState(int virtualKey) {
    auto& states = keyStates[virtualKey];
    if (states.empty()) return 0;
    const std::uint16_t state = states.front();
    states.pop_front();
    return state;
}

void NullPlatform::CopyScreen(int x, int y, Picture& surface, bool withPointer) {
    pointerAskedOfCopy = withPointer;
    for (const Rect& monitor : Monitors()) {
        const Rect part = AreaOnScreen(x, y, surface, monitor);
        for (int py = part.top; py < part.bottom; ++py)
            for (int px = part.left; px < part.right; ++px) surface.row(py - y)[px - x] = screen.at(px, py);
    }
}

void NullPlatform::ProcessPendingMessages() {
    ++messagePasses;
    if (onMessagePass) onMessagePass();
}

void NullPlatform::EndProcess() {
    ended = true;
    throw ProcessEnded{};
}

bool NullPlatform::NotifyIcon(NotifyMessage message, const std::array<std::uint8_t, 488>& record) {
    trayRequests.push_back({message, record});
    return true;
}

}  // namespace dudo
