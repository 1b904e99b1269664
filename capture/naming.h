// The base names a capture is saved under.
#pragma once
#include <string>

#include "platform/platform.h"

namespace dudo {

std::string TimeName(const LocalTime& t);      // "hh-mm-ss"
std::string DateTimeName(const LocalTime& t);  // "yyyy-mm-dd hh-mm-ss-"
// Hundredths of a second since midnight, as a single-precision number with
// at most seven significant digits ("5070950").
std::string ClockCountName(double secondsSinceMidnight);
// `value` rounded to a whole number (halves away from zero) and written with
// at least `digits` digits, zero-padded, "-" first when negative; with no
// digit places the number's plain form.
std::string CounterName(double value, int digits);

}  // namespace dudo
