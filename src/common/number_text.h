// Number texts of the core: integers and floating-point values to and from text, with
// no grouping characters. The float texts use the decimal separator of the system's
// default locale, which the platform reads once at start-up (SetDecimalSeparator).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lzsfx {

// Decimal digits without leading zeros, '-' before negative values.
std::string FormatDecimal(std::int32_t value);

// Optional leading blanks, then an optional '+' or '-' and decimal digits
// (-2147483647..2147483647), or '$' and one to eight hexadecimal digits; nothing may
// follow. Anything else raises EConvertError ("'%s' nie je platná integer hodnota").
std::int32_t ParseDecimal(std::string_view text);

// 15 significant digits, halves rounded away from zero, trailing zeros dropped; fixed
// notation for 0.d1d2... x 10^e with -3 <= e <= 15, else d[.ddd]E[-]n.
std::string FormatGeneral(long double value);

// Optional blanks, optional sign, digits with an optional separator and fraction, an
// optional exponent, optional trailing blanks. Anything else, and an overflow, raises
// EConvertError ("'%s' nie je platná floating point hodnota").
long double ParseFloatText(std::string_view text);

// The decimal separator used by FormatGeneral and ParseFloatText; '.' until set.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

}  // namespace lzsfx
