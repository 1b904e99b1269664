// Character counts and cuts of UTF-8 text: the panel measures lengths and
// selections in characters, not bytes.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace dudo {

int CharCount(std::string_view text);
// The first `count` characters of `text`.
std::string FirstChars(std::string_view text, int count);

// Paths from and to UTF-8 whatever the system's code page, so that a folder
// with a Chinese name works on Windows too.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace dudo
