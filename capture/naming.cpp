#include "capture/naming.h"

#include <cmath>
#include <cstdio>

#include "panel/numeric.h"

namespace dudo {

std::string TimeName(const LocalTime& t) {
    char name[16];
    std::snprintf(name, sizeof name, "%02d-%02d-%02d", t.hour, t.minute, t.second);
    return name;
}

std::string DateTimeName(const LocalTime& t) {
    char name[40];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d %02d-%02d-%02d-", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return name;
}

std::string ClockCountName(double secondsSinceMidnight) {
    return SingleText(static_cast<float>(secondsSinceMidnight * 100));
}

std::string CounterName(double value, int digits) {
    if (digits <= 0) return NumberText(value);
    const double whole = std::round(value);
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", std::fabs(whole));
    std::string number = text;
    if (static_cast<int>(number.size()) < digits) number.insert(0, digits - number.size(), '0');
    return (whole < 0 ? "-" : "") + number;
}

}  // namespace dudo
