#include "archive/entry_table.h"

#include <gtest/gtest.h>

#include "archive/extended_float.h"
#include "archive/worked_example.h"
#include "common/number_text.h"

namespace lzsfx {
namespace {

class EntryTableTest : public ::testing::Test {
 protected:
  void SetUp() override { EntryTableClear(); }
  void TearDown() override { EntryTableClear(); }
};

TEST_F(EntryTableTest, GrowsByEightSlotsExactlyWhenFull) {
  // count -> capacity after that many adds
  for (int added = 1; added <= 17; ++added) {
    EntryTableAdd("line " + std::to_string(added));
    const std::int32_t expectedCapacity = added <= 8 ? 8 : added <= 16 ? 16 : 24;
    EXPECT_EQ(EntryTableCapacity(), expectedCapacity) << "after " << added << " adds";
  }
  EXPECT_EQ(EntryTableCount(), 17);
  EXPECT_EQ(EntryTableGet(0), "line 1");
  EXPECT_EQ(EntryTableGet(8), "line 9");
  EXPECT_EQ(EntryTableGet(16), "line 17");
}

TEST_F(EntryTableTest, ClearAndResetLeaveAnEmptyTable) {
  EntryTableClear();
  EXPECT_EQ(EntryTableCount(), 0);
  EXPECT_EQ(EntryTableCapacity(), 0);

  for (int i = 0; i < 9; ++i) EntryTableAdd("x");
  EntryTableClear();
  EXPECT_EQ(EntryTableCount(), 0);
  EXPECT_EQ(EntryTableCapacity(), 0);

  EntryTableReset();
  EntryTableAdd("first");
  EXPECT_EQ(EntryTableCount(), 1);
  EXPECT_EQ(EntryTableCapacity(), 8);
  EXPECT_EQ(EntryTableGet(0), "first");
}

TEST_F(EntryTableTest, StoresACopyOfTheLineWithItsBytesUnchanged) {
  std::string line("a\xE9\0b", 4);
  EntryTableAdd(line);
  line[0] = 'z';
  EXPECT_EQ(EntryTableGet(0), std::string("a\xE9\0b", 4));
}

struct FieldRow {
  const char* line;
  const char* delimiter;
  int n;
  const char* expected;
};

class ExtractFieldTest : public ::testing::TestWithParam<FieldRow> {};

TEST_P(ExtractFieldTest, PicksTheNthField) {
  const FieldRow& row = GetParam();
  EXPECT_EQ(ExtractField(row.line, row.delimiter, row.n), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExtractFieldTest,
    ::testing::Values(FieldRow{"a\tb\tc", "\t", 1, "a"}, FieldRow{"a\tb\tc", "\t", 2, "b"},
                      FieldRow{"a\tb\tc", "\t", 3, "c"}, FieldRow{"a\tb\tc", "\t", 4, ""},
                      FieldRow{"a\tb\tc", "\t", 0, ""}, FieldRow{"a\tb\tc", "\t", -1, ""},
                      FieldRow{"a\t\tc", "\t", 2, ""}, FieldRow{"a\t\tc", "\t", 3, "c"},
                      FieldRow{"a\tb\t", "\t", 3, ""}, FieldRow{"a\tb\t", "\t", 4, ""},
                      FieldRow{"whole line", "\t", 1, "whole line"}, FieldRow{"whole line", "\t", 2, ""},
                      FieldRow{"", "\t", 1, ""}, FieldRow{"a\tb", "", 1, "a\tb"}, FieldRow{"a\tb", "", 2, ""},
                      FieldRow{"a<>b<>c", "<>", 3, "c"}));

TEST(EntryLineTest, WorkedExampleWithEitherDecimalSeparator) {
  ExtendedBytes dateBytes;
  std::copy(test::ExampleDateBytes.begin(), test::ExampleDateBytes.end(), dateBytes.begin());
  const CatalogEntry entry{test::ExampleName, 12342, 620, 0, 32, DecodeExtended(dateBytes)};

  EXPECT_EQ(FormatEntryLine(entry), test::ExampleLine);

  SetDecimalSeparator(',');
  const std::string commaLine = FormatEntryLine(entry);
  const std::string commaDate = ExtractField(commaLine, "\t", FieldDate);
  const long double backWithComma = ParseFloatText(commaDate);
  SetDecimalSeparator('.');
  EXPECT_EQ(commaDate, "36201,514537037");
  EXPECT_EQ(backWithComma, ParseFloatText("36201.514537037"));
}

TEST(EntryLineTest, DateIsRoundedToFifteenDigitsAfterRoundingToDouble) {
  struct Row {
    long double date;
    const char* text;
  };
  const Row rows[] = {
      {36201.51608796296L, "36201.516087963"},
      {36201.0L, "36201"},
      {0.0L, "0"},
      {-1.5L, "-1.5"},
  };
  for (const Row& row : rows) {
    // As stored in the catalog: ten extended bytes.
    const CatalogEntry entry{"F", 1, 2, 3, 4, DecodeExtended(EncodeExtended(row.date))};
    EXPECT_EQ(ExtractField(FormatEntryLine(entry), "\t", FieldDate), row.text);
  }
}

TEST(EntryLineTest, FieldsFollowTheLineOrderNotTheCatalogOrder) {
  const CatalogEntry entry{"DIR\\F.TXT", -1, 2147483647, 538603, 0x21, 2.0L};
  const std::string line = FormatEntryLine(entry);
  EXPECT_EQ(line, "DIR\\F.TXT\t-1\t2147483647\t33\t2\t538603");
  EXPECT_EQ(ExtractField(line, "\t", FieldOffset), "538603");
  EXPECT_EQ(ExtractField(line, "\t", FieldOffset + 1), "");
}

}  // namespace
}  // namespace lzsfx
