// Encoders and the BMP reader. Each takes the library's image and gives the
// file's bytes; each throws dudo::Error when it cannot.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imagelib/byte_sink.h"
#include "imagelib/image.h"

namespace dudo {

// How hard PNG works: the compressor's level, 1 (fastest) to 12 (smallest);
// the row filters: Sub on every row, or on each row whichever of Sub and Up
// leaves fewer non-zero bytes, or that choice on flat rows and on the others
// whichever of all five filters promises the smallest code; and whether each
// band is one deflate stream, or pieces whose ends are found without a walk
// (faster, a little larger).
enum class RowFilter { Sub, Fewest, Smallest };
// How hard a PNG is compressed: libdeflate's level, and whether a band is
// compressed whole or in pieces, for bands of screen content and for busy
// bands (photographs, noise), which gain little from the slower levels.
// Level kLiteralsOnly codes every byte as a literal, looking for no match.
constexpr int kLiteralsOnly = 0;
struct PngEffort {
    int deflateLevel = 1;
    RowFilter rows = RowFilter::Fewest;
    bool wholeBands = false;
    int busyLevel = 1;
    bool busyWholeBands = false;
};
// The user's compression level, 1 (least) to 7 (most), as effort.
PngEffort PngEffortOf(int compression);
Bytes EncodePng(const Image& image, int deflateLevel);
// The same, keeping its workers' compressors and memory for the next picture.
class PngEncoder {
public:
    PngEncoder();
    ~PngEncoder();
    void Encode(const Image& image, const PngEffort& effort, const ByteSink& sink);
    struct Worker;

private:
    std::vector<std::unique_ptr<Worker>> workers_;
};
Bytes EncodeJpeg(const Image& image, int quality);
void EncodeJpeg(const Image& image, int quality, const ByteSink& sink);
// A true-colour image is quantised to 256 colours without dithering, which
// keeps the flat colours of screen content exact and is twice as fast.
Bytes EncodeGif(const Image& image, bool interlaced, bool version89a);
Bytes EncodeBmp(const Image& image);
void EncodeBmp(const Image& image, const ByteSink& sink);
// Reads an uncompressed BMP (1, 4, 8, 24 or 32 bits per pixel).
Image DecodeBmp(std::span<const std::uint8_t> file);

}  // namespace dudo
