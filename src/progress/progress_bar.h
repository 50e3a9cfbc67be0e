// The geometry of the percentage bar: a one-pixel frame around a two-part fill, the done
// part on the left, the rest on the right, and the bar text centred over both, drawn once
// clipped to each part so that its colour changes exactly at the boundary. Pure arithmetic:
// the platform's painting draws what this computes.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace lzsfx {

// Percentages and the filled width are worked out in 80-bit extended precision, as the
// stored results (and their one-short truncations) depend on it.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 80-bit extended format");

// A rectangle in pixels, right and bottom exclusive.
struct BarRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const BarRect&, const BarRect&) = default;
};

struct ProgressBarLayout {
  BarRect inner;             // the item shrunk by one pixel on every side: inside the frame
  std::int32_t filled = 0;   // width of the done part; at most inner's width, negative below 0 %
  BarRect unfilledPart;      // filled with the button face
  BarRect donePart;          // filled with the highlight; inverted when filled is negative
  BarRect unfilledTextClip;  // the text in the highlight colour: boundary to the item's right edge
  BarRect doneTextClip;      // the text in the highlight-text colour: item's left edge to the boundary
  std::string text;          // the percentage in decimal and "%", drawn centred over inner
};

// The bar for an item rectangle and a percentage. The filled width is
// percentage x 0.01 x width in extended precision, truncated toward zero, so a whole-number
// product can come out one pixel short (30 % of 10 gives 2) while 100 % fills exactly.
// Above 100 % the bar is full; below 0 % filled is negative, down to -width at the most
// (beyond that nothing inside the item would change).
ProgressBarLayout LayoutProgressBar(const BarRect& item, std::int32_t percentage);

// The filled width alone, with the same arithmetic and limits.
std::int32_t FilledWidth(std::int32_t percentage, std::int32_t width);

}  // namespace lzsfx
