#include "imagelib/deflate_join.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "common/error.h"

namespace dudo {

namespace {

[[noreturn]] void Malformed(const char* what) {
    throw Error(std::string("PNG：壓縮資料無效 (malformed deflate stream: ") + what + ")");
}

// Least significant bit first, as deflate packs them. Past the end it reads
// zeros, a few words' worth at most before it calls the stream truncated, so
// that no code made of zeros can walk on for ever.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // Leaves at least 56 bits to peek.
    void Refill() {
        if (byte_ + 8 <= size_) {  // the common case: one unaligned load
            std::uint64_t word;
            std::memcpy(&word, data_ + byte_, 8);
            buffer_ |= word << count_;
            byte_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        if (byte_ > size_ + 16) Malformed("truncated");
        while (count_ <= 56) {
            const std::uint64_t byte = byte_ < size_ ? data_[byte_] : 0;
            buffer_ |= byte << count_;
            ++byte_;
            count_ += 8;
        }
    }
    void Need(int n) {
        if (count_ < n) Refill();
    }
    std::uint64_t peek() const { return buffer_; }
    void Skip(int n) {
        buffer_ >>= n;
        count_ -= n;
    }
    std::uint32_t Take(int n) {
        Need(n);
        const auto v = static_cast<std::uint32_t>(buffer_ & ((1ull << n) - 1));
        Skip(n);
        return v;
    }
    void AlignToByte() { Skip(static_cast<int>((8 - position() % 8) % 8)); }
    void SkipBytes(std::size_t n) {  // only when aligned
        const std::size_t next = position() + 8 * n;
        if (next > 8 * size_) Malformed("stored block runs past the end");
        buffer_ = 0;
        count_ = 0;
        byte_ = next / 8;
    }
    // Bits consumed: those loaded less those still buffered.
    std::size_t position() const { return 8 * byte_ - static_cast<std::size_t>(count_); }
    void Check() const {
        if (position() > 8 * size_) Malformed("truncated");
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t byte_ = 0;  // next byte to load
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

// A decoding table for a canonical Huffman code: the code's first kRoot bits
// index the table, longer codes go on in a subtable. An entry holds how many
// bits its symbol takes with the extra bits that follow it, what kind of
// symbol it is, and the symbol (or, leading to a subtable, where that starts).
enum Kind : std::uint32_t { kLiteral, kLength, kEndOfBlock, kSubtable, kInvalid };

constexpr std::uint32_t MakeEntry(int bits, Kind kind, std::uint32_t value = 0, int subBits = 0) {
    return static_cast<std::uint32_t>(bits) | kind << 5 | static_cast<std::uint32_t>(subBits) << 8 | value << 16;
}
constexpr int BitsOf(std::uint32_t e) { return static_cast<int>(e & 31); }
constexpr Kind KindOf(std::uint32_t e) { return static_cast<Kind>(e >> 5 & 7); }
constexpr int ValueOf(std::uint32_t e) { return static_cast<int>(e >> 16); }

struct SymbolKind {
    int extraBits;
    Kind kind;
};

template <int kRoot, std::size_t kSize>
class Table {
public:
    static constexpr int kMaxBits = 15;

    void Build(const std::uint8_t* lengths, int n, SymbolKind (*kindOf)(int)) {
        std::array<int, kMaxBits + 1> counts{};
        for (int i = 0; i < n; ++i) ++counts[lengths[i]];
        counts[0] = 0;
        std::array<int, kMaxBits + 1> next{};
        int left = 1;
        for (int len = 1, code = 0; len <= kMaxBits; ++len) {
            left = (left << 1) - counts[len];
            if (left < 0) Malformed("over-subscribed code");  // no canonical code has these lengths
            code = (code + counts[len - 1]) << 1;
            next[len] = code;
        }
        // A subtable is sized for the longest code sharing its root slot.
        std::array<std::uint8_t, 1 << kRoot> longest{};
        std::array<int, kMaxBits + 1> code = next;
        for (int s = 0; s < n; ++s)
            if (const int len = lengths[s]; len > kRoot) {
                const int slot = Reverse(code[len]++, len) & kRootMask;
                longest[slot] = static_cast<std::uint8_t>(std::max<int>(longest[slot], len));
            }
        std::fill_n(entries_.begin(), 1 << kRoot, MakeEntry(0, kInvalid));
        std::size_t used = 1 << kRoot;
        for (int s = 0; s < n; ++s) {
            const int len = lengths[s];
            if (!len) continue;
            const auto [extraBits, kind] = kindOf(s);
            const int reversed = Reverse(next[len]++, len);
            const auto symbol = static_cast<std::uint32_t>(s);
            if (len <= kRoot) {
                for (int i = reversed; i < (1 << kRoot); i += 1 << len) entries_[i] = MakeEntry(len + extraBits, kind, symbol);
                continue;
            }
            std::uint32_t& root = entries_[reversed & kRootMask];
            if (KindOf(root) != kSubtable) {
                const int subBits = longest[reversed & kRootMask] - kRoot;
                if (used + (std::size_t{1} << subBits) > kSize) Malformed("code too large");
                std::fill_n(entries_.begin() + static_cast<std::ptrdiff_t>(used), 1 << subBits, MakeEntry(0, kInvalid));
                root = MakeEntry(kRoot, kSubtable, static_cast<std::uint32_t>(used), subBits);
                used += std::size_t{1} << subBits;
            }
            const int subBits = static_cast<int>(root >> 8 & 15);
            for (int i = reversed >> kRoot; i < (1 << subBits); i += 1 << (len - kRoot))
                entries_[ValueOf(root) + i] = MakeEntry(len - kRoot + extraBits, kind, symbol);
        }
    }

    // Takes a symbol and its extra bits; needs as many bits buffered.
    std::uint32_t Decode(BitReader& in) const {
        std::uint32_t e = entries_[in.peek() & kRootMask];
        if (KindOf(e) == kSubtable) {
            in.Skip(kRoot);
            e = entries_[ValueOf(e) + static_cast<int>(in.peek() & ((1u << (e >> 8 & 15)) - 1))];
        }
        if (KindOf(e) == kInvalid) Malformed("bad code");
        in.Skip(BitsOf(e));
        return e;
    }

private:
    static constexpr std::uint64_t kRootMask = (1u << kRoot) - 1;
    static int Reverse(int code, int len) {
        int r = 0;
        for (int i = 0; i < len; ++i, code >>= 1) r = r << 1 | (code & 1);
        return r;
    }
    std::array<std::uint32_t, kSize> entries_;
};

// Room for the largest tables a complete code can need with these roots (by
// zlib's "enough": 1332 and 402); Build refuses codes that would need more.
using LiteralTable = Table<10, 1024 + 1024>;
using DistanceTable = Table<8, 256 + 256>;
using LengthCodeTable = Table<7, 128>;

constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

SymbolKind LiteralKind(int s) {
    if (s < 256) return {0, kLiteral};
    if (s == 256) return {0, kEndOfBlock};
    if (s > 285) return {0, kInvalid};
    return {kLengthExtra[s - 257], kLength};
}
SymbolKind DistanceKind(int s) { return s > 29 ? SymbolKind{0, kInvalid} : SymbolKind{kDistanceExtra[s], kLiteral}; }
SymbolKind PlainKind(int) { return {0, kLiteral}; }

void SkipCodes(BitReader& in, const LiteralTable& literals, const DistanceTable& distances) {
    for (;;) {
        in.Need(20);  // a code of 15 bits and 5 extra bits
        const Kind kind = KindOf(literals.Decode(in));
        if (kind == kLiteral) continue;
        if (kind == kEndOfBlock) return;
        in.Need(28);  // a code of 15 bits and 13 extra bits
        distances.Decode(in);
    }
}

void FixedCodes(LiteralTable& literals, DistanceTable& distances) {
    std::uint8_t lengths[288];
    for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    literals.Build(lengths, 288, LiteralKind);
    std::uint8_t d[30];
    std::fill(d, d + 30, 5);
    distances.Build(d, 30, DistanceKind);
}

// A dynamic block's header: the code lengths of its literals and lengths,
// then of its distances, into `lengths`.
struct CodeLengths {
    int literals = 0, distances = 0;
    std::uint8_t lengths[286 + 30] = {};
};

CodeLengths ReadCodeLengths(BitReader& in) {
    CodeLengths code;
    code.literals = static_cast<int>(in.Take(5)) + 257;
    code.distances = static_cast<int>(in.Take(5)) + 1;
    const int nCodeLengths = static_cast<int>(in.Take(4)) + 4;
    if (code.literals > 286 || code.distances > 30) Malformed("too many codes");
    static constexpr int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::uint8_t codeLengths[19] = {};
    for (int i = 0; i < nCodeLengths; ++i) codeLengths[order[i]] = static_cast<std::uint8_t>(in.Take(3));
    LengthCodeTable lengthCode;
    lengthCode.Build(codeLengths, 19, PlainKind);
    const int total = code.literals + code.distances;
    for (int i = 0; i < total;) {
        in.Need(7);
        const int symbol = ValueOf(lengthCode.Decode(in));
        int repeat = 1;
        std::uint8_t value = static_cast<std::uint8_t>(symbol);
        if (symbol == 16) {
            if (i == 0) Malformed("repeat with nothing before");
            value = code.lengths[i - 1], repeat = 3 + static_cast<int>(in.Take(2));
        } else if (symbol == 17) {
            value = 0, repeat = 3 + static_cast<int>(in.Take(3));
        } else if (symbol == 18) {
            value = 0, repeat = 11 + static_cast<int>(in.Take(7));
        }
        if (i + repeat > total) Malformed("code lengths overflow");
        while (repeat--) code.lengths[i++] = value;
    }
    return code;
}

void DynamicCodes(BitReader& in, LiteralTable& literals, DistanceTable& distances) {
    const CodeLengths code = ReadCodeLengths(in);
    literals.Build(code.lengths, code.literals, LiteralKind);
    distances.Build(code.lengths + code.literals, code.distances, DistanceKind);
}

// The end of a stream that is one dynamic block, found from its last byte
// alone: the block ends with its end-of-block code, and only zeros follow in
// that byte. The true end is always among the places that fit, so one that
// fits alone is it; where more fit, none is taken. For streams from an
// encoder: the block's body is not read, so no fault in it is found.
std::optional<DeflateEnd> EndOfOnlyBlock(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || (data[0] & 7) != 0b101) return std::nullopt;  // final, dynamic
    BitReader in(data, size);
    in.Take(3);
    const CodeLengths code = ReadCodeLengths(in);
    const int length = code.lengths[256];
    if (length == 0) return std::nullopt;
    // The canonical code of symbol 256: the codes of all shorter lengths
    // first, then those of its length given to lower symbols.
    int value = 0;
    for (int len = 1; len < length; ++len) {
        value += static_cast<int>(std::count(code.lengths, code.lengths + code.literals, len));
        value <<= 1;
    }
    value += static_cast<int>(std::count(code.lengths, code.lengths + 256, length));
    // Deflate sends a code's bits from its most significant.
    std::uint32_t sent = 0;
    for (int i = 0; i < length; ++i) sent |= static_cast<std::uint32_t>((value >> (length - 1 - i)) & 1) << i;
    std::uint64_t tail = 0;  // the last bytes, the last one highest
    const std::size_t bytes = std::min<std::size_t>(size, 4);
    for (std::size_t i = 0; i < bytes; ++i) tail |= static_cast<std::uint64_t>(data[size - bytes + i]) << (8 * i);
    const int bits = static_cast<int>(8 * bytes);
    std::optional<DeflateEnd> found;
    for (int end = bits - 8; end <= bits; ++end) {
        if (end < length || (end < bits && tail >> end != 0)) continue;
        if (((tail >> (end - length)) & ((1u << length) - 1)) != sent) continue;
        if (found) return std::nullopt;
        found = DeflateEnd{0, 8 * size - static_cast<std::size_t>(bits - end)};
    }
    return found;
}

}  // namespace

DeflateEnd FindDeflateEnd(const std::uint8_t* data, std::size_t size) {
    BitReader in(data, size);
    LiteralTable literals;
    DistanceTable distances;
    for (;;) {
        const std::size_t header = in.position();
        const bool final = in.Take(1);
        const std::uint32_t type = in.Take(2);
        if (type == 0) {
            in.AlignToByte();
            const std::uint32_t length = in.Take(16), complement = in.Take(16);
            if ((length ^ 0xFFFFu) != complement) Malformed("stored length");
            in.SkipBytes(length);
        } else if (type == 1 || type == 2) {
            if (type == 1) FixedCodes(literals, distances);
            else DynamicCodes(in, literals, distances);
            SkipCodes(in, literals, distances);
        } else {
            Malformed("reserved block type");
        }
        in.Check();
        if (final) return {header, in.position()};
    }
}

std::size_t MakeContinuable(std::uint8_t* stream, std::size_t size) {
    const std::optional<DeflateEnd> quick = EndOfOnlyBlock(stream, size);
    const DeflateEnd end = quick ? *quick : FindDeflateEnd(stream, size);
    stream[end.finalHeaderBit / 8] &= static_cast<std::uint8_t>(~(1u << (end.finalHeaderBit % 8)));
    const int used = static_cast<int>(end.endBit % 8);  // bits used in the last byte
    std::size_t length = (end.endBit + 7) / 8;
    if (used) stream[length - 1] &= static_cast<std::uint8_t>((1u << used) - 1);
    // An empty stored block: three header bits, padding to the byte, then
    // LEN 0 and NLEN 0xFFFF.
    if (used == 0 || 8 - used < 3) stream[length++] = 0;
    for (std::uint8_t byte : {0x00, 0x00, 0xFF, 0xFF}) stream[length++] = byte;
    return length;
}

void MakeContinuable(Bytes& out, std::size_t from) {
    const std::size_t size = out.size() - from;
    out.resize(out.size() + kContinuableGrowth);
    out.resize(from + MakeContinuable(out.data() + from, size));
}

}  // namespace dudo
