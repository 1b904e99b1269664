// Joining raw deflate streams that were compressed independently (and so in
// parallel) into one stream. libdeflate always marks the last block of its
// output final; a stream that is to be followed by another is rewritten so
// that its last block is not final and it ends byte-aligned with an empty
// stored block, as a zlib "sync flush" would leave it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imagelib/codecs.h"

namespace dudo {

struct DeflateEnd {
    std::size_t finalHeaderBit;  // position of the final block's BFINAL bit
    std::size_t endBit;          // first bit after its end-of-block code
};

// Walks the blocks of a raw deflate stream without producing its data.
// Throws Error when the stream is malformed or truncated.
DeflateEnd FindDeflateEnd(const std::uint8_t* data, std::size_t size);

// Rewrites the complete raw deflate stream of `size` bytes at `stream` so
// that another may follow it, and gives its new size: at most
// kContinuableGrowth bytes more, which must be room after it. A stream that
// is one block is done from its last byte where that tells its end; any
// other is walked.
constexpr std::size_t kContinuableGrowth = 5;
std::size_t MakeContinuable(std::uint8_t* stream, std::size_t size);

// The same on the stream that fills `out` from `from` on.
void MakeContinuable(Bytes& out, std::size_t from = 0);

}  // namespace dudo
