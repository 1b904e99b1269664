// Writing a new file without ever destroying one: the bytes go to a
// temporary file in the same folder, created exclusively, flushed to disk,
// then moved into place under a name that is free. A name that exists (also
// as a symbolic link) is never replaced: "name (2).ext", "name (3).ext", ...
// are tried instead. A failed write leaves no file behind and throws.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "imagelib/byte_sink.h"

namespace dudo {

// `write` gives the file's bytes piece by piece to the sink it is handed.
std::filesystem::path WriteNewFile(const std::filesystem::path& folder, const std::string& baseName,
                                   const std::string& extension, const std::function<void(const ByteSink&)>& write);
std::filesystem::path WriteNewFile(const std::filesystem::path& folder, const std::string& baseName,
                                   const std::string& extension, std::span<const std::uint8_t> bytes);

// Removes the partial files a crash or a kill left in the folder: only
// temporary files of our own saves (their hidden names, our user's), and
// only those untouched for longer than any save takes. Best effort.
void RemoveStalePartialFiles(const std::filesystem::path& folder) noexcept;

}  // namespace dudo
