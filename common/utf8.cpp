#include "common/utf8.h"

namespace dudo {

namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

int CharCount(std::string_view text) {
    int count = 0;
    for (unsigned char c : text)
        if (!IsContinuation(c)) ++count;
    return count;
}

std::string FirstChars(std::string_view text, int count) {
    if (count <= 0) return {};
    int seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[i])) && seen++ == count)
            return std::string(text.substr(0, i));
    }
    return std::string(text);
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace dudo
