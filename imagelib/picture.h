// A picture in memory: the capture surface and the image library meet here.
// Pixels are 32-bit words 0xAARRGGBB in native order (bytes B, G, R, A on
// little-endian machines, as X11 and Win32 screen copies deliver them); rows
// are `stride` pixels apart.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace dudo {

// A picture's pixels: memory of its own, or memory lent by the screen copy
// that filled it (memory shared with the display server or compositor), so
// that a whole frame is never held twice; PixelLender is the other end. A
// copy always gets memory of its own.
class PixelMemory {
public:
    PixelMemory() = default;
    static PixelMemory Lent(std::uint32_t* memory, std::size_t count, std::shared_ptr<void> lease);
    PixelMemory(const PixelMemory& other);
    PixelMemory& operator=(const PixelMemory& other);
    PixelMemory(PixelMemory&& other) noexcept { *this = std::move(other); }
    PixelMemory& operator=(PixelMemory&& other) noexcept;

    // Keeps the memory where it holds `count` pixels (as they were), else
    // takes fresh memory, all black; the system hands large blocks over
    // untouched, so pixels about to be written over cost no page faults.
    void Resize(std::size_t count);
    bool lent() const { return lease_ != nullptr; }

    std::uint32_t* data() { return data_; }
    const std::uint32_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::uint32_t* begin() { return data_; }
    std::uint32_t* end() { return data_ + size_; }
    const std::uint32_t* begin() const { return data_; }
    const std::uint32_t* end() const { return data_ + size_; }
    std::uint32_t& operator[](std::size_t i) { return data_[i]; }
    std::uint32_t operator[](std::size_t i) const { return data_[i]; }
    friend bool operator==(const PixelMemory& a, const PixelMemory& b);

private:
    struct Free {
        void operator()(std::uint32_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint32_t, Free> own_;
    std::shared_ptr<void> lease_;
    std::uint32_t* data_ = nullptr;
    std::size_t size_ = 0, capacity_ = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    int stride = 0;  // in pixels
    PixelMemory pixels;

    // A picture of the given size filled with `colour`. Refuses sizes beyond
    // the pixel budget (see imagelib/limits.h).
    static Picture Filled(int width, int height, std::uint32_t colour);
    // The same, in the memory of `recycled` when it is large enough: a fresh
    // frame costs more in page faults than in filling.
    static Picture Filled(int width, int height, std::uint32_t colour, Picture&& recycled);
    // Of the given size in the memory of `recycled` where it is large enough,
    // its pixels left as they are; else in fresh black memory. For a caller
    // that writes every pixel.
    static Picture Sized(int width, int height, Picture&& recycled);

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * stride; }
    const std::uint32_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * stride; }
    std::uint32_t at(int x, int y) const { return row(y)[x]; }
};

// The lender's end of lent pixel memory (a screen copy's buffer): it lends
// the memory to the surface it fills, and lets it be written again only
// while no other picture holds it. The lease keeps the memory (and may
// free it) for as long as the lender or any picture holds it.
class PixelLender {
public:
    PixelLender() = default;
    PixelLender(std::uint32_t* memory, std::shared_ptr<void> lease) : memory_(memory), lease_(std::move(lease)) {}

    std::uint32_t* data() const { return memory_; }
    bool Holds(const Picture& picture) const { return memory_ && picture.pixels.data() == memory_; }
    // Whether the memory may be written for `surface`: no picture but it holds it.
    bool FreeFor(const Picture& surface) const { return memory_ && (lease_.use_count() == 1 || Holds(surface)); }
    // `surface` (rows `width` pixels apart) has the memory as its pixels from now on.
    void LendTo(Picture& surface) const;
    // A surface that holds the memory takes a copy of its own, so that the
    // memory may be written for other pixels.
    void TakeBack(Picture& surface) const;

private:
    std::uint32_t* memory_ = nullptr;
    std::shared_ptr<void> lease_;
};

inline std::uint8_t Red(std::uint32_t p) { return (p >> 16) & 0xFF; }
inline std::uint8_t Green(std::uint32_t p) { return (p >> 8) & 0xFF; }
inline std::uint8_t Blue(std::uint32_t p) { return p & 0xFF; }
inline std::uint8_t Alpha(std::uint32_t p) { return p >> 24; }
inline std::uint32_t Rgb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

}  // namespace dudo
