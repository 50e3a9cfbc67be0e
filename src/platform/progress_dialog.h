// The progress window of the platform seam: the one small interface through which the
// progress report writes the window's texts, measures the path label and lets the window
// handle its pending messages. Win32 implements it with the real modeless dialog built from
// the template TavoProgressClass; POSIX with a status display on the terminal. Tests use a
// headless implementation that records what it was told.
//
// Texts are byte strings in the ANSI code page. No call raises a failure or reports one:
// like the window calls they stand for, a call that cannot do its work does nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lzsfx {

// The controls of the progress window, by identifier.
inline constexpr int PathLabel = 1;     // the (shortened) path of the file being written
inline constexpr int PercentBar = 2;    // owner-drawn bar; its text is the percentage in decimal
inline constexpr int CancelButton = 3;  // its command sets Aborted

// Reading an item's text back uses a buffer of this many bytes, so at most 259 characters
// come back (GetDlgItemTextA with a 260-byte buffer).
inline constexpr std::size_t ItemTextBufferSize = 260;

// Measuring texts as PathLabel would hold them: the label's client width and the extent of
// a text in the label's device context, both in the window's units (pixels on Win32). The
// object holds the label's device context from its creation to its destruction (GetDC and
// ReleaseDC), so one object serves exactly one path compaction.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int ClientWidth() const = 0;
  virtual int TextWidth(std::string_view text) = 0;
};

class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;

  // Marks the whole client area for repainting, background included (InvalidateRect).
  virtual void InvalidateAll() = 0;

  // An item's text, cut to ItemTextBufferSize - 1 characters (GetDlgItemTextA).
  virtual std::string ItemText(int item) = 0;

  // Replaces an item's text (SetDlgItemTextA). A new text of PercentBar repaints the bar.
  virtual void SetItemText(int item, const std::string& text) = 0;

  // An item's text as a signed number, 0 when it is not one (GetDlgItemInt, signed).
  virtual std::int32_t ItemInt(int item) = 0;

  // Takes PathLabel's device context for measuring until the object is destroyed.
  virtual std::unique_ptr<TextMeasure> MeasurePathLabel() = 0;

  // Handles every pending message of the window and returns without waiting. A cancel
  // request that arrived since the last call sets State.Aborted here.
  virtual void PumpMessages() = 0;
};

namespace platform {

// Creates and shows the progress window; destroying the object destroys the window. Always
// gives an object: if the window cannot be created, its operations do nothing.
std::unique_ptr<ProgressDialog> CreateProgressDialog();

}  // namespace platform
}  // namespace lzsfx
