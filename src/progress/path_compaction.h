// Shortening a path to the width of the progress window's path label: leading directory
// components give way to the marker "...\" until the text fits, the file name always stays
// whole. The label measures the texts (src/platform/progress_dialog.h), so the result fits
// the font and units of whatever window shows it.
#pragma once

#include <string>
#include <string_view>

namespace lzsfx {

class TextMeasure;

inline constexpr std::string_view OmittedDirectories = "...\\";  // stands for left-out components

// The text to show for path in PathLabel of State.ProgressWindow: the path itself when it
// fits, else the first candidate that fits (drive, "\" of a rooted directory, "...\",
// remaining components, file name), else the bare file name even if it is still too wide.
// A path with neither directory nor drive is returned without being measured. Without a
// progress window the path is returned unchanged.
std::string CompactPath(std::string_view path);

// The same against a given measure, taken for one compaction.
std::string CompactPath(std::string_view path, TextMeasure& measure);

// True when text is wider than width in measure (a signed comparison).
bool PathTooWide(TextMeasure& measure, int width, std::string_view text);

// One step of shortening a directory (without its drive), in place:
//   "\" becomes empty; otherwise a leading '\' is set aside, a leading '.' takes four
//   characters with it (the marker of an earlier step), the first remaining component is
//   replaced by "...\" (or the directory becomes empty when no '\' is left), and the
//   set-aside '\' is put back in front.
// "\A\B\" -> "\...\B\" -> "\...\" ; "...\" -> "" ; "\.a\b\c\" -> "\...\c\".
void ShortenDirectory(std::string& directory);

}  // namespace lzsfx
