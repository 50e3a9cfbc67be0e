#include "progress/progress_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/extraction_state.h"
#include "platform/progress_dialog.h"
#include "progress/dialog_item_text.h"
#include "support/recording_progress_dialog.h"

namespace lzsfx {
namespace {

using test_support::RecordingProgressDialog;
using TextChange = RecordingProgressDialog::TextChange;

TEST(ProgressPercentage, TruncatesTheExtendedPrecisionResult) {
  constexpr std::int32_t most = std::numeric_limits<std::int32_t>::max();
  const struct {
    std::int32_t read, total, percentage;
  } rows[] = {
      {53, 100, 52}, {59, 100, 58},  // one below exact arithmetic
      {1, 2, 50},    {2, 3, 66},      {100, 100, 100}, {most, most, 100}, {0, 100, 0},
      // Nothing to divide by yet: 0, and never a failure.
      {0, 0, 0},     {5, 0, 0},       {5, -10, 0},
      {most, 1, most},  // far more read than announced stays in range
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ProgressPercentage(row.read, row.total), row.percentage) << row.read << " of " << row.total;
  }
}

class Reporting : public ::testing::Test {
 protected:
  void SetUp() override {
    State = ExtractionState{};
    State.ProgressWindow = &window;
    State.FirstProgress = true;
    window.labelWidth = 1000;
  }
  void TearDown() override { State = ExtractionState{}; }
  RecordingProgressDialog window;
};

// Reports write a text only when it changes; every report measures and pumps.
TEST_F(Reporting, WritesOnlyOnChange) {
  ReportProgress("C:\\TEMP\\A.TXT", 0, 100);
  EXPECT_EQ(window.invalidations, 1);
  EXPECT_FALSE(State.FirstProgress);
  ReportProgress("c:\\temp\\a.txt", 0, 100);  // letter case only
  ReportProgress("C:\\TEMP\\A.TXT", 1, 100);
  ReportProgress("C:\\TEMP\\A.TXT", 1, 100);
  ReportProgress("C:\\TEMP\\B.TXT", 100, 100);

  const std::vector<TextChange> expected = {
      {PathLabel, "C:\\TEMP\\A.TXT"},  // 0 % leaves the bar's text empty
      {PercentBar, "1"},
      {PathLabel, "C:\\TEMP\\B.TXT"},
      {PercentBar, "100"},
  };
  EXPECT_EQ(window.textChanges, expected);
  EXPECT_EQ(window.invalidations, 1);
  EXPECT_EQ(window.measures, 5);
  EXPECT_EQ(window.pumps, 5);
}

TEST_F(Reporting, ShowsTheCompactedPath) {
  window.labelWidth = 16;
  ReportProgress("C:\\WINDOWS\\TEMP\\LOGO.BMP", 0, 100);
  EXPECT_EQ(window.Text(PathLabel), "C:\\...\\LOGO.BMP");
}

TEST_F(Reporting, EmptyArchiveShowsZeroAndStillPumps) {
  ReportProgress("C:\\TEMP\\A.TXT", 0, 0);
  ReportProgress("C:\\TEMP\\A.TXT", 10, 0);
  EXPECT_EQ(window.TextsSet(PercentBar), std::vector<std::string>{});
  EXPECT_EQ(window.pumps, 2);
}

// A percentage that goes back down is written too: the bar shows what the counts say.
TEST_F(Reporting, PercentageGoingDownIsWritten) {
  ReportProgress("C:\\A", 50, 100);
  ReportProgress("C:\\A", 50, 200);
  EXPECT_EQ(window.TextsSet(PercentBar), (std::vector<std::string>{"50", "25"}));
}

TEST_F(Reporting, CancelDuringThePumpSetsAborted) {
  window.AbortAtPump(2);
  ReportProgress("C:\\A", 1, 10);
  EXPECT_FALSE(State.Aborted);
  ReportProgress("C:\\A", 2, 10);
  EXPECT_TRUE(State.Aborted);
}

TEST(ReportingWithoutWindow, DoesNothing) {
  State = ExtractionState{};
  State.FirstProgress = true;
  ReportProgress("C:\\A", 1, 2);
  EXPECT_TRUE(State.FirstProgress);
}

TEST(ItemTexts, ReadAsNumbersLikeDialogItems) {
  const struct {
    const char* text;
    std::int32_t value;
  } rows[] = {{"", 0},         {"37", 37},          {"-5", -5},         {"+7", 7},
              {"  12  ", 12},  {"1x", 0},           {"-", 0},           {"2147483647", 2147483647},
              {"2147483648", 0}, {"-2147483648", std::numeric_limits<std::int32_t>::min()}, {"-2147483649", 0}};
  for (const auto& row : rows) {
    EXPECT_EQ(ItemTextToInt(row.text), row.value) << '"' << row.text << '"';
  }
}

TEST(ItemTexts, CompareIgnoringAsciiCaseOnly) {
  EXPECT_TRUE(EqualIgnoringCase("C:\\Temp\\Setup.EXE", "c:\\TEMP\\setup.exe"));
  EXPECT_FALSE(EqualIgnoringCase("C:\\A", "C:\\A "));
  EXPECT_FALSE(EqualIgnoringCase("[", "{"));  // '[' + 0x20 is '{', not a letter
  EXPECT_FALSE(EqualIgnoringCase("\xC8", "\xE8"));  // other bytes compare exactly
}

TEST(ItemTexts, ReadBackIsCutToTheBuffer) {
  const std::string longText(300, 'x');
  EXPECT_EQ(CutToItemTextBuffer(longText), std::string(ItemTextBufferSize - 1, 'x'));
}

}  // namespace
}  // namespace lzsfx
