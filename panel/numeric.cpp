#include <cmath>
#include "panel/numeric.h"

#include <charconv>

#include "common/error.h"

namespace dudo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!IsBlank(c)) out.push_back(c);
    return out;
}

int DigitValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

double RadixWhole(const std::string& s, std::size_t pos, int radix) {
    double value = 0;
    for (; pos < s.size() && DigitValue(s[pos]) < radix; ++pos) value = value * radix + DigitValue(s[pos]);
    // Some 256 hexadecimal digits pass the double range.
    if (!std::isfinite(value)) throw OverflowError("number \"" + s + "\"");
    return value;
}

// Length of the longest prefix of `s` that reads as a decimal number, 0 when
// there is none (empty, a lone sign or point, a letter).
std::size_t DecimalPrefix(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

// Tells a number past the double range that is tiny from one that is huge.
bool IsUnderflow(const std::string& number) {
    const std::size_t e = number.find('e');
    if (e != std::string::npos) return e + 1 < number.size() && number[e + 1] == '-';
    const std::size_t start = number[0] == '-' ? 1 : 0;
    for (std::size_t i = start; i < number.size() && number[i] != '.'; ++i)
        if (number[i] != '0') return false;
    return true;
}

}  // namespace

double NumericValue(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') return RadixWhole(s, 2, 16);
        if (s[1] == 'O' || s[1] == 'o') return RadixWhole(s, 2, 8);
        return 0;
    }
    const std::size_t length = DecimalPrefix(s);
    if (length == 0) return 0;
    std::string number = s.substr(0, length);
    for (char& c : number)
        if (c == 'd' || c == 'D') c = 'e';
    if (number[0] == '+') number.erase(0, 1);
    // from_chars ignores the locale: the point is always ".".
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        if (IsUnderflow(number)) return 0;  // too small to be told from zero
        throw OverflowError("number \"" + number + "\"");
    }
    return value;
}

namespace {

template <class Number> std::string GeneralText(Number value, int digits) {
    if (value == 0) return "0";  // also -0
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::string text(buffer, result.ptr);
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

}  // namespace

std::string NumberText(double value) { return GeneralText(value, 15); }

std::string SingleText(float value) { return GeneralText(value, 7); }

}  // namespace dudo
