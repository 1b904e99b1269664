// One checked size computation for every pixel buffer, so that no dimension
// (a typed scale, a huge range) can overflow an allocation or exhaust memory.
#pragma once
#include <cstddef>

namespace dudo {

// 16384 x 16384: beyond any screen a capture can come from, and 1 GiB of
// 32-bit pixels.
constexpr long long kPixelBudget = 16384LL * 16384LL;

// Width x height as a pixel count, after checking both are positive and the
// product within the budget; throws dudo::Error otherwise.
std::size_t CheckedPixelCount(long long width, long long height, const char* what);

}  // namespace dudo
