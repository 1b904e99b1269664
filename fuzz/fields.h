// Splits a fuzzer's input into text fields at line feeds.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

namespace dudo::fuzz {

// The next field, taken off the front of the input.
inline std::string Field(const std::uint8_t*& data, std::size_t& size) {
    const void* end = size ? std::memchr(data, '\n', size) : nullptr;
    const std::size_t n = end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - data) : size;
    std::string field(reinterpret_cast<const char*>(data), n);
    const std::size_t taken = n < size ? n + 1 : n;
    data += taken;
    size -= taken;
    return field;
}

}  // namespace dudo::fuzz
