// Whole-number conversion and 32-bit arithmetic with overflow detection.
#pragma once
#include <cstdint>
#include <string>

namespace dudo {

// Nearest 32-bit integer, ties to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Throws OverflowError outside the 32-bit signed range or for NaN.
std::int32_t ToInt32(double value, const char* what = "whole number");

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b, const char* what = "sum");
std::int32_t CheckedSub(std::int32_t a, std::int32_t b, const char* what = "difference");

// A double that has to be finite (a product of sizes, a scale).
double CheckedFinite(double value, const char* what);

}  // namespace dudo
