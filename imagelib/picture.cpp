#include "imagelib/picture.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

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

PixelMemory PixelMemory::Lent(std::uint32_t* memory, std::size_t count, std::shared_ptr<void> lease) {
    PixelMemory lent;
    lent.lease_ = std::move(lease);
    lent.data_ = memory;
    lent.size_ = lent.capacity_ = count;
    return lent;
}

PixelMemory::PixelMemory(const PixelMemory& other) { *this = other; }

PixelMemory& PixelMemory::operator=(const PixelMemory& other) {
    if (this == &other) return *this;
    if (lent() || capacity_ < other.size_) *this = PixelMemory{};
    Resize(other.size_);
    if (other.size_) std::memcpy(data_, other.data_, other.size_ * sizeof(std::uint32_t));
    return *this;
}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    own_ = std::move(other.own_);
    lease_ = std::move(other.lease_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

void PixelMemory::Resize(std::size_t count) {
    if (count <= capacity_) {
        size_ = count;
        return;
    }
    lease_.reset();
    own_.reset(static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t))));
    if (!own_) throw std::bad_alloc();
    data_ = own_.get();
    size_ = capacity_ = count;
}

void PixelLender::LendTo(Picture& surface) const {
    if (!Holds(surface))
        surface.pixels = PixelMemory::Lent(memory_, static_cast<std::size_t>(surface.width) * surface.height, lease_);
}

void PixelLender::TakeBack(Picture& surface) const {
    if (Holds(surface)) surface.pixels = PixelMemory(surface.pixels);
}

bool operator==(const PixelMemory& a, const PixelMemory& b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
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
    picture.pixels.Resize(count);
    picture.width = width;
    picture.height = height;
    picture.stride = width;
    return picture;
}

}  // namespace dudo
