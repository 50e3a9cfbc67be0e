#include "progress/progress_bar.h"

#include <cmath>

#include "common/number_text.h"

namespace lzsfx {
namespace {

// The extended-precision constant nearest to 0.01 lies slightly below it.
constexpr long double OnePercent = 0.01L;

}  // namespace

std::int32_t FilledWidth(std::int32_t percentage, std::int32_t width) {
  const long double exact = static_cast<long double>(percentage) * OnePercent * static_cast<long double>(width);
  // Both limits are applied before the conversion, which keeps it inside the 32-bit range.
  const long double most = width;
  const long double least = -std::abs(static_cast<long double>(width));
  if (exact > most) return width;
  if (exact < least) return static_cast<std::int32_t>(least);
  return static_cast<std::int32_t>(exact);
}

ProgressBarLayout LayoutProgressBar(const BarRect& item, std::int32_t percentage) {
  ProgressBarLayout bar;
  bar.inner = {item.left + 1, item.top + 1, item.right - 1, item.bottom - 1};
  const BarRect& inner = bar.inner;
  bar.filled = FilledWidth(percentage, inner.right - inner.left);
  const std::int32_t boundary = inner.left + bar.filled;
  bar.unfilledPart = {boundary, inner.top, inner.right, inner.bottom};
  bar.donePart = {inner.left, inner.top, boundary, inner.bottom};
  // The two text clips span the item's full height, frame rows included.
  bar.unfilledTextClip = {boundary, item.top, item.right, item.bottom};
  bar.doneTextClip = {item.left, item.top, boundary, item.bottom};
  bar.text = FormatDecimal(percentage) + "%";
  return bar;
}

}  // namespace lzsfx
