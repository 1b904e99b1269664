// A window property's reply as Xlib hands it over: `items` of `format`
// bits, 8- and 16-bit ones packed, 32-bit ones as longs. Any client may set
// its own window's properties to anything: the items are taken only from a
// reply of the type asked for, of 32-bit items, exactly as many as wanted.
// Plain values only, so that it is tried on any reply without a server.
#pragma once
#include <cstring>
#include <vector>

namespace dudo {

inline std::vector<long> PropertyItems(unsigned long actualType, unsigned long wantedType, int format, unsigned long items,
                                       const unsigned char* data, long wanted) {
    if (!data || actualType != wantedType || format != 32 || wanted <= 0 || items != static_cast<unsigned long>(wanted)) return {};
    std::vector<long> read(items);
    std::memcpy(read.data(), data, items * sizeof(long));
    return read;
}

}  // namespace dudo
