#include "imagelib/literal_deflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#endif

namespace dudo {

namespace {

constexpr std::size_t kBlockBytes = 65535;  // what one stored block holds, for a block that codes worse
constexpr int kSymbols = 286;               // the bytes, the end of block and the lengths
constexpr int kEndOfBlock = 256;
// A run of the byte before, as long as this or longer, is sent as a match
// at distance 1 rather than as literals: flat parts of a busy band.
constexpr std::size_t kShortestRun = 4;
constexpr std::size_t kLongestMatch = 258;

// The length symbol of each match length, and its extra bits.
struct LengthCode {
    std::uint16_t symbol;
    std::uint8_t extraBits;
    std::uint16_t extra;
};
constexpr std::array<LengthCode, kLongestMatch + 1> kLengthCodes = [] {
    constexpr int base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                              31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    constexpr int extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    std::array<LengthCode, kLongestMatch + 1> codes{};
    for (int k = 0; k < 29; ++k)
        for (int len = base[k]; len < (k == 28 ? 259 : base[k + 1]) && len <= 258; ++len)
            codes[len] = {static_cast<std::uint16_t>(257 + k), static_cast<std::uint8_t>(extra[k]),
                          static_cast<std::uint16_t>(len - base[k])};
    return codes;
}();

// How many bytes from `at` on repeat the one before it, up to a match's
// longest; zero where that is fewer than a run worth a match.
std::size_t RunAt(const std::uint8_t* in, std::size_t at, std::size_t end) {
    const std::uint8_t before = in[at - 1];
    const std::size_t most = std::min(end - at, kLongestMatch);
    std::size_t n = 0;
    while (n < most && in[at + n] == before) ++n;
    return n >= kShortestRun ? n : 0;
}

// Splits bytes [from, to) of the `size` at `in` into stretches of literals
// and runs, given in order to `literals(first, count)` and `match(length)`.
// Sixteen bytes are compared with those before them at once, so a stretch
// of a photograph with no run in it is passed over quickly.
template <typename Literals, typename Match>
void Tokens(const std::uint8_t* in, std::size_t from, std::size_t to, std::size_t size, Literals&& literals,
            Match&& match) {
    std::size_t start = from;             // literals from here are not yet given
    std::size_t i = std::max<std::size_t>(from, 1);  // the stream's first byte has none before it
    while (i < to) {
#if defined(__x86_64__) || defined(__i386__)
        if (i + 16 <= size) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i - 1));
            const unsigned same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, before)));
            // Where four bytes in a row repeat the one before: runs may start there.
            const unsigned starts = same & same >> 1 & same >> 2 & same >> 3 & 0x1FFF;
            if (!starts) {
                i += 13;
                continue;
            }
            i += static_cast<std::size_t>(__builtin_ctz(starts));
            if (i >= to) break;
        }
#endif
        const std::size_t run = RunAt(in, i, to);
        if (!run) {
            ++i;
            continue;
        }
        if (i > start) literals(in + start, i - start);
        match(run);
        i += run;
        start = i;
    }
    if (to > start) literals(in + start, to - start);
}

// Least significant bit first, as deflate packs them. Put may be called
// three times with codes of up to 15 bits between flushes; a flush writes 8
// bytes at the end, so the output needs 8 bytes of room past what it keeps.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t* out) : out_(out) {}
    void Put(std::uint32_t bits, int n) {
        buffer_ |= static_cast<std::uint64_t>(bits) << count_;
        count_ += n;
    }
    void Flush() {
        const int bytes = count_ >> 3;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out_ + size_, &buffer_, 8);
        } else {
            for (int i = 0; i < 8; ++i) out_[size_ + i] = static_cast<std::uint8_t>(buffer_ >> (8 * i));
        }
        size_ += bytes;
        buffer_ = bytes == 8 ? 0 : buffer_ >> (8 * bytes);
        count_ &= 7;
    }
    void AlignToByte() {
        count_ = (count_ + 7) & ~7;  // the bits above those used are zeros
        Flush();
    }
    void Raw(const std::uint8_t* bytes, std::size_t n) {  // only when aligned
        if (n) std::memcpy(out_ + size_, bytes, n);  // an empty input may have no address
        size_ += n;
    }
    std::size_t size() const { return size_; }

private:
    std::uint8_t* out_;
    std::size_t size_ = 0;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

// The lengths of a Huffman code for the counts, none longer than `limit`;
// zero for what does not occur. At least two symbols get a length, so that
// the code is complete, as decoders want of a code-length code.
template <int kN>
std::array<std::uint8_t, kN> CodeLengths(std::array<std::uint32_t, kN> counts, int limit) {
    std::array<std::uint8_t, kN> lengths{};
    auto used = std::count_if(counts.begin(), counts.end(), [](std::uint32_t c) { return c != 0; });
    for (int s = 0; used < 2; ++s)
        if (counts[s] == 0) counts[s] = 1, ++used;
    // Leaves by weight, lightest first; a node's weight and its parent.
    std::vector<int> order;
    for (int s = 0; s < kN; ++s)
        if (counts[s]) order.push_back(s);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return counts[a] < counts[b]; });
    const int leaves = static_cast<int>(order.size());
    std::vector<std::uint64_t> weight(2 * leaves - 1);
    std::vector<int> parent(2 * leaves - 1, -1);
    for (int i = 0; i < leaves; ++i) weight[i] = counts[order[i]];
    // Two queues: the leaves in order, and the joined nodes, made in order.
    int leaf = 0, joined = leaves, made = leaves;
    auto lightest = [&] { return leaf < leaves && (joined == made || weight[leaf] <= weight[joined]) ? leaf++ : joined++; };
    while (made < 2 * leaves - 1) {
        const int a = lightest(), b = lightest();
        weight[made] = weight[a] + weight[b];
        parent[a] = parent[b] = made++;
    }
    // Depths from the root down, then how many codes of each length.
    std::vector<int> depth(2 * leaves - 1, 0);
    std::array<int, 64> perLength{};
    for (int i = 2 * leaves - 3; i >= 0; --i) depth[i] = depth[parent[i]] + 1;
    for (int i = 0; i < leaves; ++i) ++perLength[std::min(depth[i], limit)];
    // Too long codes were cut to the limit: lengthen shorter ones until the
    // lengths fit a code again.
    std::uint32_t kraft = 0;
    for (int len = 1; len <= limit; ++len) kraft += static_cast<std::uint32_t>(perLength[len]) << (limit - len);
    while (kraft > (1u << limit)) {
        --perLength[limit];
        for (int len = limit - 1; len > 0; --len)
            if (perLength[len]) {
                --perLength[len];
                perLength[len + 1] += 2;
                break;
            }
        --kraft;
    }
    // The shortest codes to the commonest symbols.
    int at = leaves - 1;
    for (int len = 1; len <= limit; ++len)
        for (int k = 0; k < perLength[len]; ++k) lengths[order[at--]] = static_cast<std::uint8_t>(len);
    return lengths;
}

// Canonical codes for the lengths, bit-reversed as deflate sends them.
template <int kN>
std::array<std::uint32_t, kN> Codes(const std::array<std::uint8_t, kN>& lengths) {
    std::array<int, 16> count{}, next{};
    for (auto len : lengths) ++count[len];
    count[0] = 0;
    for (int len = 1, code = 0; len < 16; ++len) next[len] = code = (code + count[len - 1]) << 1;
    std::array<std::uint32_t, kN> codes{};
    for (int s = 0; s < kN; ++s) {
        if (!lengths[s]) continue;
        std::uint32_t code = static_cast<std::uint32_t>(next[lengths[s]]++), reversed = 0;
        for (int i = 0; i < lengths[s]; ++i, code >>= 1) reversed = reversed << 1 | (code & 1);
        codes[s] = reversed;
    }
    return codes;
}

void StoredBlock(BitWriter& out, const std::uint8_t* in, std::size_t n, bool final) {
    out.Put(final, 1);
    out.Put(0, 2);
    out.AlignToByte();
    const std::uint8_t length[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                    static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)};
    out.Raw(length, 4);
    out.Raw(in, n);
}

// One block of bytes [from, to) of the `size` at `in`, at most kBlockBytes:
// Huffman codes of their own, or stored where those would not be smaller.
void Block(BitWriter& out, const std::uint8_t* in, std::size_t from, std::size_t to, std::size_t size, bool final) {
    // What the block will send: literals, and runs as matches.
    std::array<std::array<std::uint32_t, 256>, 4> literalCounts{};
    std::array<std::uint32_t, kSymbols> counts{};
    Tokens(
        in, from, to, size,
        [&](const std::uint8_t* bytes, std::size_t n) {
            std::size_t k = 0;
            for (; k + 4 <= n; k += 4)
                for (int j = 0; j < 4; ++j) ++literalCounts[j][bytes[k + j]];
            for (; k < n; ++k) ++literalCounts[0][bytes[k]];
        },
        [&](std::size_t run) { ++counts[kLengthCodes[run].symbol]; });
    for (int v = 0; v < 256; ++v)
        counts[v] = literalCounts[0][v] + literalCounts[1][v] + literalCounts[2][v] + literalCounts[3][v];
    counts[kEndOfBlock] = 1;
    const auto lengths = CodeLengths<kSymbols>(counts, 15);
    // The header lists the literals' and lengths' code lengths and two
    // distance codes of one bit, of which the first, distance 1, is used;
    // they are coded in turn by a code of their own.
    std::array<std::uint8_t, kSymbols + 2> listed{};
    std::copy(lengths.begin(), lengths.end(), listed.begin());
    listed[kSymbols] = listed[kSymbols + 1] = 1;
    std::array<std::uint32_t, 19> lengthCounts{};
    for (auto len : listed) ++lengthCounts[len];
    const auto lengthLengths = CodeLengths<19>(lengthCounts, 7);
    static constexpr int kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int sent = 19;
    while (sent > 4 && lengthLengths[kOrder[sent - 1]] == 0) --sent;
    std::uint64_t bits = 3 + 5 + 5 + 4 + 3 * sent;
    for (int len = 0; len < 16; ++len) bits += std::uint64_t{lengthCounts[len]} * lengthLengths[len];
    for (int s = 0; s < kSymbols; ++s) bits += std::uint64_t{counts[s]} * lengths[s];
    for (int s = 257; s < kSymbols; ++s) bits += counts[s];  // each match's distance code
    for (std::size_t len = kShortestRun; len <= kLongestMatch; ++len)
        if (kLengthCodes[len].symbol != kLengthCodes[len - 1].symbol)
            bits += std::uint64_t{counts[kLengthCodes[len].symbol]} * kLengthCodes[len].extraBits;
    const std::size_t n = to - from;
    if (bits >= 8 * n + 35) return StoredBlock(out, in + from, n, final);

    const auto lengthCodes = Codes<19>(lengthLengths);
    out.Put(final, 1);
    out.Put(2, 2);
    out.Put(kSymbols - 257, 5);
    out.Put(2 - 1, 5);
    out.Put(static_cast<std::uint32_t>(sent - 4), 4);
    out.Flush();
    for (int k = 0; k < sent; ++k) out.Put(lengthLengths[kOrder[k]], 3), out.Flush();
    for (auto len : listed) out.Put(lengthCodes[len], lengthLengths[len]), out.Flush();
    // A code and its length in one word, looked up once a symbol.
    const auto codes = Codes<kSymbols>(lengths);
    std::array<std::uint32_t, kSymbols> table;
    for (int v = 0; v < kSymbols; ++v) table[v] = codes[v] | static_cast<std::uint32_t>(lengths[v]) << 16;
    auto put = [&](int symbol) { out.Put(table[symbol] & 0xFFFF, static_cast<int>(table[symbol] >> 16)); };
    Tokens(
        in, from, to, size,
        [&](const std::uint8_t* bytes, std::size_t n) {
            std::size_t k = 0;
            for (; k + 3 <= n; k += 3) {
                put(bytes[k]);
                put(bytes[k + 1]);
                put(bytes[k + 2]);
                out.Flush();
            }
            for (; k < n; ++k) put(bytes[k]), out.Flush();
        },
        [&](std::size_t run) {
            const LengthCode& code = kLengthCodes[run];
            put(code.symbol);
            out.Put(code.extra, code.extraBits);
            out.Put(0, 1);  // distance 1
            out.Flush();
        });
    put(kEndOfBlock);
    out.Flush();
}

}  // namespace

std::size_t LiteralDeflateBound(std::size_t n) {
    // No block is larger than stored; then the closing empty block, and the
    // room a flush writes past the end.
    return n + 6 * (n / kBlockBytes + 1) + 5 + 8;
}

std::size_t LiteralDeflate(const std::uint8_t* in, std::size_t n, bool last, std::uint8_t* out) {
    BitWriter bits(out);
    for (std::size_t at = 0; at < n; at += kBlockBytes) {
        const std::size_t size = std::min(kBlockBytes, n - at);
        Block(bits, in, at, at + size, n, last && at + size == n);
    }
    if (last && n == 0) StoredBlock(bits, in, 0, true);
    if (!last) StoredBlock(bits, in, 0, false);
    bits.AlignToByte();
    return bits.size();
}

}  // namespace dudo
