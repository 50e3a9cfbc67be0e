// Bringing the progress window up to date while files are written: the path label, the
// percentage of the archive's compressed bytes consumed, and a drain of the window's
// messages. The extraction's output hook reports after every block it has written.
#pragma once

#include <cstdint>
#include <string_view>

namespace lzsfx {

// Updates State.ProgressWindow (nothing when there is none), in this order:
//  1. once per run (State.FirstProgress, then cleared): the whole window is invalidated;
//  2. PathLabel gets CompactPath(path) unless it already shows that text, letter case aside;
//  3. PercentBar gets ProgressPercentage(totalRead, totalCompressed) in decimal unless it
//     already holds that value (an empty text holds 0, so it stays empty below 1 %);
//  4. the window's pending messages are handled (a cancel sets State.Aborted there).
void ReportProgress(std::string_view path, std::int32_t totalRead, std::int32_t totalCompressed);

// totalRead / totalCompressed x 100 in 80-bit extended precision, each step rounded to
// nearest and the result truncated toward zero, so it can be one below exact arithmetic
// (53 of 100 gives 52). A total of 0 or below gives 0: there is nothing to divide by yet.
// Results beyond the 32-bit range are held at its ends.
std::int32_t ProgressPercentage(std::int32_t totalRead, std::int32_t totalCompressed);

// The cancel request of the progress window: stores true into State.Aborted, nothing else.
void SetAborted();

}  // namespace lzsfx
