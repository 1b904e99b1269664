#include "imagelib/picture.h"

#include <algorithm>
#include <string>

#include "common/error.h"
#include "imagelib/limits.h"

namespace dudo {

std::size_t CheckedPixelCount(long long width, long long height, const char* what) {
    if (width <= 0 || height <= 0)
        throw Error(std::string(what) + "：圖像是空的 (empty image, " + std::to_string(width) + " x " +
                    std::to_string(height) + ")");
    if (width > kPixelBudget / height)
        throw Error(std::string(what) + "：圖像太大 (image too large, " + std::to_string(width) + " x " +
                    std::to_string(height) + ")");
    return static_cast<std::size_t>(width * height);
}

Picture Picture::Filled(int width, int height, std::uint32_t colour) {
    return Filled(width, height, colour, Picture{});
}

Picture Picture::Filled(int width, int height, std::uint32_t colour, Picture&& recycled) {
    Picture picture = Sized(width, height, std::move(recycled));
    std::fill(picture.pixels.begin(), picture.pixels.end(), colour);
    return picture;
}

Picture Picture::Sized(int width, int height, Picture&& recycled) {
    Picture picture;
    if (width == 0 || height == 0) return picture;
    const std::size_t count = CheckedPixelCount(width, height, "picture");
    picture.pixels = std::move(recycled.pixels);
    recycled = Picture{};
    picture.pixels.resize(count);
    picture.width = width;
    picture.height = height;
    picture.stride = width;
    return picture;
}

}  // namespace dudo
