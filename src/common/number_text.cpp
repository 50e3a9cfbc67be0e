#include "common/number_text.h"

#include <charconv>
#include <vector>
#include <cmath>
#include <limits>

#include "common/failure.h"
#include "common/runtime_text.h"

namespace lzsfx {

// The float texts round and convert in the x87 extended format.
static_assert(std::numeric_limits<long double>::digits == 64, "long double must be the 80-bit x87 format");

namespace {

char decimalSeparator = '.';

constexpr int GeneralDigits = 15;         // significant digits of FormatGeneral
constexpr int FixedExponentMin = -3;      // 0.1E-3 and above are written in fixed notation
constexpr int FixedExponentMax = 15;      // up to 15 integer digits
constexpr std::int64_t LargestDecimal = 2147483647;
constexpr int MaxHexDigits = 8;

[[noreturn]] void RaiseInvalidInteger(std::string_view text) {
  Raise<EConvertError>(FormatRuntimeText(RuntimeTextId::InvalidInteger, text));
}

[[noreturn]] void RaiseInvalidFloat(std::string_view text) {
  Raise<EConvertError>(FormatRuntimeText(RuntimeTextId::InvalidFloat, text));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
  return pos;
}

// The exact decimal digits of a finite, non-zero magnitude, and the exponent x of its
// first digit (d.ddd x 10^x). The value is m x 2^e with a 64-bit m; it is written as the
// integer m x 2^e, or m x 5^-e shifted by -e decimal places, in base-10^9 limbs. Exact
// for every value, and small: the stub carries no general float formatter.
struct DecimalDigits {
  std::string digits;
  int exponent;
};

class BigDecimal {
 public:
  explicit BigDecimal(std::uint64_t value) {
    do {
      limbs_.push_back(static_cast<std::uint32_t>(value % LimbBase));
      value /= LimbBase;
    } while (value != 0);
  }

  void Multiply(std::uint32_t factor) {  // factor < 2^30, so no limb product overflows
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product % LimbBase);
      carry = product / LimbBase;
    }
    for (; carry != 0; carry /= LimbBase) limbs_.push_back(static_cast<std::uint32_t>(carry % LimbBase));
  }

  std::string Digits() const {
    std::string text = std::to_string(limbs_.back());
    for (auto limb = limbs_.rbegin() + 1; limb != limbs_.rend(); ++limb) {
      const std::string part = std::to_string(*limb);
      text.append(LimbDigits - part.size(), '0');
      text += part;
    }
    return text;
  }

 private:
  static constexpr std::uint32_t LimbBase = 1000000000;
  static constexpr std::size_t LimbDigits = 9;
  std::vector<std::uint32_t> limbs_;  // least significant first
};

DecimalDigits ExactDigits(long double magnitude) {
  constexpr int SignificandBits = 64;
  constexpr int PowerStep = 12;                       // 2^12 and 5^12 stay below 2^30
  constexpr std::uint32_t PowerOfFiveStep = 244140625;  // 5^12
  int binaryExponent = 0;
  auto significand = static_cast<std::uint64_t>(std::ldexp(std::frexp(magnitude, &binaryExponent), SignificandBits));
  binaryExponent -= SignificandBits;
  while ((significand & 1) == 0) {
    significand >>= 1;
    ++binaryExponent;
  }
  BigDecimal number(significand);
  int decimalShift = 0;
  for (int left = binaryExponent; left > 0; left -= PowerStep) {
    number.Multiply(std::uint32_t{1} << (left < PowerStep ? left : PowerStep));
  }
  for (int left = -binaryExponent; left > 0; left -= PowerStep) {
    const int step = left < PowerStep ? left : PowerStep;
    std::uint32_t factor = PowerOfFiveStep;
    if (step < PowerStep) {
      factor = 1;
      for (int i = 0; i < step; ++i) factor *= 5;
    }
    number.Multiply(factor);
    decimalShift -= step;
  }
  DecimalDigits out{number.Digits(), 0};
  out.exponent = static_cast<int>(out.digits.size()) - 1 + decimalShift;
  return out;
}

// Rounds to `count` significant digits, halves away from zero, and drops trailing zeros.
void RoundDigits(DecimalDigits& value, int count) {
  std::string& d = value.digits;
  if (static_cast<int>(d.size()) > count) {
    const bool up = d[count] >= '5';
    d.resize(count);
    if (up) {
      int i = count - 1;
      while (i >= 0 && d[i] == '9') d[i--] = '0';
      if (i >= 0) {
        ++d[i];
      } else {
        d.insert(d.begin(), '1');
        d.pop_back();
        ++value.exponent;
      }
    }
  }
  while (d.size() > 1 && d.back() == '0') d.pop_back();
}

// Converts checked text of the form [sign]digits[.digits][e[sign]digits]. Up to 19
// significant digits with a power of ten within 10^27 take one correctly rounded
// operation on exact operands (the digits fit the 64-bit significand and 10^27 is exact
// in it); that covers every text the system writes. Longer texts keep 19 digits and
// scale by a power of ten built by squaring: within a few units in the last place.
// Gives infinity for a magnitude beyond the format.
long double ConvertDecimal(std::string_view plain) {
  constexpr int MaxSignificantDigits = 19;
  constexpr int MaxExactPowerOfTen = 27;
  constexpr int MaxUsefulExponent = 6000;  // far beyond the format's range either way
  std::uint64_t significand = 0;
  int digits = 0;
  long exponent = 0;
  bool fraction = false;
  std::size_t pos = (plain[0] == '+' || plain[0] == '-') ? 1 : 0;
  for (; pos < plain.size() && plain[pos] != 'e'; ++pos) {
    const char c = plain[pos];
    if (c == '.') {
      fraction = true;
    } else if (digits == 0 && c == '0') {
      if (fraction) --exponent;
    } else if (digits < MaxSignificantDigits) {
      significand = significand * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits;
      if (fraction) --exponent;
    } else if (!fraction) {
      ++exponent;  // a dropped integer digit still counts
    }
  }
  if (pos < plain.size()) {
    long written = 0;
    const bool negative = plain[pos + 1] == '-';
    for (pos += (plain[pos + 1] == '+' || negative) ? 2 : 1; pos < plain.size(); ++pos) {
      if (written < MaxUsefulExponent * 10) written = written * 10 + (plain[pos] - '0');
    }
    exponent += negative ? -written : written;
  }
  long double value = static_cast<long double>(significand);
  if (significand != 0 && exponent != 0) {
    if (exponent > MaxUsefulExponent) {
      value = std::numeric_limits<long double>::infinity();
    } else if (exponent < -MaxUsefulExponent) {
      value = 0;
    } else {
      const long magnitude = exponent < 0 ? -exponent : exponent;
      long double power = 1;
      if (magnitude <= MaxExactPowerOfTen) {
        for (long i = 0; i < magnitude; ++i) power *= 10;
      } else {
        long double square = 10;
        for (long bits = magnitude; bits != 0; bits >>= 1, square *= square) {
          if (bits & 1) power *= square;
        }
      }
      value = exponent < 0 ? value / power : value * power;
    }
  }
  return plain[0] == '-' ? -value : value;
}

}  // namespace

char DecimalSeparator() { return decimalSeparator; }

void SetDecimalSeparator(char separator) { decimalSeparator = separator; }

std::string FormatDecimal(std::int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::int32_t ParseDecimal(std::string_view text) {
  std::size_t pos = SkipBlanks(text, 0);
  if (pos < text.size() && text[pos] == '$') {
    ++pos;
    const std::size_t first = pos;
    std::uint32_t value = 0;
    for (; pos < text.size(); ++pos) {
      const int digit = HexDigitValue(text[pos]);
      if (digit < 0 || pos - first == MaxHexDigits) RaiseInvalidInteger(text);
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    if (pos == first) RaiseInvalidInteger(text);
    return static_cast<std::int32_t>(value);
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  if (pos == text.size()) RaiseInvalidInteger(text);
  std::int64_t value = 0;
  for (; pos < text.size(); ++pos) {
    if (!IsDigit(text[pos])) RaiseInvalidInteger(text);
    value = value * 10 + (text[pos] - '0');
    if (value > LargestDecimal) RaiseInvalidInteger(text);  // also stops any overflow of value
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string FormatGeneral(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  DecimalDigits decimal = ExactDigits(std::fabs(value));
  RoundDigits(decimal, GeneralDigits);
  const std::string& digits = decimal.digits;
  const int exponent = decimal.exponent + 1;  // value = 0.d1d2... x 10^exponent

  std::string text = value < 0 ? "-" : "";
  if (exponent < FixedExponentMin || exponent > FixedExponentMax) {
    text += digits[0];
    if (digits.size() > 1) {
      text += decimalSeparator;
      text.append(digits, 1);
    }
    text += 'E';
    text += std::to_string(exponent - 1);
  } else if (exponent <= 0) {
    text += '0';
    text += decimalSeparator;
    text.append(static_cast<std::size_t>(-exponent), '0');
    text += digits;
  } else if (exponent >= static_cast<int>(digits.size())) {
    text += digits;
    text.append(static_cast<std::size_t>(exponent) - digits.size(), '0');
  } else {
    text.append(digits, 0, static_cast<std::size_t>(exponent));
    text += decimalSeparator;
    text.append(digits, static_cast<std::size_t>(exponent));
  }
  return text;
}

long double ParseFloatText(std::string_view text) {
  // Checked against the grammar and rewritten with '.' for ConvertDecimal.
  std::string plain;
  std::size_t pos = SkipBlanks(text, 0);
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) plain += text[pos++];
  int mantissaDigits = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos, ++mantissaDigits) plain += text[pos];
  if (pos < text.size() && text[pos] == decimalSeparator) {
    plain += '.';
    for (++pos; pos < text.size() && IsDigit(text[pos]); ++pos, ++mantissaDigits) plain += text[pos];
  }
  if (mantissaDigits == 0) RaiseInvalidFloat(text);
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    plain += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) plain += text[pos++];
    if (pos == text.size() || !IsDigit(text[pos])) RaiseInvalidFloat(text);
    while (pos < text.size() && IsDigit(text[pos])) plain += text[pos++];
  }
  if (SkipBlanks(text, pos) != text.size()) RaiseInvalidFloat(text);

  const long double value = ConvertDecimal(plain);
  if (std::isinf(value)) RaiseInvalidFloat(text);  // overflow
  return value;
}

}  // namespace lzsfx
