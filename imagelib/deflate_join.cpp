#include "imagelib/deflate_join.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "common/error.h"

namespace dudo {

namespace {

[[noreturn]] void Malformed(const char* what) {
    throw Error(std::string("PNG：壓縮資料無效 (malformed deflate stream: ") + what + ")");
}

// Least significant bit first, as deflate packs them. Reading past the end
// yields zeros and is caught by Check(). After Refill() at least 56 bits can
// be peeked without another.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    void Refill() {
        if (byte_ + 8 <= size_) {  // the common case: one unaligned load
            std::uint64_t word;
            std::memcpy(&word, data_ + byte_, 8);
            buffer_ |= word << count_;
            byte_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        while (count_ <= 56) {
            const std::uint64_t byte = byte_ < size_ ? data_[byte_] : 0;
            buffer_ |= byte << count_;
            ++byte_;
            count_ += 8;
        }
    }
    std::uint32_t Bits(int n) const { return static_cast<std::uint32_t>(buffer_ & ((1ull << n) - 1)); }
    void Skip(int n) {
        buffer_ >>= n;
        count_ -= n;
    }
    int available() const { return count_; }
    std::uint32_t Take(int n) {
        Refill();
        const std::uint32_t v = Bits(n);
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

// A canonical Huffman code: codes up to kFast bits through a table, longer
// ones counted out one bit at a time.
class Huffman {
public:
    static constexpr int kMaxBits = 15, kFast = 12;

    void Build(const std::uint8_t* lengths, int n) {
        counts_.fill(0);
        for (int i = 0; i < n; ++i) ++counts_[lengths[i]];
        counts_[0] = 0;
        std::array<int, kMaxBits + 2> offsets{};
        for (int len = 1; len <= kMaxBits; ++len) offsets[len + 1] = offsets[len] + counts_[len];
        for (int i = 0; i < n; ++i)
            if (lengths[i]) symbols_[offsets[lengths[i]]++] = static_cast<std::uint16_t>(i);
        fast_.fill(0);
        int code = 0, index = 0;
        for (int len = 1; len <= kFast; ++len, code <<= 1)
            for (int k = 0; k < counts_[len]; ++k, ++code, ++index) {
                const int reversed = Reverse(code, len);
                for (int fill = reversed; fill < (1 << kFast); fill += 1 << len)
                    fast_[fill] = static_cast<std::uint16_t>(symbols_[index] << 4 | len);
            }
    }

    // Needs 15 bits refilled.
    int Decode(BitReader& in) const {
        const std::uint16_t entry = fast_[in.Bits(kFast)];
        if (entry) {
            in.Skip(entry & 15);
            return entry >> 4;
        }
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxBits; ++len) {
            code |= static_cast<int>(in.Bits(1));
            in.Skip(1);
            const int count = counts_[len];
            if (code - count < first) return symbols_[index + (code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        Malformed("bad code");
    }

private:
    static int Reverse(int code, int len) {
        int r = 0;
        for (int i = 0; i < len; ++i, code >>= 1) r = r << 1 | (code & 1);
        return r;
    }
    std::array<int, kMaxBits + 1> counts_{};
    std::array<std::uint16_t, 320> symbols_{};
    std::array<std::uint16_t, 1 << kFast> fast_{};
};

constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void SkipCodes(BitReader& in, const Huffman& literals, const Huffman& distances) {
    for (;;) {
        in.Check();  // zeros past the end would otherwise decode for ever
        in.Refill();  // enough for a literal or a whole match: 15 + 5 + 15 + 13 bits
        int symbol = literals.Decode(in);
        while (symbol < 256 && in.available() >= 48) symbol = literals.Decode(in);  // runs of literals
        if (symbol < 256) continue;
        if (symbol == 256) return;
        if (symbol > 285) Malformed("bad length");
        in.Skip(kLengthExtra[symbol - 257]);
        const int distance = distances.Decode(in);
        if (distance > 29) Malformed("bad distance");
        in.Skip(kDistanceExtra[distance]);
    }
}

void FixedCodes(Huffman& literals, Huffman& distances) {
    std::uint8_t lengths[288];
    for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    literals.Build(lengths, 288);
    std::uint8_t d[30];
    std::fill(d, d + 30, 5);
    distances.Build(d, 30);
}

void DynamicCodes(BitReader& in, Huffman& literals, Huffman& distances) {
    const int nLiterals = static_cast<int>(in.Take(5)) + 257;
    const int nDistances = static_cast<int>(in.Take(5)) + 1;
    const int nCodeLengths = static_cast<int>(in.Take(4)) + 4;
    if (nLiterals > 286 || nDistances > 30) Malformed("too many codes");
    static constexpr int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::uint8_t codeLengths[19] = {};
    for (int i = 0; i < nCodeLengths; ++i) codeLengths[order[i]] = static_cast<std::uint8_t>(in.Take(3));
    Huffman lengthCode;
    lengthCode.Build(codeLengths, 19);
    std::uint8_t lengths[286 + 30] = {};
    for (int i = 0; i < nLiterals + nDistances;) {
        in.Refill();
        const int symbol = lengthCode.Decode(in);
        int repeat = 1;
        std::uint8_t value = static_cast<std::uint8_t>(symbol);
        if (symbol == 16) {
            if (i == 0) Malformed("repeat with nothing before");
            value = lengths[i - 1], repeat = 3 + static_cast<int>(in.Take(2));
        } else if (symbol == 17) {
            value = 0, repeat = 3 + static_cast<int>(in.Take(3));
        } else if (symbol == 18) {
            value = 0, repeat = 11 + static_cast<int>(in.Take(7));
        }
        if (i + repeat > nLiterals + nDistances) Malformed("code lengths overflow");
        while (repeat--) lengths[i++] = value;
        in.Check();
    }
    literals.Build(lengths, nLiterals);
    distances.Build(lengths + nLiterals, nDistances);
}

}  // namespace

DeflateEnd FindDeflateEnd(const std::uint8_t* data, std::size_t size) {
    BitReader in(data, size);
    Huffman literals, distances;
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

void MakeContinuable(Bytes& stream) {
    const DeflateEnd end = FindDeflateEnd(stream.data(), stream.size());
    stream[end.finalHeaderBit / 8] &= static_cast<std::uint8_t>(~(1u << (end.finalHeaderBit % 8)));
    const int used = static_cast<int>(end.endBit % 8);  // bits used in the last byte
    stream.resize((end.endBit + 7) / 8);
    if (used) stream.back() &= static_cast<std::uint8_t>((1u << used) - 1);
    // An empty stored block: three header bits, padding to the byte, then
    // LEN 0 and NLEN 0xFFFF.
    if (used == 0 || 8 - used < 3) stream.push_back(0);
    stream.insert(stream.end(), {0x00, 0x00, 0xFF, 0xFF});
}

}  // namespace dudo
