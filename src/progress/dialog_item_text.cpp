#include "progress/dialog_item_text.h"

#include <limits>

#include "platform/progress_dialog.h"

namespace lzsfx {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool EqualIgnoringCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (LowerAscii(left[i]) != LowerAscii(right[i])) return false;
  }
  return true;
}

std::int32_t ItemTextToInt(std::string_view text) {
  std::size_t position = 0;
  while (position < text.size() && text[position] == ' ') ++position;
  bool negative = false;
  if (position < text.size() && (text[position] == '-' || text[position] == '+')) {
    negative = text[position] == '-';
    ++position;
  }
  const std::size_t firstDigit = position;
  // Accumulated as a magnitude one beyond INT32_MAX, so that -2147483648 still reads.
  constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  while (position < text.size() && IsDigit(text[position])) {
    magnitude = magnitude * 10 + (text[position] - '0');
    if (magnitude > limit) return 0;
    ++position;
  }
  if (position == firstDigit) return 0;
  while (position < text.size() && text[position] == ' ') ++position;
  if (position != text.size()) return 0;
  if (!negative && magnitude == limit) return 0;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string CutToItemTextBuffer(std::string_view text) {
  return std::string(text.substr(0, ItemTextBufferSize - 1));
}

}  // namespace lzsfx
