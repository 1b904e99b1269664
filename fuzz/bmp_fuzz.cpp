// The BMP reader behind LoadFile on any bytes: a picture or an Error.
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "imagelib/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const dudo::Image image = dudo::DecodeBmp({data, size});
        if (image.empty()) std::abort();  // an empty picture must be refused, not returned
        volatile std::uint32_t last = image.pixels.at(image.width() - 1, image.height() - 1);
        (void)last;
    } catch (const dudo::Error&) {
    }
    return 0;
}
