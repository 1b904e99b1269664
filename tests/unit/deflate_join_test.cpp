#include <gtest/gtest.h>
#include <libdeflate.h>

#include <random>

#include "common/error.h"
#include "imagelib/deflate_join.h"
#include "imagelib/literal_deflate.h"

using namespace dudo;

namespace {

Bytes Deflate(const Bytes& data, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Bytes out(libdeflate_deflate_compress_bound(c, data.size()));
    out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

// The whole stream must decode, and only as far as its final block: the
// decoder's own reading of block ends, not our walker's.
Bytes Inflate(const Bytes& stream, std::size_t expected) {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    Bytes out(expected);
    std::size_t in = 0, size = 0;
    EXPECT_EQ(libdeflate_deflate_decompress_ex(d, stream.data(), stream.size(), out.data(), out.size(), &in, &size), LIBDEFLATE_SUCCESS);
    libdeflate_free_decompressor(d);
    EXPECT_EQ(in, stream.size());
    out.resize(size);
    return out;
}

// Pieces that make a compressor choose each kind of block: stored (noise),
// fixed (a few bytes), dynamic (text-like), and runs of one byte, some
// longer than a match.
Bytes Piece(int kind, std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes data(size);
    for (std::size_t i = 0, run = 0; i < size; ++i, run = run ? run - 1 : random() % 600)
        data[i] = kind == 0   ? static_cast<std::uint8_t>(random())
                  : kind == 1 ? static_cast<std::uint8_t>("screen  capture "[(i * 7 + random() % 3) % 16])
                              : static_cast<std::uint8_t>(run ? data[i - (i > 0)] : random() % 7);
    return data;
}

// A stream of libdeflate at a level, or of LiteralDeflate at level 0; left
// open for another unless it is the last.
Bytes Compress(const Bytes& data, int level, bool last) {
    if (level > 0) {
        Bytes stream = Deflate(data, level);
        if (!last) MakeContinuable(stream);
        return stream;
    }
    Bytes stream(LiteralDeflateBound(data.size()));
    stream.resize(LiteralDeflate(data.data(), data.size(), last, stream.data()));
    return stream;
}

}  // namespace

TEST(DeflateJoin, JoinedStreamsInflateToTheJoinedData) {
    for (int level : {0, 1, 2, 6, 12})
        for (std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{70000}, std::size_t{300000}})
            for (int kinds = 0; kinds < 9; ++kinds) {
                const Bytes a = Piece(kinds % 3, size, 1), b = Piece(kinds / 3, size + 3, 2), c = Piece(kinds % 3, 11, 3);
                Bytes joined;
                for (const Bytes* part : {&a, &b, &c}) {
                    const Bytes stream = Compress(*part, level, part == &c);
                    joined.insert(joined.end(), stream.begin(), stream.end());
                }
                Bytes expected = a;
                expected.insert(expected.end(), b.begin(), b.end());
                expected.insert(expected.end(), c.begin(), c.end());
                ASSERT_EQ(Inflate(joined, expected.size()), expected) << "level " << level << " size " << size;
            }
}
