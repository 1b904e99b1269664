// sway's reply, any bytes: a 14-byte header, then the tree. The length is
// refused before anything of its size is made; the tree gives a window or
// none, never a crash.
#include <cstdint>
#include <string>

#include "platform/sway/sway_ipc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 14) return 0;
    const auto length = dudo::SwayReplyLength(reinterpret_cast<const char*>(data));
    if (length && *length >= (64u << 20)) __builtin_trap();
    (void)dudo::SwayFocusedWindowIn(std::string(reinterpret_cast<const char*>(data) + 14, size - 14));
    return 0;
}
