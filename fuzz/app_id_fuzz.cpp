// A systemd unit's name, any text: the app id made of it is empty or of the
// characters an app id holds, as it goes into a command the user pastes.
#include <cstdint>
#include <string>

#include "platform/desktop/screenshot_permission.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string id = dudo::ScreenshotPermission::AppIdFromUnit(std::string(reinterpret_cast<const char*>(data), size));
    if (id.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-") != std::string::npos) __builtin_trap();
    return 0;
}
