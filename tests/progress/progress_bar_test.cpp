#include "progress/progress_bar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace lzsfx {
namespace {

TEST(ProgressBar, LaysOutThirtySevenPercent) {
  const ProgressBarLayout bar = LayoutProgressBar({0, 0, 200, 20}, 37);
  EXPECT_EQ(bar.inner, (BarRect{1, 1, 199, 19}));
  EXPECT_EQ(bar.filled, 73);  // 198 x 0.37 = 73.26
  EXPECT_EQ(bar.unfilledPart, (BarRect{74, 1, 199, 19}));
  EXPECT_EQ(bar.unfilledTextClip, (BarRect{74, 0, 200, 20}));
  EXPECT_EQ(bar.donePart, (BarRect{1, 1, 74, 19}));
  EXPECT_EQ(bar.doneTextClip, (BarRect{0, 0, 74, 20}));
  EXPECT_EQ(bar.text, "37%");
}

TEST(ProgressBar, FullBarLeavesOnlyTheRightColumnToTheFirstText) {
  const ProgressBarLayout bar = LayoutProgressBar({0, 0, 200, 20}, 100);
  EXPECT_EQ(bar.filled, 198);
  EXPECT_EQ(bar.unfilledPart, (BarRect{199, 1, 199, 19}));
  EXPECT_EQ(bar.unfilledTextClip, (BarRect{199, 0, 200, 20}));
  EXPECT_EQ(bar.doneTextClip, (BarRect{0, 0, 199, 20}));
  EXPECT_EQ(bar.text, "100%");
}

// Below 0 % the done part turns inside out and the button face reaches over the frame's
// left column; the second text's clip ends left of the item, so it shows nothing.
TEST(ProgressBar, NegativePercentageIsNotRaisedToZero) {
  const ProgressBarLayout bar = LayoutProgressBar({0, 0, 200, 20}, -5);
  EXPECT_EQ(bar.filled, -9);
  EXPECT_EQ(bar.unfilledPart, (BarRect{-8, 1, 199, 19}));
  EXPECT_EQ(bar.donePart, (BarRect{1, 1, -8, 19}));
  EXPECT_EQ(bar.doneTextClip, (BarRect{0, 0, -8, 20}));
  EXPECT_EQ(bar.text, "-5%");
}

TEST(ProgressBar, FilledWidthInExtendedPrecision) {
  constexpr std::int32_t most = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t least = std::numeric_limits<std::int32_t>::min();
  const struct {
    std::int32_t percentage, width, filled;
  } rows[] = {
      {37, 198, 73},  {50, 198, 99},   {0, 198, 0},
      // 0.01 in extended precision lies below 0.01: whole products can come out one short.
      {10, 10, 0},    {20, 5, 0},      {30, 10, 2},
      {150, 198, 198}, {most, 198, 198},  // above 100 % the bar is full
      {-5, 198, -9},  {-1000, 198, -198}, {least, 198, -198},  // no fill below the whole width
      {37, 0, 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FilledWidth(row.percentage, row.width), row.filled) << row.percentage << "% of " << row.width;
  }
}

TEST(ProgressBar, HundredPercentFillsEveryWidthExactly) {
  for (std::int32_t width = 0; width <= 4096; ++width) {
    ASSERT_EQ(FilledWidth(100, width), width);
  }
}

// Texts beyond four characters are shown whole.
TEST(ProgressBar, TextShowsEveryPercentageWhole) {
  const struct {
    std::int32_t percentage;
    const char* text;
  } rows[] = {{0, "0%"}, {999, "999%"}, {-99, "-99%"}, {1000, "1000%"}, {-100, "-100%"},
              {std::numeric_limits<std::int32_t>::min(), "-2147483648%"}};
  for (const auto& row : rows) {
    EXPECT_EQ(LayoutProgressBar({0, 0, 200, 20}, row.percentage).text, row.text);
  }
}

}  // namespace
}  // namespace lzsfx
