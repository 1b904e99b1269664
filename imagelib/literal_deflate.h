// Deflate that codes every byte as a literal, in blocks of Huffman codes of
// their own: no match is looked for. A photograph's or noise's filtered rows
// have few matches worth their cost, and this is several times faster than
// the fastest matching compressor on them. It knows where its blocks end,
// so a stream that another is to follow is left open at once, with no walk.
#pragma once
#include <cstddef>
#include <cstdint>

namespace dudo {

// The most bytes that LiteralDeflate can make of n bytes.
std::size_t LiteralDeflateBound(std::size_t n);

// Writes n bytes as a raw deflate stream to `out`, which has room for
// LiteralDeflateBound(n), and gives its size. The stream's last block is
// final where `last`; else it ends byte-aligned after an empty stored block,
// as a zlib sync flush leaves it, so that another stream may follow.
std::size_t LiteralDeflate(const std::uint8_t* in, std::size_t n, bool last, std::uint8_t* out);

}  // namespace dudo
