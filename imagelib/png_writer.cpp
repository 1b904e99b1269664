// PNG: row filters chosen per row, then one zlib stream from libdeflate.
// Indexed images are written with a palette at the smallest bit depth that
// holds it, grey ones as 8-bit grey, the rest as 8-bit RGB.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "common/error.h"
#include "imagelib/codecs.h"
#include "imagelib/deflate_join.h"
#include "imagelib/literal_deflate.h"

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
// The colours of a true-colour picture that has few: at most 256, each with
// its palette index, found through a small open-addressed table.
class FewColours {
public:
    static constexpr std::size_t kMost = 256;

    // Empty where the picture has more colours than a palette holds.
    static FewColours Of(const Picture& picture) {
        FewColours found;
        found.grey_ = true;
        for (int y = 0; y < picture.height; ++y) {
            const std::uint32_t* px = picture.row(y);
            std::uint32_t last = ~px[0];
            for (int x = 0; x < picture.width; ++x) {
                if (px[x] == last) continue;  // screens are mostly runs
                last = px[x];
                if (found.IndexOf(last) >= 0) continue;
                if (found.palette_.size() == kMost) return {};
                found.Add(last);
            }
        }
        found.SortByLightness();
        return found;
    }
    bool empty() const { return palette_.empty(); }
    bool grey() const { return grey_; }
    const std::vector<std::uint32_t>& palette() const { return palette_; }
    int IndexOf(std::uint32_t colour) const {
        const std::size_t at = SlotOf(colour);
        return keys_[at] ? index_[at] : -1;
    }

private:
    static constexpr std::size_t kSlots = 1024;  // at most a quarter full
    static std::uint32_t Key(std::uint32_t colour) { return colour | 0xFF000000u; }  // never 0, the mark of a free slot
    // The slot that holds the colour, or the free one where it would go.
    std::size_t SlotOf(std::uint32_t colour) const {
        const std::uint32_t key = Key(colour);
        std::size_t at = (key * 2654435761u) >> 22;
        while (keys_[at] != key && keys_[at] != 0) at = (at + 1) % kSlots;
        return at;
    }
    void Add(std::uint32_t colour) {
        const std::size_t at = SlotOf(colour);
        keys_[at] = Key(colour);
        index_[at] = static_cast<std::uint8_t>(palette_.size());
        palette_.push_back(colour);
        grey_ = grey_ && Red(colour) == Green(colour) && Green(colour) == Blue(colour);
    }

    // Neighbouring pixels of like lightness get neighbouring indices, so
    // that the row filters find on indices what they find on greys.
    void SortByLightness() {
        auto lightness = [](std::uint32_t c) { return 2 * Red(c) + 5 * Green(c) + Blue(c); };
        std::stable_sort(palette_.begin(), palette_.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return lightness(a) < lightness(b); });
        for (std::size_t i = 0; i < palette_.size(); ++i) index_[SlotOf(palette_[i])] = static_cast<std::uint8_t>(i);
    }

    std::vector<std::uint32_t> keys_ = std::vector<std::uint32_t>(kSlots, 0);
    std::vector<std::uint8_t> index_ = std::vector<std::uint8_t>(kSlots, 0);
    std::vector<std::uint32_t> palette_;
    bool grey_ = false;
};

// How the image's rows go into the file. A true-colour picture of few
// colours is written as grey where they are all grey, else with a palette:
// the same pixels, exactly, in a third of the bytes before compression.
struct Layout {
    int colourType;  // 0 grey, 2 RGB, 3 palette
    int bitDepth;
    int channels;    // bytes per pixel for filtering (at least 1)
    std::size_t rowBytes;
    std::span<const std::uint32_t> palette;
    const FewColours* few = nullptr;  // where the palette is not the image's own
};

int PaletteDepth(std::size_t colours) { return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8; }

Layout ChooseLayout(const Image& image, const FewColours& few) {
    const std::size_t w = image.width();
    if (image.indexed()) {
        const int depth = PaletteDepth(image.palette.size());
        return {3, depth, 1, (w * depth + 7) / 8, image.palette};
    }
    if (image.grey || (!few.empty() && few.grey())) return {0, 8, 1, w, {}};
    if (!few.empty()) {
        const int depth = PaletteDepth(few.palette().size());
        return {3, depth, 1, (w * depth + 7) / 8, few.palette(), &few};
    }
    return {2, 8, 3, w * 3, {}};
}

// The vector instructions the row work may use: what the processor has,
// capped by DUDO_SIMD ("plain" or "ssse3"), so that every path can be run
// and checked on a machine that has them all.
enum class Simd { Plain, Ssse3, Avx2 };

Simd SimdInUse() {
    Simd have = Simd::Plain;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") ? Simd::Avx2
           : __builtin_cpu_supports("ssse3")                                   ? Simd::Ssse3
                                                                               : Simd::Plain;
#endif
    const char* cap = std::getenv("DUDO_SIMD");
    if (cap && std::string(cap) == "plain") return Simd::Plain;
    if (cap && std::string(cap) == "ssse3") return std::min(have, Simd::Ssse3);
    return have;
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
RgbRowFn PickRgbRow() { return SimdInUse() >= Simd::Ssse3 ? RgbRowSsse3 : RgbRowPlain; }
#else
RgbRowFn PickRgbRow() { return RgbRowPlain; }
#endif

// A row's palette indices where the palette is not the image's own; runs
// of one colour are looked up once.
void LookUpRow(const FewColours& few, const std::uint32_t* px, int w, std::uint8_t* out) {
    std::uint32_t last = ~px[0];
    std::uint8_t index = 0;
    for (int x = 0; x < w; ++x) {
        if (px[x] != last) last = px[x], index = static_cast<std::uint8_t>(few.IndexOf(last));
        out[x] = index;
    }
}

// Row y in PNG sample order, without the filter byte; `indices` is room for
// a row of palette indices.
void RawRow(const Image& image, const Layout& layout, int y, std::uint8_t* out, std::uint8_t* indices) {
    const int w = image.width();
    if (layout.colourType == 3) {
        const std::uint8_t* idx = image.indices.data() + static_cast<std::size_t>(y) * w;
        if (layout.few) {
            LookUpRow(*layout.few, image.pixels.row(y), w, indices);
            idx = indices;
        }
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

// How many bytes of a row Sub and Up leave non-zero.
NonZero CountNonZeroPlain(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n, std::size_t b) {
    NonZero count;
    CountTail(cur, prev, 0, n, b, count);
    return count;
}

using CountNonZeroFn = NonZero (*)(const std::uint8_t*, const std::uint8_t*, std::size_t, std::size_t);
#if defined(__x86_64__) || defined(__i386__)
// The same, 32 bytes at a time, on processors that have AVX2 (picked at run
// time, which also works where the system's loader offers no ifunc).
__attribute__((target("avx2,popcnt"))) NonZero CountNonZeroAvx2(const std::uint8_t* cur, const std::uint8_t* prev,
                                                                std::size_t n, std::size_t b) {
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
    return count;
}

// Picked on first use, not by a static initializer, which could run before
// the processor's features have been read.
CountNonZeroFn PickCountNonZero() { return SimdInUse() == Simd::Avx2 ? CountNonZeroAvx2 : CountNonZeroPlain; }
#else
CountNonZeroFn PickCountNonZero() { return CountNonZeroPlain; }
#endif

// Sub or Up, whichever leaves fewer non-zero bytes, from the counts.
void FilterRowFewest(const NonZero& count, const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n,
                     std::size_t b, std::uint8_t* out) {
    ApplyFilter(count.up < count.sub ? kUp : kSub, cur, prev, n, b, out);
}

// The five filters of PNG on bytes [from, n) of one row, where `b` is the
// bytes of a pixel and the pixel left of the first and the row above the
// first are zeros. Each filter's cost is added up on the way: the sum of its
// bytes' magnitudes taken as signed, the usual estimate of what deflate will
// make of them. On the corpus it picks as well as an order-0 entropy count of
// each row, for a tenth of the time, and needs no second pass.
using FilterCosts = std::uint64_t[5];

__attribute__((always_inline)) inline void AllFiltersTail(const std::uint8_t* cur, const std::uint8_t* prev,
                                                          std::size_t from, std::size_t n, std::size_t b,
                                                          std::uint8_t* const out[5], FilterCosts cost) {
    for (std::size_t i = from; i < n; ++i) {
        const int a = i >= b ? cur[i - b] : 0, up = prev[i], c = i >= b ? prev[i - b] : 0;
        const int p = a + up - c, pa = std::abs(p - a), pb = std::abs(p - up), pc = std::abs(p - c);
        const int predictors[5] = {0, a, up, (a + up) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? up : c};
        for (int f = 0; f < 5; ++f) {
            const auto v = static_cast<std::uint8_t>(cur[i] - predictors[f]);
            out[f][i] = v;
            cost[f] += static_cast<std::uint64_t>(std::abs(static_cast<std::int8_t>(v)));
        }
    }
}

void AllFiltersPlain(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n, std::size_t b,
                     std::uint8_t* const out[5], FilterCosts cost) {
    AllFiltersTail(cur, prev, 0, n, b, out, cost);
}

using AllFiltersFn = void (*)(const std::uint8_t*, const std::uint8_t*, std::size_t, std::size_t,
                              std::uint8_t* const[5], FilterCosts);
#if defined(__x86_64__) || defined(__i386__)
// Sixteen bytes at a time; Paeth's predictor in 16-bit lanes, where its
// distances cannot overflow; the magnitudes summed eight bytes to a lane.
__attribute__((target("avx2"))) void AllFiltersAvx2(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n,
                                                    std::size_t b, std::uint8_t* const out[5], FilterCosts cost) {
    AllFiltersTail(cur, prev, 0, std::min(b, n), b, out, cost);
    std::size_t i = b;
    const __m128i one = _mm_set1_epi8(1), zero = _mm_setzero_si128();
    __m128i sums[5] = {zero, zero, zero, zero, zero};
    for (; i + 16 <= n; i += 16) {
        auto load = [](const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        const __m128i x = load(cur + i), a = load(cur + i - b), up = load(prev + i), c = load(prev + i - b);
        // The rounding average less the carry it rounded up with.
        const __m128i average = _mm_sub_epi8(_mm_avg_epu8(a, up), _mm_and_si128(_mm_xor_si128(a, up), one));
        const __m256i A = _mm256_cvtepu8_epi16(a), B = _mm256_cvtepu8_epi16(up), C = _mm256_cvtepu8_epi16(c);
        const __m256i pa = _mm256_abs_epi16(_mm256_sub_epi16(B, C)), pb = _mm256_abs_epi16(_mm256_sub_epi16(A, C));
        const __m256i pc = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_add_epi16(A, B), _mm256_add_epi16(C, C)));
        const __m256i takeA = _mm256_andnot_si256(_mm256_or_si256(_mm256_cmpgt_epi16(pa, pb), _mm256_cmpgt_epi16(pa, pc)),
                                                  _mm256_set1_epi16(-1));
        const __m256i bOrC = _mm256_blendv_epi8(C, B, _mm256_andnot_si256(_mm256_cmpgt_epi16(pb, pc), _mm256_set1_epi16(-1)));
        const __m256i predictor = _mm256_blendv_epi8(bOrC, A, takeA);
        const __m128i paeth = _mm_packus_epi16(_mm256_castsi256_si128(predictor), _mm256_extracti128_si256(predictor, 1));
        const __m128i filtered[5] = {x, _mm_sub_epi8(x, a), _mm_sub_epi8(x, up), _mm_sub_epi8(x, average),
                                     _mm_sub_epi8(x, paeth)};
        for (int f = 0; f < 5; ++f) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[f] + i), filtered[f]);
            sums[f] = _mm_add_epi64(sums[f], _mm_sad_epu8(_mm_abs_epi8(filtered[f]), zero));
        }
    }
    for (int f = 0; f < 5; ++f)
        cost[f] += static_cast<std::uint64_t>(_mm_cvtsi128_si64(sums[f])) +
                   static_cast<std::uint64_t>(_mm_extract_epi64(sums[f], 1));
    AllFiltersTail(cur, prev, i, n, b, out, cost);
}
AllFiltersFn PickAllFilters() { return SimdInUse() == Simd::Avx2 ? AllFiltersAvx2 : AllFiltersPlain; }
#else
AllFiltersFn PickAllFilters() { return AllFiltersPlain; }
#endif

// On rows of a few pixels the counts are too small to tell the filters
// apart, and switching between them costs deflate its matches across rows.
constexpr std::size_t kShortRow = 64;

// The five candidate rows for rows of n bytes, kept by a worker from band
// to band.
struct RowScratch {
    explicit RowScratch(std::size_t n) : rowBytes(n), bytes(5 * n) {
        for (int f = 0; f < 5; ++f) candidates[f] = bytes.data() + f * n;
    }
    std::size_t rowBytes;
    std::vector<std::uint8_t> bytes;
    std::uint8_t* candidates[5];
};

// A row that Sub or Up leaves mostly zero is screen content; any other is a
// busy row, of a photograph or noise.
bool Busy(const NonZero& count, std::size_t n) { return std::min(count.sub, count.up) * 4 >= n; }

// A busy row's filter where every row may take any of the five: the one
// whose bytes have the smallest magnitudes.
void FilterRowSmallest(const std::uint8_t* cur, const std::uint8_t* prev, std::size_t n, std::size_t b,
                       RowScratch& scratch, std::uint8_t* out) {
    static const AllFiltersFn allFilters = PickAllFilters();
    FilterCosts cost = {};
    allFilters(cur, prev, n, b, scratch.candidates, cost);
    int best = 0;
    for (int f = 1; f < 5; ++f)
        if (cost[f] < cost[best]) best = f;
    out[0] = static_cast<std::uint8_t>(best);
    std::memcpy(out + 1, scratch.candidates[best], n);
}

// Filters rows [first, last) into `filtered`, row `first` at its start;
// gives the number of busy rows among them. `scratch` is made for this row
// width where the five filters are tried.
int FilterRows(const Image& image, const Layout& layout, RowFilter filter, int first, int last, std::uint8_t* filtered,
               std::unique_ptr<RowScratch>& scratch) {
    static const CountNonZeroFn countNonZero = PickCountNonZero();
    const std::size_t n = layout.rowBytes;
    const std::size_t b = static_cast<std::size_t>(layout.channels);
    // The row above the first is all zeros, which makes Up the same as None.
    std::vector<std::uint8_t> rows(2 * n + image.width(), 0);
    std::uint8_t* prev = rows.data();
    std::uint8_t* cur = rows.data() + n;
    std::uint8_t* indices = rows.data() + 2 * n;
    // Indices of fewer than 8 bits are not bytes to filter; those of the
    // image's own palette are in no order that filtering could use.
    const bool indicesUnfiltered = layout.colourType == 3 && (layout.bitDepth < 8 || !layout.few);
    if (filter == RowFilter::Smallest && !indicesUnfiltered && (!scratch || scratch->rowBytes != n))
        scratch = std::make_unique<RowScratch>(n);
    int busy = 0;
    if (first > 0) RawRow(image, layout, first - 1, prev, indices);
    for (int y = first; y < last; ++y) {
        RawRow(image, layout, y, cur, indices);
        std::uint8_t* out = filtered + static_cast<std::size_t>(y - first) * (n + 1);
        if (indicesUnfiltered || (layout.colourType == 3 && filter != RowFilter::Smallest)) {
            out[0] = 0;
            std::memcpy(out + 1, cur, n);
        } else if (filter == RowFilter::Sub || n < kShortRow) {
            ApplyFilter(kSub, cur, prev, n, b, out);
        } else {
            // Screen rows keep the choice of fewest non-zero bytes that suits them.
            const NonZero count = countNonZero(cur, prev, n, b);
            const bool busyRow = Busy(count, n);
            busy += busyRow;
            if (busyRow && filter == RowFilter::Smallest) FilterRowSmallest(cur, prev, n, b, *scratch, out);
            else FilterRowFewest(count, cur, prev, n, b, out);
        }
        std::swap(prev, cur);
    }
    return busy;
}

// The filtered rows go out in bands, each filtered and compressed on its own
// so that every core can take one, in deflate streams of their own that are
// made continuable, all but the very last, so that joined they are the one
// zlib stream PNG wants. A band is about a megabyte, so that the workers'
// buffers stay small where the whole picture's filtered rows would be
// another frame (25 MB at 3840 x 2160).
struct Band {
    int first = 0, last = 0;
    std::unique_ptr<std::uint8_t, decltype(&std::free)> deflated{nullptr, &std::free};
    std::size_t deflatedSize = 0;
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
    std::vector<std::uint8_t> pieceScratch;  // a busy band's first piece as literals
    std::unique_ptr<RowScratch> rowScratch;
    using Compressor = std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>;
    std::map<int, Compressor> compressors;  // by level: a band may take another than the one before

    // Frees the compressors of levels the effort no longer uses, so that a
    // change of level does not leave one more behind (up to a megabyte).
    void KeepCompressorsFor(const PngEffort& effort) {
        std::erase_if(compressors, [&](const auto& entry) {
            return entry.first != effort.deflateLevel && entry.first != effort.busyLevel;
        });
    }
};

namespace {

std::uint8_t* Room(std::vector<std::uint8_t>& scratch, std::size_t size) {
    if (scratch.size() < size) scratch.resize(size);
    return scratch.data();
}

libdeflate_compressor* CompressorFor(PngEncoder::Worker& worker, int level) {
    auto found = worker.compressors.find(level);
    if (found == worker.compressors.end()) {
        PngEncoder::Worker::Compressor made(libdeflate_alloc_compressor(level), libdeflate_free_compressor);
        if (!made) throw Error("PNG：無法建立壓縮器 (cannot create compressor)");
        found = worker.compressors.emplace(level, std::move(made)).first;
    }
    return found->second.get();
}

// Room for `size` bytes compressed in pieces of `piece` bytes, each made
// continuable.
std::size_t DeflateRoom(libdeflate_compressor* compressor, std::size_t size, std::size_t piece) {
    std::size_t room = 0;
    for (std::size_t at = 0; at < size; at += piece)
        room += libdeflate_deflate_compress_bound(compressor, std::min(piece, size - at)) + kContinuableGrowth;
    return room;
}

// Compresses `size` bytes at `filtered` with libdeflate in pieces of `piece`
// bytes to `out`, which has DeflateRoom for them; gives the size.
std::size_t Deflate(libdeflate_compressor* compressor, const std::uint8_t* filtered, std::size_t size,
                    std::size_t piece, bool last, std::uint8_t* out, std::size_t room) {
    std::size_t used = 0;
    for (std::size_t at = 0; at < size; at += piece) {
        const std::size_t n = std::min(piece, size - at);
        std::uint8_t* to = out + used;
        std::size_t made = libdeflate_deflate_compress(compressor, filtered + at, n, to, room - used - kContinuableGrowth);
        if (made == 0) throw Error("PNG：壓縮失敗 (compression failed)");
        if (!last || at + n < size) made = MakeContinuable(to, made);
        used += made;
    }
    return used;
}

std::uint8_t* Allocate(Band& band, std::size_t room) {
    // Not cleared: the compressors write every byte that is kept.
    band.deflated.reset(static_cast<std::uint8_t*>(std::malloc(room)));
    if (!band.deflated) throw std::bad_alloc();
    return band.deflated.get();
}

// A busy band at a matching level: a photograph's gains from matches, where
// noise's filtered rows come out larger with them than as literals, and
// slower. Its first piece is compressed both ways; where literals made it a
// thirty-second smaller, the whole band is coded as literals, as the least
// effort codes it, so that no higher level makes noise larger. A band of a
// photograph that literals win by less has matches further on.
std::size_t DeflateBusy(libdeflate_compressor* compressor, const std::uint8_t* filtered, std::size_t size, bool last,
                        std::vector<std::uint8_t>& scratch, Band& band) {
    const std::size_t piece = kPieceBytes, rest = size - piece;
    const std::size_t matchedRoom = DeflateRoom(compressor, piece, piece);
    const std::size_t room = std::max(LiteralDeflateBound(size), matchedRoom + DeflateRoom(compressor, rest, rest));
    std::uint8_t* out = Allocate(band, room);
    const std::size_t withMatches = Deflate(compressor, filtered, piece, piece, false, out, matchedRoom);
    const std::size_t literals = LiteralDeflate(filtered, piece, false, Room(scratch, LiteralDeflateBound(piece)));
    if (withMatches < literals + literals / 32)
        return withMatches + Deflate(compressor, filtered + piece, rest, rest, last, out + withMatches, room - withMatches);
    return LiteralDeflate(filtered, size, last, out);
}

void CompressBand(const Image& image, const Layout& layout, const PngEffort& effort, bool last,
                  PngEncoder::Worker& worker, Band& band) {
    const std::size_t stride = layout.rowBytes + 1;
    band.size = static_cast<std::size_t>(band.last - band.first) * stride;
    std::uint8_t* filtered = Room(worker.filtered, band.size);
    const int busy = FilterRows(image, layout, effort.rows, band.first, band.last, filtered, worker.rowScratch);
    // A band of mostly busy rows takes the effort meant for such.
    const bool busyBand = busy * 2 > band.last - band.first;
    const int level = busyBand ? effort.busyLevel : effort.deflateLevel;
    band.adler = libdeflate_adler32(1, filtered, band.size);
    std::size_t used = 0;
    if (level == kLiteralsOnly) {
        used = LiteralDeflate(filtered, band.size, last, Allocate(band, LiteralDeflateBound(band.size)));
    } else if (busyBand && effort.busyWholeBands && band.size > 2 * kPieceBytes) {
        used = DeflateBusy(CompressorFor(worker, level), filtered, band.size, last, worker.pieceScratch, band);
    } else {
        libdeflate_compressor* compressor = CompressorFor(worker, level);
        const std::size_t piece = (busyBand ? effort.busyWholeBands : effort.wholeBands) ? band.size : kPieceBytes;
        const std::size_t room = DeflateRoom(compressor, band.size, piece);
        used = Deflate(compressor, filtered, band.size, piece, last, Allocate(band, room), room);
    }
    band.deflatedSize = used;
    // A band done before those ahead of it waits in no more than it needs;
    // shrinking in place moves nothing.
    if (void* fitted = std::realloc(band.deflated.get(), used)) {
        band.deflated.release();
        band.deflated.reset(static_cast<std::uint8_t*>(fitted));
    }
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
                              {band.deflated.get(), band.deflatedSize}, checksum});
        band.deflated.reset();
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
            worker.KeepCompressorsFor(effort);
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
    const FewColours few = image.indexed() || image.grey ? FewColours() : FewColours::Of(image.pixels);
    const Layout layout = ChooseLayout(image, few);
    sink(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    Bytes header;
    Put32(header, image.width());
    Put32(header, image.height());
    header.insert(header.end(), {static_cast<std::uint8_t>(layout.bitDepth),
                                 static_cast<std::uint8_t>(layout.colourType), 0, 0, 0});
    Chunk(sink, "IHDR", {header});
    if (layout.colourType == 3) {
        Bytes palette;
        for (std::uint32_t c : layout.palette) palette.insert(palette.end(), {Red(c), Green(c), Blue(c)});
        Chunk(sink, "PLTE", {palette});
    }
    CompressImage(image, layout, effort, workers_, sink);
    Chunk(sink, "IEND", {});
}

// Seven steps, each smaller and no faster than the one below on the corpus
// of screens as a whole (bench/png-encode-results.md). Every level filters
// busy rows by the best of the five filters and screen rows by the better of
// Sub and Up, and compresses screen bands whole, where libdeflate's level 2
// is both faster and smaller than its level 1. The least effort codes
// busy bands as literals and runs alone; the others compress them whole at
// libdeflate's level 1 (in 64 KB pieces they came out larger than level 1's
// on noise, and no step), or as literals where those win their first piece
// (noise), and the screen bands at its slower levels. Busy bands stay at
// its fastest level: its level 2 makes a photograph 2% smaller for half as
// much time again, which at 3840 x 2160 is more than a fifth of a common
// tool's whole save.
PngEffort PngEffortOf(int compression) {
    static constexpr PngEffort kLevels[] = {
        {2, RowFilter::Smallest, true, kLiteralsOnly, false}, {2, RowFilter::Smallest, true, 1, true},
        {3, RowFilter::Smallest, true, 1, true},  {4, RowFilter::Smallest, true, 1, true},
        {5, RowFilter::Smallest, true, 1, true},  {6, RowFilter::Smallest, true, 1, true},
        {7, RowFilter::Smallest, true, 1, true},
    };
    return kLevels[std::clamp(compression, 1, 7) - 1];
}

PngEncoder::PngEncoder() = default;
PngEncoder::~PngEncoder() = default;

Bytes EncodePng(const Image& image, int deflateLevel) {
    return Collect([&](const ByteSink& sink) { PngEncoder().Encode(image, {deflateLevel}, sink); });
}

}  // namespace dudo
