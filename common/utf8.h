// Character counts and cuts of UTF-8 text: the panel measures lengths and
// selections in characters, not bytes.
#pragma once
#include <string>
#include <string_view>

namespace dudo {

int CharCount(std::string_view text);
// The first `count` characters of `text`.
std::string FirstChars(std::string_view text, int count);

}  // namespace dudo
