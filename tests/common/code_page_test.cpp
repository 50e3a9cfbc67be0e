#include <gtest/gtest.h>

#include "common/code_page.h"
#include "common/runtime_text.h"

namespace lzsfx {
namespace {

class CodePageGuard {
 public:
  explicit CodePageGuard(int codePage) : saved_(AnsiCodePage()) { SetAnsiCodePage(codePage); }
  ~CodePageGuard() { SetAnsiCodePage(saved_); }

 private:
  int saved_;
};

TEST(CodePage, ConvertsBothWays) {
  EXPECT_EQ(CodePageToUtf8("Mimo pam\xEC\x9D", 1250), "Mimo paměť");
  EXPECT_EQ(CodePageToUtf8("caf\xE9 \x80", 1252), "café €");
  EXPECT_EQ(Utf8ToCodePage("café €", 1252), "caf\xE9 \x80");
  EXPECT_EQ(Utf8ToCodePage("paměť", 1250), "pam\xEC\x9D");
  EXPECT_EQ(Utf8ToCodePage("Привет", 1251), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(Utf8ToCodePage("plain", Utf8CodePage), "plain");
}

TEST(CodePage, RefusesWhatTheCodePageCannotHold) {
  EXPECT_FALSE(Utf8ToCodePage("paměť", 1252));
  EXPECT_FALSE(Utf8ToCodePage("日本", 1250));
  EXPECT_FALSE(Utf8ToCodePage("\xC3", 1252));          // cut-off sequence
  EXPECT_FALSE(Utf8ToCodePage("\xC0\xAF", 1252));      // overlong '/'
  EXPECT_FALSE(Utf8ToCodePage("\xED\xA0\x80", 65001));  // surrogate
  EXPECT_EQ(CodePageToUtf8("\x81", 1252), "\xEF\xBF\xBD");  // undefined byte
}

TEST(CodePage, BestFitUsesPlainLetters) {
  EXPECT_EQ(Utf8ToCodePageBestFit("Mimo paměť", 1252), "Mimo pamet");
  EXPECT_EQ(Utf8ToCodePageBestFit("Výjimka 日", 1252), "V\xFDjimka ?");
  EXPECT_FALSE(IsSupportedCodePage(932));
}

TEST(RuntimeText, FollowsTheAnsiCodePage) {
  {
    CodePageGuard guard(1250);
    EXPECT_EQ(RuntimeText(RuntimeTextId::OutOfMemory), "Mimo pam\xEC\x9D");
  }
  {
    CodePageGuard guard(1252);
    EXPECT_EQ(RuntimeText(RuntimeTextId::OutOfMemory), "Mimo pamet");
    EXPECT_EQ(RuntimeText(RuntimeTextId::FailureReport), "V\xFDjimka %s v modulu %s na %p.\n%s%s");
    EXPECT_EQ(RuntimeText(RuntimeTextId::FailureCaption), "Chyba aplikace");
  }
  {
    CodePageGuard guard(Utf8CodePage);
    EXPECT_EQ(RuntimeText(RuntimeTextId::InvalidFloat), "'%s' nie je platná floating point hodnota");
  }
}

}  // namespace
}  // namespace lzsfx
