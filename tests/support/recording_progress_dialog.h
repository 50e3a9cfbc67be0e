// A headless progress window for tests: it holds its items' texts as the real window does
// and records what it was told (text changes, invalidations, measurements, pumps). Texts are
// measured with a configurable label width and text width (one unit per character unless
// told otherwise), and a pump can run a scripted effect, such as a cancel at the N-th pump.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/progress_dialog.h"

namespace lzsfx::test_support {

class RecordingProgressDialog : public ProgressDialog {
 public:
  struct TextChange {
    int item;
    std::string text;
    friend bool operator==(const TextChange&, const TextChange&) = default;
  };

  // Measuring.
  int labelWidth = 195;
  std::function<int(std::string_view)> textWidth = [](std::string_view text) { return static_cast<int>(text.size()); };

  // Called at every pump with its number (1 for the first).
  std::function<void(int pump)> onPump;

  // Sets State.Aborted at the given pump, as a click on the cancel button would.
  void AbortAtPump(int pump);

  // What the window was told.
  std::vector<TextChange> textChanges;      // SetItemText calls that reached the window, in order
  std::vector<std::string> measuredTexts;   // texts measured, in order
  int measures = 0;                         // measure objects taken (device contexts)
  int invalidations = 0;
  int pumps = 0;

  // The current text of an item (the whole text, not cut as ItemText cuts it).
  const std::string& Text(int item);

  // The texts that an item was given, in order.
  std::vector<std::string> TextsSet(int item) const;

  void InvalidateAll() override;
  std::string ItemText(int item) override;
  void SetItemText(int item, const std::string& text) override;
  std::int32_t ItemInt(int item) override;
  std::unique_ptr<TextMeasure> MeasurePathLabel() override;
  void PumpMessages() override;

 private:
  std::map<int, std::string> texts_;
};

}  // namespace lzsfx::test_support
