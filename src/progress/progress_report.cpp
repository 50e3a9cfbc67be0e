#include "progress/progress_report.h"

#include <limits>
#include <string>

#include "common/extraction_state.h"
#include "common/number_text.h"
#include "platform/progress_dialog.h"
#include "progress/dialog_item_text.h"
#include "progress/path_compaction.h"

namespace lzsfx {

std::int32_t ProgressPercentage(std::int32_t totalRead, std::int32_t totalCompressed) {
  // Dividing by a total of 0 or less would fail or show nonsense; the bar waits at 0.
  if (totalCompressed <= 0) return 0;
  const long double share = static_cast<long double>(totalRead) / static_cast<long double>(totalCompressed);
  const long double percentage = share * 100.0L;
  // More bytes read than the catalog announced can exceed the 32-bit range.
  constexpr long double most = std::numeric_limits<std::int32_t>::max();
  constexpr long double least = std::numeric_limits<std::int32_t>::min();
  if (percentage >= most) return std::numeric_limits<std::int32_t>::max();
  if (percentage <= least) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(percentage);
}

void ReportProgress(std::string_view path, std::int32_t totalRead, std::int32_t totalCompressed) {
  ProgressDialog* window = State.ProgressWindow;
  if (window == nullptr) return;
  if (State.FirstProgress) {
    // Nothing has drained the queue since the window was created: the pump below paints it.
    window->InvalidateAll();
    State.FirstProgress = false;
  }
  const std::string display = CompactPath(path);
  if (!EqualIgnoringCase(window->ItemText(PathLabel), display)) window->SetItemText(PathLabel, display);

  const std::int32_t percentage = ProgressPercentage(totalRead, totalCompressed);
  // The bar repaints itself whenever its text changes, so it is written only on a change.
  if (window->ItemInt(PercentBar) != percentage) window->SetItemText(PercentBar, FormatDecimal(percentage));

  window->PumpMessages();
}

void SetAborted() { State.Aborted = true; }

}  // namespace lzsfx
