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

// Rewrites a complete raw deflate stream so that another may follow it.
void MakeContinuable(Bytes& stream);

}  // namespace dudo
