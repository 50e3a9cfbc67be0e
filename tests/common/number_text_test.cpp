#include <gtest/gtest.h>

#include <cmath>

#include "common/failure.h"
#include "common/number_text.h"
#include "common/runtime_text.h"

namespace lzsfx {
namespace {

// The decimal separator is process-wide; each test that changes it puts it back.
class SeparatorGuard {
 public:
  explicit SeparatorGuard(char separator) : saved_(DecimalSeparator()) { SetDecimalSeparator(separator); }
  ~SeparatorGuard() { SetDecimalSeparator(saved_); }

 private:
  char saved_;
};

std::string ConvertErrorMessage(void (*convert)(std::string_view), std::string_view text) {
  try {
    convert(text);
  } catch (const EConvertError& failure) {
    EXPECT_STREQ(failure.ClassName(), "EConvertError");
    EXPECT_NE(failure.Address(), nullptr);
    return failure.Message();
  }
  return "(no failure)";
}

TEST(FormatDecimal, WritesDigitsAndSign) {
  EXPECT_EQ(FormatDecimal(0), "0");
  EXPECT_EQ(FormatDecimal(12342), "12342");
  EXPECT_EQ(FormatDecimal(-1), "-1");
  EXPECT_EQ(FormatDecimal(2147483647), "2147483647");
  EXPECT_EQ(FormatDecimal(-2147483647 - 1), "-2147483648");
}

TEST(ParseDecimal, AcceptsBlanksSignsDigitsAndHexadecimal) {
  const struct {
    const char* text;
    std::int32_t value;
  } rows[] = {
      {"000046592", 46592}, {"  42", 42},          {"+7", 7},
      {"-7", -7},           {"2147483647", 2147483647}, {"-2147483647", -2147483647},
      {"$10", 16},          {"$7fffFFFF", 2147483647},  {"$FFFFFFFF", -1},
      {"  $0", 0},          {"0000000000000000001", 1},
  };
  for (const auto& row : rows) EXPECT_EQ(ParseDecimal(row.text), row.value) << row.text;
}

TEST(ParseDecimal, RejectsEverythingElseWithTheTextInTheMessage) {
  const char* const rows[] = {"",    " ",     "46592 ", "-",         "+",          "$",
                              "1.5", "12a",   "0x10",   "2147483648", "-2147483648", "$123456789",
                              "-$1", "\t1",   "1 2",    "99999999999999999999"};
  for (const char* text : rows) {
    const std::string expected = FormatRuntimeText(RuntimeTextId::InvalidInteger, text);
    EXPECT_EQ(ConvertErrorMessage([](std::string_view t) { ParseDecimal(t); }, text), expected) << text;
  }
  // The message itself, in the resources' code page as the default ANSI code page shows it.
  EXPECT_EQ(FormatRuntimeText(RuntimeTextId::InvalidInteger, "x"), "'x' nie je platn\xE1 integer hodnota");
}

TEST(FormatGeneral, WritesFifteenSignificantDigits) {
  const struct {
    long double value;
    const char* text;
  } rows[] = {
      {36201.514537037037037L, "36201.514537037"},
      {static_cast<long double>(36201.51608796296), "36201.516087963"},
      {36201, "36201"},
      {0, "0"},
      {-2.5L, "-2.5"},
      {0.5L, "0.5"},
      {0.0001L, "0.0001"},
      {0.00001L, "1E-5"},
      {123456789012345.0L, "123456789012345"},
      {1234567890123456.0L, "1.23456789012346E15"},
      {1e15L, "1E15"},
      {999999999999999.5L, "1E15"},        // rounds up into the next decade
      {100000000000000.5L, "100000000000001"},  // a half is rounded away from zero
      {-100000000000000.5L, "-100000000000001"},
      {1.5e300L, "1.5E300"},
      {2.5e-300L, "2.5E-300"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatGeneral(row.value), row.text);
}

TEST(FormatGeneral, UsesTheDecimalSeparator) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatGeneral(36201.514537037037037L), "36201,514537037");
  EXPECT_EQ(FormatGeneral(1.25e-7L), "1,25E-7");
}

TEST(ParseFloatText, ReadsWhatFormatGeneralWrites) {
  for (const char separator : {'.', ','}) {
    SeparatorGuard guard(separator);
    for (const long double value : {36201.514537037037037L, 36201.0L, -0.25L, 1.5e300L, 2.5e-300L}) {
      const std::string text = FormatGeneral(value);
      EXPECT_EQ(FormatGeneral(ParseFloatText(text)), text);
    }
  }
}

TEST(ParseFloatText, AcceptsItsGrammar) {
  const struct {
    const char* text;
    long double value;
  } rows[] = {
      {"36201", 36201},  {"  -2.5  ", -2.5L}, {"+1e3", 1000}, {"1E-2", 0.01L},
      {".5", 0.5L},      {"5.", 5},           {"1e-99999", 0},
  };
  for (const auto& row : rows) EXPECT_EQ(ParseFloatText(row.text), row.value) << row.text;
}

TEST(ParseFloatText, LongTextsAndLargePowersComeClose) {
  const struct {
    const char* text;
    long double value;
  } rows[] = {
      {"36201.5145370370370370370370", 36201.514537037037037037037L},
      {"123456789012345678901234567890", 1.2345678901234567890123456789e29L},
      {"0.000000000000000000000000000000000000001234", 1.234e-39L},
      {"2.5e-300", 2.5e-300L},
      {"1.18e4932", 1.18e4932L},
  };
  for (const auto& row : rows) {
    const long double parsed = ParseFloatText(row.text);
    EXPECT_NEAR(static_cast<double>(parsed / row.value), 1.0, 1e-17) << row.text;
  }
}

TEST(ParseFloatText, RejectsOtherTextAndOverflow) {
  const char* const rows[] = {"",    "  ",  ".",      "e5",     "1e",          "1e+",
                              "1,5", "1.5x", "- 1",   "NAN",    "INF",         "1e99999",
                              "1e4933", "0.0001e5000", "1e99999999999999999999"};
  for (const char* text : rows) {
    const std::string expected = FormatRuntimeText(RuntimeTextId::InvalidFloat, text);
    EXPECT_EQ(ConvertErrorMessage([](std::string_view t) { ParseFloatText(t); }, text), expected) << text;
  }
}

TEST(Failures, OutOfMemoryCarriesItsRuntimeText) {
  try {
    RaiseOutOfMemory();
  } catch (const EOutOfMemory& failure) {
    EXPECT_STREQ(failure.ClassName(), "EOutOfMemory");
    EXPECT_EQ(failure.Message(), RuntimeText(RuntimeTextId::OutOfMemory));
    return;
  }
  FAIL() << "no failure";
}

}  // namespace
}  // namespace lzsfx
