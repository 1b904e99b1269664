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

}  // namespace dudo
