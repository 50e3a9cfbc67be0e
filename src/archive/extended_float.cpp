#include "archive/extended_float.h"

#include <cmath>
#include <limits>

namespace lzsfx {
namespace {

constexpr int ExponentBias = 16383;
constexpr int MaxBiasedExponent = 0x7FFF;  // infinities and NaNs
constexpr int SignificandBits = 64;
constexpr std::uint16_t SignBit = 0x8000;
constexpr std::uint64_t IntegerBit = std::uint64_t{1} << 63;
constexpr std::uint64_t QuietNaNSignificand = IntegerBit | (std::uint64_t{1} << 62);

// The value of the significand read as an integer with its point after bit 63 is
// significand * 2^(exponent - ExponentBias - 63); denormals (exponent 0) use 1 - bias.
constexpr int ScaleOffset = ExponentBias + SignificandBits - 1;

ExtendedBytes Pack(std::uint64_t significand, std::uint16_t signAndExponent) {
  ExtendedBytes bytes{};
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(significand >> (8 * i));
  bytes[8] = static_cast<std::uint8_t>(signAndExponent);
  bytes[9] = static_cast<std::uint8_t>(signAndExponent >> 8);
  return bytes;
}

// The integer value of a long double in [0, 2^64); exact for integral inputs. Split in two
// halves so that no conversion relies on long double holding 64 bits.
std::uint64_t ToUnsigned64(long double integral) {
  const long double high = std::floor(std::ldexp(integral, -32));
  const long double low = integral - std::ldexp(high, 32);
  return (static_cast<std::uint64_t>(high) << 32) | static_cast<std::uint64_t>(low);
}

}  // namespace

ExtendedBytes EncodeExtended(long double value) {
  const std::uint16_t sign = std::signbit(value) ? SignBit : 0;
  if (std::isnan(value)) return Pack(QuietNaNSignificand, MaxBiasedExponent);
  if (std::isinf(value)) return Pack(IntegerBit, sign | MaxBiasedExponent);
  if (value == 0) return Pack(0, sign);

  int exponent = 0;  // |value| = fraction * 2^exponent, fraction in [0.5, 1)
  const long double fraction = std::frexp(std::fabs(value), &exponent);
  const int biased = exponent - 1 + ExponentBias;
  if (biased <= 0) {
    // Too small for a normal number: a denormal with exponent field 0. Only a long double
    // of 80 bits reaches this, and it holds such a value exactly.
    return Pack(ToUnsigned64(std::ldexp(std::fabs(value), ScaleOffset - 1)), sign);
  }
  if (biased >= MaxBiasedExponent) return Pack(IntegerBit, sign | MaxBiasedExponent);
  return Pack(ToUnsigned64(std::ldexp(fraction, SignificandBits)), sign | static_cast<std::uint16_t>(biased));
}

long double DecodeExtended(const ExtendedBytes& bytes) {
  std::uint64_t significand = 0;
  for (int i = 7; i >= 0; --i) significand = (significand << 8) | bytes[i];
  const std::uint16_t signAndExponent = static_cast<std::uint16_t>(bytes[8] | (bytes[9] << 8));
  const bool negative = (signAndExponent & SignBit) != 0;
  const int exponent = signAndExponent & MaxBiasedExponent;

  long double magnitude = 0;
  if (exponent == MaxBiasedExponent) {
    magnitude = (significand & ~IntegerBit) == 0 ? std::numeric_limits<long double>::infinity()
                                                 : std::numeric_limits<long double>::quiet_NaN();
  } else {
    // Two halves, each exact in any long double; their sum is rounded once.
    const int scale = (exponent == 0 ? 1 : exponent) - ScaleOffset;
    const long double high = std::ldexp(static_cast<long double>(significand >> 32), 32);
    const long double low = static_cast<long double>(significand & 0xFFFFFFFFu);
    magnitude = std::ldexp(high + low, scale);
  }
  return negative ? -magnitude : magnitude;
}

}  // namespace lzsfx
