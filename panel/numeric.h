// The two conversions every numeric field and setting goes through.
#pragma once
#include <string>
#include <string_view>

namespace dudo {

// The number a text begins with. Blanks (space, tab, line feed) are skipped
// anywhere; &H and &O start hexadecimal and octal whole numbers; a text that
// does not begin with a number is 0. Throws OverflowError past double range.
double NumericValue(std::string_view text);

// Plain decimal text of a number: at most 15 significant digits, "-" for
// negatives, no trailing zeros, exponent form (1E+20) for extremes.
std::string NumberText(double value);
// The same for a single-precision number: at most 7 significant digits.
std::string SingleText(float value);

}  // namespace dudo
