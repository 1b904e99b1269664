#include "common/checked.h"

#include <cmath>
#include <limits>

#include "common/error.h"

namespace dudo {

std::int32_t ToInt32(double value, const char* what) {
    // nearbyint follows the default rounding mode, which is ties-to-even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw OverflowError(what);
    return static_cast<std::int32_t>(rounded);
}

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b, const char* what) {
    std::int32_t result;
    if (__builtin_add_overflow(a, b, &result)) throw OverflowError(what);
    return result;
}

std::int32_t CheckedSub(std::int32_t a, std::int32_t b, const char* what) {
    std::int32_t result;
    if (__builtin_sub_overflow(a, b, &result)) throw OverflowError(what);
    return result;
}

double CheckedFinite(double value, const char* what) {
    if (!std::isfinite(value)) throw OverflowError(what);
    return value;
}

}  // namespace dudo
