// The progress window on Win32: the modeless dialog built from the template
// TavoProgressClass (src/resources/stub.rc), its dialog procedure, the message pump and the
// painting of the owner-drawn percentage bar.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/extraction_state.h"
#include "platform/progress_dialog.h"
#include "progress/progress_bar.h"
#include "progress/progress_report.h"

namespace lzsfx {
namespace {

constexpr const char* ProgressTemplateName = "TavoProgressClass";
constexpr UINT BarTextFormat = DT_SINGLELINE | DT_VCENTER | DT_CENTER;  // 0x25

RECT ToRect(const BarRect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

BarRect ToBarRect(const RECT& rect) {
  return BarRect{static_cast<std::int32_t>(rect.left), static_cast<std::int32_t>(rect.top),
                 static_cast<std::int32_t>(rect.right), static_cast<std::int32_t>(rect.bottom)};
}

// A solid brush that lives for one fill.
void FillWithSystemColour(HDC dc, const BarRect& part, int colourIndex) {
  const RECT rect = ToRect(part);
  HBRUSH brush = CreateSolidBrush(GetSysColor(colourIndex));
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

// The selection keeps its own copy of the region, so the region is deleted at once.
void SelectClip(HDC dc, const BarRect& clip) {
  HRGN region = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
  SelectClipRgn(dc, region);
  DeleteObject(region);
}

void DrawBarText(HDC dc, const ProgressBarLayout& bar, int colourIndex) {
  SetTextColor(dc, GetSysColor(colourIndex));
  RECT inner = ToRect(bar.inner);
  DrawTextA(dc, bar.text.c_str(), static_cast<int>(bar.text.size()), &inner, BarTextFormat);
}

// The frame: a closed one-pixel outline on the item's outermost rows and columns, drawn
// with the device context's current pen.
void DrawFrame(HDC dc, const RECT& item) {
  MoveToEx(dc, item.left, item.top, nullptr);
  LineTo(dc, item.left, item.bottom - 1);
  LineTo(dc, item.right - 1, item.bottom - 1);
  LineTo(dc, item.right - 1, item.top);
  LineTo(dc, item.left, item.top);
}

// Paints PercentBar from its text, read back from the progress window of the run (0 before
// there is one). The device context is left without a clip region, transparent, and with
// the highlight-text colour.
void PaintProgressBar(HDC dc, const RECT& item) {
  DrawFrame(dc, item);
  const std::int32_t percentage = State.ProgressWindow != nullptr ? State.ProgressWindow->ItemInt(PercentBar) : 0;
  const ProgressBarLayout bar = LayoutProgressBar(ToBarRect(item), percentage);
  SetBkMode(dc, TRANSPARENT);
  SelectClipRgn(dc, nullptr);

  FillWithSystemColour(dc, bar.unfilledPart, COLOR_BTNFACE);
  SelectClip(dc, bar.unfilledTextClip);
  DrawBarText(dc, bar, COLOR_HIGHLIGHT);
  SelectClipRgn(dc, nullptr);

  FillWithSystemColour(dc, bar.donePart, COLOR_HIGHLIGHT);
  SelectClip(dc, bar.doneTextClip);
  DrawBarText(dc, bar, COLOR_HIGHLIGHTTEXT);
  SelectClipRgn(dc, nullptr);
}

// Centres the window on the primary screen (not the work area), keeping its size. The
// halving truncates toward zero, so a window wider than the screen gets a position <= 0.
void CentreWindow(HWND window) {
  RECT outer{};
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  MoveWindow(window, x, y, width, height, FALSE);
}

INT_PTR HandleDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      CentreWindow(window);
      return FALSE;  // the dialog manager sets no keyboard focus
    case WM_DRAWITEM: {
      // The control is not examined: PercentBar is the only owner-drawn control.
      const auto* request = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      PaintProgressBar(request->hDC, request->rcItem);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == CancelButton) SetAborted();
      return FALSE;
    default:
      return FALSE;
  }
}

// No exception may leave: it would have to unwind through the system's frames that called
// the procedure, which the 32-bit unwinder cannot do (the run-time would end the program).
// A message that fails (painting without memory) is left undone, as a failing window call
// leaves its work undone; the run goes on and meets the shortage itself.
INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return HandleDialogMessage(window, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

// PathLabel's device context, exactly as GetDC gives it: no font is selected, so texts are
// measured in the context's default font rather than the label's dialog font.
class LabelMeasure final : public TextMeasure {
 public:
  explicit LabelMeasure(HWND dialog) : label_(GetDlgItem(dialog, PathLabel)), dc_(GetDC(label_)) {
    RECT client{};
    GetClientRect(label_, &client);
    width_ = client.right - client.left;
  }
  ~LabelMeasure() override { ReleaseDC(label_, dc_); }
  LabelMeasure(const LabelMeasure&) = delete;
  LabelMeasure& operator=(const LabelMeasure&) = delete;

  int ClientWidth() const override { return width_; }

  int TextWidth(std::string_view text) override {
    SIZE extent{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &extent);
    return extent.cx;
  }

 private:
  HWND label_;
  HDC dc_;
  int width_ = 0;
};

class Win32ProgressDialog final : public ProgressDialog {
 public:
  Win32ProgressDialog()
      : window_(CreateDialogParamA(GetModuleHandleA(nullptr), ProgressTemplateName, nullptr, ProgressDialogProc, 0)) {
    ShowWindow(window_, SW_SHOW);
  }
  ~Win32ProgressDialog() override { DestroyWindow(window_); }
  Win32ProgressDialog(const Win32ProgressDialog&) = delete;
  Win32ProgressDialog& operator=(const Win32ProgressDialog&) = delete;

  void InvalidateAll() override { InvalidateRect(window_, nullptr, TRUE); }

  std::string ItemText(int item) override {
    char buffer[ItemTextBufferSize] = {};
    GetDlgItemTextA(window_, item, buffer, sizeof buffer);
    return buffer;
  }

  void SetItemText(int item, const std::string& text) override { SetDlgItemTextA(window_, item, text.c_str()); }

  std::int32_t ItemInt(int item) override {
    return static_cast<std::int32_t>(GetDlgItemInt(window_, item, nullptr, TRUE));
  }

  std::unique_ptr<TextMeasure> MeasurePathLabel() override { return std::make_unique<LabelMeasure>(window_); }

  // Takes every message of the thread without waiting. A quit request is dropped, so it
  // never ends the run, and no dialog keyboard handling applies (Tab, Enter and Esc mean
  // nothing here).
  void PumpMessages() override {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

 private:
  HWND window_;
};

}  // namespace

std::unique_ptr<ProgressDialog> platform::CreateProgressDialog() { return std::make_unique<Win32ProgressDialog>(); }

}  // namespace lzsfx
