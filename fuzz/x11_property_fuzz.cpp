// A window property's reply as Xlib hands it over, of any type, format and
// count a client may set: its block is as long as Xlib makes it for that
// format, and reading the items stays inside it.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/x11/x11_property.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const int format = (data[0] % 3 + 1) * 8;  // 8, 16 or 32
    const unsigned long type = data[1] % 4, wanted = data[2] % 4, wantedCount = data[3] % 6;
    data += 4, size -= 4;
    const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
    const unsigned long items = size / unit;
    std::vector<unsigned char> block(data, data + items * unit);  // exactly Xlib's block
    (void)dudo::PropertyItems(type, wanted, format, items, block.empty() ? nullptr : block.data(), static_cast<long>(wantedCount));
    return 0;
}
