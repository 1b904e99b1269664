// Bytes on their way to a file: encoders give them piece by piece, in
// order, to a sink, which is the file being written, so that no file is held
// whole in memory.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace dudo {

using Bytes = std::vector<std::uint8_t>;
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// The whole output of `write` in memory, for callers that want it so.
inline Bytes Collect(const std::function<void(const ByteSink&)>& write) {
    Bytes all;
    write([&](std::span<const std::uint8_t> piece) { all.insert(all.end(), piece.begin(), piece.end()); });
    return all;
}

}  // namespace dudo
