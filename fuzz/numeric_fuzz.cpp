// NumericValue on any text, and NumberText's output read back: a shown
// number must read as itself and show the same again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/error.h"
#include "panel/numeric.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    double value;
    try {
        value = dudo::NumericValue(text);
    } catch (const dudo::OverflowError&) {
        return 0;
    }
    if (!std::isfinite(value)) std::abort();
    const std::string shown = dudo::NumberText(value);
    double again;
    try {
        again = dudo::NumericValue(shown);
    } catch (const dudo::OverflowError&) {
        // Rounding to 15 digits can carry the largest doubles past the range.
        if (std::fabs(value) < 1.7976931348623e308) std::abort();
        return 0;
    }
    if (dudo::NumberText(again) != shown) std::abort();
    if (std::fabs(value) < 3.4e38) (void)dudo::SingleText(static_cast<float>(value));
    return 0;
}
