#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>

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

// The significant digits of a finite, non-zero value, exactly or (for the few extended
// values that do not fit a double) to far more places than are ever kept, and the
// exponent x of the first digit (d.ddd x 10^x).
struct DecimalDigits {
  std::string digits;
  int exponent;
};

DecimalDigits ExactDigits(long double magnitude) {
  // A double's expansion ends within 767 significant digits, so this is exact for the
  // values the catalog holds (its Dates are rounded to double).
  constexpr int ExactDoublePrecision = 770;
  constexpr int ExtendedPrecision = 80;
  char buffer[ExactDoublePrecision + 32];
  std::to_chars_result result;
  const auto asDouble = static_cast<double>(magnitude);
  if (static_cast<long double>(asDouble) == magnitude) {
    result = std::to_chars(buffer, buffer + sizeof buffer, asDouble, std::chars_format::scientific,
                           ExactDoublePrecision);
  } else {
    result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific,
                           ExtendedPrecision);
  }
  const std::string_view text(buffer, result.ptr - buffer);
  const auto e = text.find('e');
  DecimalDigits out;
  out.digits += text[0];
  if (e > 2) out.digits.append(text.substr(2, e - 2));
  out.exponent = std::stoi(std::string(text.substr(e + 1)));
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

// Text of the form [sign]digits[.digits][e[sign]digits] with at most 19 significant
// digits and a small power of ten converts with one correctly rounded operation on
// exact operands: the digits fit the 64-bit significand and 10^27 is exact in it. This
// covers every text the system writes, and gives the same result on every run-time
// library (some convert long double only to double precision).
std::optional<long double> ConvertExactly(std::string_view plain) {
  constexpr int MaxExactDigits = 19;
  constexpr int MaxExactPowerOfTen = 27;
  std::uint64_t significand = 0;
  int digits = 0;
  int exponent = 0;
  bool fraction = false;
  std::size_t pos = (plain[0] == '+' || plain[0] == '-') ? 1 : 0;
  for (; pos < plain.size() && plain[pos] != 'e'; ++pos) {
    if (plain[pos] == '.') {
      fraction = true;
      continue;
    }
    if (digits == 0 && plain[pos] == '0') {
      if (fraction) --exponent;
      continue;
    }
    if (++digits > MaxExactDigits) return std::nullopt;
    significand = significand * 10 + static_cast<std::uint64_t>(plain[pos] - '0');
    if (fraction) --exponent;
  }
  if (pos < plain.size()) {
    int written = 0;
    const char* start = plain.data() + pos + 1 + (plain[pos + 1] == '+' ? 1 : 0);
    const auto result = std::from_chars(start, plain.data() + plain.size(), written);
    if (result.ec != std::errc() || written > 9999 || written < -9999) return std::nullopt;
    exponent += written;
  }
  long double value = static_cast<long double>(significand);
  if (significand != 0) {
    if (exponent > MaxExactPowerOfTen || exponent < -MaxExactPowerOfTen) return std::nullopt;
    long double power = 1;
    for (int i = 0; i < (exponent < 0 ? -exponent : exponent); ++i) power *= 10;
    value = exponent < 0 ? value / power : value * power;
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
  // Rewritten with '.' for the conversion, which knows no locale.
  std::string plain;
  std::size_t pos = SkipBlanks(text, 0);
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) plain += text[pos++];
  int mantissaDigits = 0;
  int integerDigits = 0;  // significant digits before the separator
  for (; pos < text.size() && IsDigit(text[pos]); ++pos, ++mantissaDigits) {
    if (integerDigits > 0 || text[pos] != '0') ++integerDigits;
    plain += text[pos];
  }
  if (pos < text.size() && text[pos] == decimalSeparator) {
    plain += '.';
    for (++pos; pos < text.size() && IsDigit(text[pos]); ++pos, ++mantissaDigits) plain += text[pos];
  }
  if (mantissaDigits == 0) RaiseInvalidFloat(text);
  bool negativeExponent = false;
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    plain += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      negativeExponent = text[pos] == '-';
      plain += text[pos++];
    }
    if (pos == text.size() || !IsDigit(text[pos])) RaiseInvalidFloat(text);
    while (pos < text.size() && IsDigit(text[pos])) plain += text[pos++];
  }
  if (SkipBlanks(text, pos) != text.size()) RaiseInvalidFloat(text);

  if (const auto exact = ConvertExactly(plain)) return *exact;

  const char* first = plain.data() + (plain[0] == '+' ? 1 : 0);
  long double value = 0;
  const auto result = std::from_chars(first, plain.data() + plain.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too small for the format reads as zero; too large is an overflow.
    if (negativeExponent || integerDigits == 0) return plain[0] == '-' ? -0.0L : 0.0L;
    RaiseInvalidFloat(text);
  }
  if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) RaiseInvalidFloat(text);
  return value;
}

}  // namespace lzsfx
