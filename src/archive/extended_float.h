// The 80-bit extended float of the x87 unit, as the catalog stores Dates: bytes 0-7 the
// 64-bit significand with an explicit integer bit, bytes 8-9 the sign (top bit) and the
// 15-bit exponent biased by 16383, all little-endian.
//
// Both directions work from the value with frexp/ldexp-style arithmetic, never by copying
// the bytes of a long double, so they give the same results on every compiler, also where
// long double has only 64 bits (the significand is then rounded once, to nearest, when
// decoded).
#pragma once

#include <array>
#include <cstdint>

#include "archive/catalog_format.h"

namespace lzsfx {

using ExtendedBytes = std::array<std::uint8_t, ExtendedSize>;

// The ten bytes of value. A value that long double holds exactly is encoded exactly;
// infinities and NaNs get the x87 encodings (NaN as the quiet NaN with the sign bit clear).
ExtendedBytes EncodeExtended(long double value);

// The value of ten stored bytes. An exponent of 0x7FFF gives infinity (significand
// fraction 0) or NaN; every other exponent gives significand * 2^(exponent - 16383 - 63),
// whether or not the integer bit is set.
long double DecodeExtended(const ExtendedBytes& bytes);

}  // namespace lzsfx
