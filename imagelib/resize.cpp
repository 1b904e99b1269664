#include "imagelib/resize.h"

#include <pixman.h>

#include <memory>

#include "common/error.h"
#include "imagelib/limits.h"

namespace dudo {

namespace {

Image NearestNeighbour(const Image& image, int width, int height) {
    Image out;
    out.pixels = Picture::Filled(width, height, 0);
    out.palette = image.palette;
    out.grey = image.grey;
    out.indices.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * image.height() / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * image.width() / width);
            const std::uint8_t index = image.indices[static_cast<std::size_t>(sy) * image.width() + sx];
            out.indices[static_cast<std::size_t>(y) * width + x] = index;
            out.pixels.row(y)[x] = image.palette[index];
        }
    }
    return out;
}

struct ImageUnref {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, ImageUnref>;

PixmanImage Wrap(Picture& picture) {
    return PixmanImage(pixman_image_create_bits(PIXMAN_x8r8g8b8, picture.width, picture.height,
                                                picture.pixels.data(), picture.stride * 4));
}

}  // namespace

Image Resized(const Image& image, int width, int height) {
    CheckedPixelCount(width, height, "縮放 (resize)");
    if (image.empty()) throw Error("縮放 (resize)：圖像是空的 (empty image)");
    if (image.indexed()) return NearestNeighbour(image, width, height);

    Picture source = image.pixels;
    Image out;
    out.pixels = Picture::Filled(width, height, 0);
    out.grey = image.grey;
    PixmanImage src = Wrap(source), dst = Wrap(out.pixels);
    if (!src || !dst) throw Error("縮放 (resize)：記憶體不足 (out of memory)");

    const double sx = static_cast<double>(image.width()) / width;
    const double sy = static_cast<double>(image.height()) / height;
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy));
    pixman_image_set_transform(src.get(), &transform);
    pixman_image_set_repeat(src.get(), PIXMAN_REPEAT_PAD);
    if (sx > 1 || sy > 1) {
        int count = 0;
        pixman_fixed_t* params = pixman_filter_create_separable_convolution(
            &count, pixman_double_to_fixed(sx > 1 ? sx : 1), pixman_double_to_fixed(sy > 1 ? sy : 1),
            PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, 4, 4);
        pixman_image_set_filter(src.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
        free(params);
    } else {
        pixman_image_set_filter(src.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0);
    }
    pixman_image_composite32(PIXMAN_OP_SRC, src.get(), nullptr, dst.get(), 0, 0, 0, 0, 0, 0, width, height);
    for (std::uint32_t& p : out.pixels.pixels) p |= 0xFF000000u;
    return out;
}

}  // namespace dudo
