#include "support/recording_progress_dialog.h"

#include "common/extraction_state.h"
#include "progress/dialog_item_text.h"

namespace lzsfx::test_support {
namespace {

class RecordingMeasure final : public TextMeasure {
 public:
  explicit RecordingMeasure(RecordingProgressDialog& window) : window_(window) {}
  int ClientWidth() const override { return window_.labelWidth; }
  int TextWidth(std::string_view text) override {
    window_.measuredTexts.emplace_back(text);
    return window_.textWidth(text);
  }

 private:
  RecordingProgressDialog& window_;
};

}  // namespace

void RecordingProgressDialog::AbortAtPump(int pump) {
  onPump = [pump](int number) {
    if (number == pump) State.Aborted = true;
  };
}

const std::string& RecordingProgressDialog::Text(int item) { return texts_[item]; }

std::vector<std::string> RecordingProgressDialog::TextsSet(int item) const {
  std::vector<std::string> texts;
  for (const TextChange& change : textChanges) {
    if (change.item == item) texts.push_back(change.text);
  }
  return texts;
}

void RecordingProgressDialog::InvalidateAll() { ++invalidations; }

std::string RecordingProgressDialog::ItemText(int item) { return CutToItemTextBuffer(texts_[item]); }

void RecordingProgressDialog::SetItemText(int item, const std::string& text) {
  texts_[item] = text;
  textChanges.push_back({item, text});
}

std::int32_t RecordingProgressDialog::ItemInt(int item) { return ItemTextToInt(texts_[item]); }

std::unique_ptr<TextMeasure> RecordingProgressDialog::MeasurePathLabel() {
  ++measures;
  return std::make_unique<RecordingMeasure>(*this);
}

void RecordingProgressDialog::PumpMessages() {
  ++pumps;
  if (onPump) onPump(pumps);
}

}  // namespace lzsfx::test_support
