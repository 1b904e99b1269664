// Encoders and the BMP reader. Each takes the library's image and gives the
// file's bytes; each throws dudo::Error when it cannot.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imagelib/image.h"

namespace dudo {

using Bytes = std::vector<std::uint8_t>;

// level: the compressor's level, 1 (fastest) to 12 (smallest).
Bytes EncodePng(const Image& image, int deflateLevel);
// The same, keeping its workers' compressors and memory for the next picture.
class PngEncoder {
public:
    PngEncoder();
    ~PngEncoder();
    Bytes Encode(const Image& image, int deflateLevel);
    struct Worker;

private:
    std::vector<std::unique_ptr<Worker>> workers_;
};
Bytes EncodeJpeg(const Image& image, int quality);
// A true-colour image is quantised to 256 colours without dithering, which
// keeps the flat colours of screen content exact and is twice as fast.
Bytes EncodeGif(const Image& image, bool interlaced, bool version89a);
Bytes EncodeBmp(const Image& image);
// Reads an uncompressed BMP (1, 4, 8, 24 or 32 bits per pixel).
Image DecodeBmp(std::span<const std::uint8_t> file);

}  // namespace dudo
