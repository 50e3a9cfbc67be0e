// The rules of reading one value from a profile file. The same table runs against our
// POSIX reader natively and against the system's GetPrivateProfileStringA under wine64,
// so every row is checked against the real call.
#include <gtest/gtest.h>

#include "platform/system.h"
#include "scratch_directory.h"

namespace lzsfx::platform {
namespace {

struct ProfileCase {
  const char* name;
  const char* file;  // nullptr: no file at all
  const char* section;
  const char* key;
  const char* defaultValue;
  std::size_t bufferSize;
  const char* expected;
};

constexpr std::size_t Big = 260;  // bytes, the buffer the configuration reader uses

const ProfileCase ProfileCases[] = {
    {"CrLfLines", "[S]\r\nk=v\r\n", "S", "k", "", Big, "v"},
    {"LfLines", "[S]\nk=v\n", "S", "k", "", Big, "v"},
    {"NoFinalLineEnd", "[S]\nk=v", "S", "k", "", Big, "v"},
    {"NamesIgnoreCase", "[Vesk configuration]\nUSEDIRS=1\n", "VESK Configuration", "UseDirs", "", Big, "1"},
    {"BlanksAroundNameAndValueDropped", "[S]\n  k \t=  v w  \n", "S", "k", "", Big, "v w"},
    {"BlanksAroundAskedNamesDropped", "[S]\nk=v\n", " S ", " k\t", "", Big, "v"},
    {"IndentedSectionLine", "  [S]  \nk=v\n", "S", "k", "", Big, "v"},
    {"TextAfterBracketIgnored", "[S] remark\nk=v\n", "S", "k", "", Big, "v"},
    {"BlanksInsideBracketsDropped", "[ S ]\nk=v\n", "S", "k", "d", Big, "v"},
    {"InnerBlanksOfSectionKept", "[V  C]\nk=v\n", "V C", "k", "d", Big, "d"},
    {"DoubleQuotesRemoved", "[S]\nk=\"a b\"\n", "S", "k", "", Big, "a b"},
    {"SingleQuotesRemoved", "[S]\nk='a b'\n", "S", "k", "", Big, "a b"},
    {"OnlyOnePairRemoved", "[S]\nk=\"\"a\"\"\n", "S", "k", "", Big, "\"a\""},
    {"MismatchedQuotesKept", "[S]\nk=\"a'\n", "S", "k", "", Big, "\"a'"},
    {"LoneQuoteKept", "[S]\nk=\"\n", "S", "k", "", Big, "\""},
    {"InnerQuotesKept", "[S]\nk=a\"b\"\n", "S", "k", "", Big, "a\"b\""},
    {"EmptyValueIsNotDefault", "[S]\nk=\n", "S", "k", "d", Big, ""},
    {"ValueMayHoldEquals", "[S]\nk=a=b\n", "S", "k", "", Big, "a=b"},
    {"ControlZIsBlank", "[S]\nk=v\x1A\n", "S", "k", "", Big, "v"},
    {"MissingKey", "[S]\nj=v\n", "S", "k", "d", Big, "d"},
    {"MissingSection", "[T]\nk=v\n", "S", "k", "d", Big, "d"},
    {"KeyOfOtherSection", "[T]\nk=1\n[S]\nj=2\n", "S", "k", "d", Big, "d"},
    {"MissingFile", nullptr, "S", "k", "d", Big, "d"},
    {"EmptyFile", "", "S", "k", "d", Big, "d"},
    {"LineWithoutEqualsGivesDefault", "[S]\nk\n", "S", "k", "d", Big, "d"},
    {"SemicolonLineIsAKey", "[S]\n;k=1\nk=2\n", "S", ";k", "", Big, "1"},
    {"SemicolonLineHidesNothing", "[S]\n;k=1\nk=2\n", "S", "k", "", Big, "2"},
    {"FirstKeyWins", "[S]\nk=1\nk=2\n", "S", "k", "", Big, "1"},
    {"OnlyFirstSectionOfNameIsRead", "[S]\nj=1\n[S]\nk=2\n", "S", "k", "d", Big, "d"},
    {"KeysBeforeAnySectionUnreachable", "k=1\n[S]\n", "S", "k", "d", Big, "d"},
    {"DefaultLosesTrailingSpaces", "[S]\n", "S", "k", " d  ", Big, " d"},
    {"DefaultLosesQuotes", "[S]\n", "S", "k", "'d'", Big, "d"},
    {"ValueCutToBuffer", "[S]\nk=abcdef\n", "S", "k", "", 4, "abc"},
    {"QuotedValueCutToBuffer", "[S]\nk='abcdef'\n", "S", "k", "", 4, "abc"},
    {"DefaultCutToBuffer", "[S]\n", "S", "k", "abcdef", 3, "ab"},
    {"BufferOfOneByte", "[S]\nk=v\n", "S", "k", "", 1, ""},
    {"Utf8ByteOrderMark", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "", Big, "v"},
};

class ProfileReaderTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileReaderTest, ReadsAsTheSystemDoes) {
  const ProfileCase& row = GetParam();
  ScratchDirectory directory;
  ASSERT_TRUE(directory.Created());
  // A file name per row: the system may keep a profile it has read in a cache.
  const std::string file = directory / (std::string(row.name) + ".ini");
  if (row.file != nullptr) {
    ASSERT_TRUE(directory.WriteFile(std::string(row.name) + ".ini", row.file));
  }

  EXPECT_EQ(ReadProfileString(row.section, row.key, row.defaultValue, file, row.bufferSize), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, ProfileReaderTest, ::testing::ValuesIn(ProfileCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ProfileReaderTest, ReadsTheFileAfreshOnEveryCall) {
  ScratchDirectory directory;
  ASSERT_TRUE(directory.Created());
  ASSERT_TRUE(directory.WriteFile("c.ini", "[S]\nk=1\n"));
  EXPECT_EQ(ReadProfileString("S", "k", "", directory / "c.ini", Big), "1");
  ASSERT_TRUE(RemoveFile(directory / "c.ini"));
  EXPECT_EQ(ReadProfileString("S", "k", "gone", directory / "c.ini", Big), "gone");
}

}  // namespace
}  // namespace lzsfx::platform
