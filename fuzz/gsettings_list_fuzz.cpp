// A list as gsettings prints it, any text: its items, none holding a quote.
#include <cstdint>
#include <string>

#include "platform/gnome/gsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const std::string& item : dudo::GsettingsList(std::string(reinterpret_cast<const char*>(data), size)))
        if (item.find('\'') != std::string::npos) __builtin_trap();
    return 0;
}
