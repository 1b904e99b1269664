// PNG: row filters chosen per row, then one zlib stream from libdeflate.
// Indexed images are written with a palette at the smallest bit depth that
// holds it, grey ones as 8-bit grey, the rest as 8-bit RGB.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "common/error.h"
#include "imagelib/codecs.h"
#include "imagelib/deflate_join.h"

namespace dudo {

namespace {

void Put32(Bytes& out, std::uint32_t v) {
    out.push_back(v >> 24);
    out.push_back(v >> 16);
    out.push_back(v >> 8);
    out.push_back(v);
}

// A chunk straight to the sink: length, type, its data given in parts, and
// the CRC of type and data.
void Chunk(const ByteSink& sink, const char type[4], std::initializer_list<std::span<const std::uint8_t>> parts) {
    std::size_t size = 0;
    for (const auto& part : parts) size += part.size();
    Bytes head, tail;
    Put32(head, static_cast<std::uint32_t>(size));
    head.insert(head.end(), type, type + 4);
    std::uint32_t crc = libdeflate_crc32(0, head.data() + 4, 4);
    sink(head);
    for (const auto& part : parts) {
        if (part.empty()) continue;  // libdeflate starts the CRC afresh on a null buffer
        crc = libdeflate_crc32(crc, part.data(), part.size());
        sink(part);
    }
    Put32(tail, crc);
    sink(tail);
}
struct Layout {
    int colourType;  // 0 grey, 2 RGB, 3 palette
    int bitDepth;
    int channels;    // bytes per pixel for filtering (at least 1)
    std::size_t rowBytes;
};

Layout ChooseLayout(const Image& image) {
    const std::size_t w = image.width();
    if (image.indexed()) {
        const std::size_t n = image.palette.size();
        const int depth = n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
        return {3, depth, 1, (w * depth + 7) / 8};
    }
    if (image.grey) return {0, 8, 1, w};
    return {2, 8, 3, w * 3};
}

void RgbRowPlain(const std::uint32_t* px, int w, std::uint8_t* out) {
    for (int x = 0; x < w; ++x) {
        out[3 * x] = Red(px[x]);
        out[3 * x + 1] = Green(px[x]);
        out[3 * x + 2] = Blue(px[x]);
    }
}

using RgbRowFn = void (*)(const std::uint32_t*, int, std::uint8_t*);
#if defined(__x86_64__) || defined(__i386__)
// Four pixels at a time, one byte shuffle each; a store writes 16 bytes for
// the 12 wanted, so the last pixels go one by one.
__attribute__((target("ssse3"))) void RgbRowSsse3(const std::uint32_t* px, int w, std::uint8_t* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= w; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(four, order));
    }
    RgbRowPlain(px + x, w - x, out + 3 * x);
}
RgbRowFn PickRgbRow() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") ? RgbRowSsse3 : RgbRowPlain;
}
#else
RgbRowFn PickRgbRow() { return RgbRowPlain; }
#endif

// Row y in PNG sample order, without the filter byte.
void RawRow(const Image& image, const Layout& layout, int y, std::uint8_t* out) {
    const int w = image.width();
    if (layout.colourType == 3) {
        const std::uint8_t* idx = image.indices.data() + static_cast<std::size_t>(y) * w;
        if (layout.bitDepth == 8) {
            std::memcpy(out, idx, w);
            return;
        }
        std::memset(out, 0, layout.rowBytes);
        const int perByte = 8 / layout.bitDepth;
        for (int x = 0; x < w; ++x)
            out[x / perByte] |= idx[x] << (8 - layout.bitDepth * (x % perByte + 1));
        return;
    }
    const std::uint32_t* px = image.pixels.row(y);
    if (layout.colourType == 0) {
        for (int x = 0; x < w; ++x) out[x] = Blue(px[x]);
        return;
    }
    static const RgbRowFn rgbRow = PickRgbRow();
    rgbRow(px, w, out);
}

// Row filters. A screen is flat areas, sharp edges and text, and what
// deflate gains most from there is runs of zero bytes: so each row takes Sub
// or Up, whichever leaves fewer non-zero bytes. On screen pictures that makes
// smaller files than the usual least-sum choice among all five filters, for a
// tenth of the time (bench/encode_bench).
enum Filter : std::uint8_t { kSub = 1, kUp = 2 };

struct NonZero {
    std::size_t sub = 0, up = 0;
};

// A byte filters to zero under Sub when it equals the one `b` to its left,
// under Up when it equals the one above; the first pixel's left is zero.
__attribute__((always_inline)) inline void CountTail(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t from,
                                                     std::size_t n, std::size_t b, NonZero& count) {
    for (std::size_t i = from; i < n; ++i) {
        count.sub += cur[i] != (i >= b ? cur[i - b] : 0);
        count.up += cur[i] != prev[i];
    }
}

__attribute__((always_inline)) inline void ApplyFilter(Filter filter, const std::uint8_t* cur, const std::uint8_t* prev,
                                                       std::size_t n, std::size_t b, std::uint8_t* out) {
    out[0] = filter;
    if (filter == kUp) {
        for (std::size_t i = 0; i < n; ++i) out[1 + i] = cur[i] - prev[i];
        return;
    }
    std::memcpy(out + 1, cur, b);
    for (std::size_t i = b; i < n; ++i) out[1 + i] = cur[i] - cur[i - b];
}

void FilterRowPlain(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n, std::size_t b, std::uint8_t* out) {
    NonZero count;
    CountTail(cur, prev, 0, n, b, count);
    ApplyFilter(count.up < count.sub ? kUp : kSub, cur, prev, n, b, out);
}

#if defined(__x86_64__) || defined(__i386__)
// The same, 32 bytes at a time, on processors that have AVX2 (picked at run
// time, which also works where the system's loader offers no ifunc).
__attribute__((target("avx2,popcnt"))) void FilterRowAvx2(const std::uint8_t* cur, const std::uint8_t* prev,
                                                          std::size_t n, std::size_t b, std::uint8_t* out) {
    NonZero count;
    CountTail(cur, prev, 0, std::min(b, n), b, count);
    std::size_t i = b;
    for (; i + 32 <= n; i += 32) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cur + i));
        const __m256i left = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cur + i - b));
        const __m256i above = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev + i));
        count.sub += 32 - __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(c, left))));
        count.up += 32 - __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(c, above))));
    }
    CountTail(cur, prev, std::max(i, b), n, b, count);
    ApplyFilter(count.up < count.sub ? kUp : kSub, cur, prev, n, b, out);
}

using FilterRowFn = void (*)(const std::uint8_t*, const std::uint8_t*, std::size_t, std::size_t, std::uint8_t*);
// Picked on first use, not by a static initializer, which could run before
// the processor's features have been read.
FilterRowFn PickFilterRow() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? FilterRowAvx2 : FilterRowPlain;
}
#else
using FilterRowFn = void (*)(const std::uint8_t*, const std::uint8_t*, std::size_t, std::size_t, std::uint8_t*);
FilterRowFn PickFilterRow() { return FilterRowPlain; }
#endif

// On rows of a few pixels the counts are too small to tell the filters
// apart, and switching between them costs deflate its matches across rows.
constexpr std::size_t kShortRow = 64;

// Filters rows [first, last) into `filtered`, row `first` at its start.
void FilterRows(const Image& image, const Layout& layout, RowFilter filter, int first, int last, std::uint8_t* filtered) {
    static const FilterRowFn filterRow = PickFilterRow();
    const std::size_t n = layout.rowBytes;
    // The row above the first is all zeros, which makes Up the same as None.
    std::vector<std::uint8_t> rows(2 * n, 0);
    std::uint8_t* prev = rows.data();
    std::uint8_t* cur = rows.data() + n;
    if (first > 0) RawRow(image, layout, first - 1, prev);
    for (int y = first; y < last; ++y) {
        RawRow(image, layout, y, cur);
        std::uint8_t* out = filtered + static_cast<std::size_t>(y - first) * (n + 1);
        if (layout.colourType == 3) {
            out[0] = 0;  // palette indices compress best unfiltered
            std::memcpy(out + 1, cur, n);
        } else if (filter == RowFilter::Sub || n < kShortRow) {
            ApplyFilter(kSub, cur, prev, n, static_cast<std::size_t>(layout.channels), out);
        } else {
            filterRow(cur, prev, n, static_cast<std::size_t>(layout.channels), out);
        }
        std::swap(prev, cur);
    }
}

// The filtered rows go out in bands, each filtered and compressed on its own
// so that every core can take one, in deflate streams of their own that are
// made continuable, all but the very last, so that joined they are the one
// zlib stream PNG wants. A band is about a megabyte, so that the workers'
// buffers stay small where the whole picture's filtered rows would be
// another frame (25 MB at 3840 x 2160).
struct Band {
    int first = 0, last = 0;
    Bytes deflated;
    std::uint32_t adler = 1;
    std::size_t size = 0;  // filtered bytes
    bool done = false;
};

constexpr std::size_t kBandBytes = 1u << 20;
// Within a band, each piece is a deflate stream of its own, small enough
// that libdeflate makes it one block, so that where it ends is read from its
// last byte: finding the end of a longer stream means decoding it, which took
// a seventh of the encoder's time. The matches lost across pieces cost about
// 1% in size.
constexpr std::size_t kPieceBytes = 64 * 1024;

std::vector<Band> PlanBands(const Layout& layout, int height, int workers) {
    const std::size_t total = static_cast<std::size_t>(height) * (layout.rowBytes + 1);
    const std::size_t perRound = kBandBytes * workers;
    // Small pictures are not worth a thread.
    const int rounds = static_cast<int>((total + perRound - 1) / perRound);
    const int count = total < kBandBytes / 4 ? 1 : std::clamp(workers * rounds, 1, height);
    std::vector<Band> bands(count);
    for (int i = 0; i < count; ++i) {
        bands[i].first = i == 0 ? 0 : bands[i - 1].last;
        bands[i].last = static_cast<int>(static_cast<long long>(height) * (i + 1) / count);
    }
    return bands;
}

}  // namespace

// A worker keeps its compressor and its memory from band to band and from
// picture to picture, so a capture pays for no fresh pages. The memory is
// never cleared before use: every byte used is written before it is read.
struct PngEncoder::Worker {
    std::vector<std::uint8_t> filtered;
    Bytes deflated;
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor{nullptr,
                                                                                           libdeflate_free_compressor};
    int level = 0;
};

namespace {

std::uint8_t* Room(std::vector<std::uint8_t>& scratch, std::size_t size) {
    if (scratch.size() < size) scratch.resize(size);
    return scratch.data();
}

libdeflate_compressor* CompressorFor(PngEncoder::Worker& worker, int level) {
    if (!worker.compressor || worker.level != level) {
        worker.compressor.reset(libdeflate_alloc_compressor(level));
        if (!worker.compressor) throw Error("PNG：無法建立壓縮器 (cannot create compressor)");
        worker.level = level;
    }
    return worker.compressor.get();
}

void CompressBand(const Image& image, const Layout& layout, const PngEffort& effort, bool last,
                  PngEncoder::Worker& worker, Band& band) {
    libdeflate_compressor* compressor = CompressorFor(worker, effort.deflateLevel);
    const std::size_t stride = layout.rowBytes + 1;
    band.size = static_cast<std::size_t>(band.last - band.first) * stride;
    std::uint8_t* filtered = Room(worker.filtered, band.size);
    FilterRows(image, layout, effort.rows, band.first, band.last, filtered);
    band.adler = libdeflate_adler32(1, filtered, band.size);
    Bytes& out = worker.deflated;
    out.clear();
    for (std::size_t at = 0; at < band.size; at += kPieceBytes) {
        const std::size_t n = std::min(kPieceBytes, band.size - at), from = out.size();
        const std::size_t bound = libdeflate_deflate_compress_bound(compressor, n);
        out.resize(from + bound);
        const std::size_t made = libdeflate_deflate_compress(compressor, filtered + at, n, out.data() + from, bound);
        if (made == 0) throw Error("PNG：壓縮失敗 (compression failed)");
        out.resize(from + made);
        if (!last || at + n < band.size) MakeContinuable(out, from);
    }
    band.deflated.assign(out.begin(), out.end());
}

// Each band goes to the sink as an IDAT chunk as soon as it and all before
// it are done, so the file is written while the rest is compressed and no
// band is kept once written. The first carries the zlib header, the last the
// checksum of the whole.
class InOrder {
public:
    InOrder(std::vector<Band>& bands, const ByteSink& sink) : bands_(bands), sink_(sink) {}

    void Done(std::size_t i) {
        std::lock_guard<std::mutex> hold(lock_);
        bands_[i].done = true;
        if (failed_) return;
        failed_ = true;  // until the writes below succeed
        for (; next_ < bands_.size() && bands_[next_].done; ++next_) Write(bands_[next_]);
        failed_ = false;
    }
    bool complete() const { return next_ == bands_.size(); }

private:
    void Write(Band& band) {
        static constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x9C};
        const bool first = &band == &bands_.front(), last = &band == &bands_.back();
        adler_ = static_cast<std::uint32_t>(adler32_combine(adler_, band.adler, static_cast<z_off_t>(band.size)));
        Bytes checksum;
        if (last) Put32(checksum, adler_);
        Chunk(sink_, "IDAT", {first ? std::span<const std::uint8_t>(kZlibHeader) : std::span<const std::uint8_t>(),
                              band.deflated, checksum});
        Bytes().swap(band.deflated);
    }

    std::vector<Band>& bands_;
    const ByteSink& sink_;
    std::mutex lock_;
    std::size_t next_ = 0;
    std::uint32_t adler_ = 1;
    bool failed_ = false;
};

void CompressImage(const Image& image, const Layout& layout, const PngEffort& effort,
                   std::vector<std::unique_ptr<PngEncoder::Worker>>& workers, const ByteSink& sink) {
    const int cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    std::vector<Band> bands = PlanBands(layout, image.height(), cores);
    const int count = static_cast<int>(bands.size());
    const int used = std::min(cores, count);
    while (static_cast<int>(workers.size()) < used) workers.push_back(std::make_unique<PngEncoder::Worker>());
    InOrder out(bands, sink);
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&](PngEncoder::Worker& worker) {
        try {
            for (int i; (i = next++) < count;) {
                CompressBand(image, layout, effort, i + 1 == count, worker, bands[i]);
                out.Done(static_cast<std::size_t>(i));
            }
        } catch (...) {
            std::lock_guard<std::mutex> hold(failureLock);
            if (!failure) failure = std::current_exception();
            next = count;
        }
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < used; ++i) helpers.emplace_back(work, std::ref(*workers[i]));
    work(*workers[0]);
    for (auto& t : helpers) t.join();
    if (failure) std::rethrow_exception(failure);
    if (!out.complete()) throw Error("PNG：壓縮失敗 (compression failed)");
}

}  // namespace

void PngEncoder::Encode(const Image& image, const PngEffort& effort, const ByteSink& sink) {
    if (image.empty()) throw Error("PNG：圖像是空的 (empty image)");
    const Layout layout = ChooseLayout(image);
    sink(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    Bytes header;
    Put32(header, image.width());
    Put32(header, image.height());
    header.insert(header.end(), {static_cast<std::uint8_t>(layout.bitDepth),
                                 static_cast<std::uint8_t>(layout.colourType), 0, 0, 0});
    Chunk(sink, "IHDR", {header});
    if (layout.colourType == 3) {
        Bytes palette;
        for (std::uint32_t c : image.palette) palette.insert(palette.end(), {Red(c), Green(c), Blue(c)});
        Chunk(sink, "PLTE", {palette});
    }
    CompressImage(image, layout, effort, workers_, sink);
    Chunk(sink, "IEND", {});
}

PngEncoder::PngEncoder() = default;
PngEncoder::~PngEncoder() = default;

Bytes EncodePng(const Image& image, int deflateLevel) {
    return Collect([&](const ByteSink& sink) { PngEncoder().Encode(image, {deflateLevel}, sink); });
}

}  // namespace dudo
