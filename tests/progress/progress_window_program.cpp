// The real progress dialog on Windows (run under wine with a display): built from the
// stub's template, shown, checked, painted and clicked. Run by progress_window_test.sh,
// which answers its requests on standard input:
//   out "click X Y NAME"      -> the driver clicks at screen position X,Y and answers "done"
//   out "shoot X Y W H"       -> the driver takes a screenshot of that area and answers "done"
//   out "ok NAME" / "FAIL NAME: why", finally "failures N"; the exit code is N (0 = passed).
// With the argument --screenshot PERCENT it only shows the dialog at that percentage and
// asks for a screenshot.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/extraction_state.h"
#include "platform/progress_dialog.h"
#include "progress/progress_bar.h"
#include "progress/progress_report.h"

namespace lzsfx {
namespace {

constexpr DWORD ClickWaitMilliseconds = 10000;  // how long a click may take to arrive
constexpr DWORD PumpIntervalMilliseconds = 20;
constexpr const char* LongPath = "C:\\Program Files\\Example Vendor\\Example Product\\data\\images\\splash\\LOGO.BMP";

int failures = 0;

void Check(bool passed, const char* name, const std::string& why = "") {
  if (passed) {
    std::printf("ok %s\n", name);
  } else {
    std::printf("FAIL %s: %s\n", name, why.c_str());
    ++failures;
  }
  std::fflush(stdout);
}

void AwaitDriver() {
  char line[64];
  if (std::fgets(line, sizeof line, stdin) == nullptr) std::exit(99);
}

POINT CentreOnScreen(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void RequestClick(HWND control, const char* name) {
  const POINT centre = CentreOnScreen(control);
  std::printf("click %ld %ld %s\n", centre.x, centre.y, name);
  std::fflush(stdout);
  AwaitDriver();
}

BOOL CALLBACK TakeFirstWindow(HWND window, LPARAM found) {
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND ThreadDialog() {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), TakeFirstWindow, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

// Watches the commands that reach the dialog, to know when a click has been handled.
WNDPROC dialogProcedure = nullptr;
int barCommands = 0;

LRESULT CALLBACK WatchCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == PercentBar) ++barCommands;
  return CallWindowProcA(dialogProcedure, window, message, wParam, lParam);
}

template <class Condition>
bool PumpUntil(ProgressDialog& dialog, Condition condition) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > ClickWaitMilliseconds) return false;
    Sleep(PumpIntervalMilliseconds);
    dialog.PumpMessages();
  }
  return true;
}

void ShowPercentage(ProgressDialog& dialog, std::int32_t percentage) {
  dialog.SetItemText(PercentBar, std::to_string(percentage));
  dialog.PumpMessages();
}

std::string Hex(COLORREF colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(colour));
  return text;
}

// Reads the painted bar back and compares each pixel of one row inside the frame, above
// the text, and the frame itself with what the bar should show.
void CheckPaintedBar(HWND bar, std::int32_t percentage, const char* name) {
  RECT client{};
  GetClientRect(bar, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int boundary = 1 + FilledWidth(percentage, width - 2);
  const COLORREF done = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF frame = RGB(0, 0, 0);  // the default pen
  constexpr int row = 2;

  HDC dc = GetDC(bar);
  std::string why;
  for (int x = 1; x < width - 1 && why.empty(); ++x) {
    const COLORREF expected = x < boundary ? done : face;
    const COLORREF painted = GetPixel(dc, x, row);
    if (painted != expected) why = "pixel " + std::to_string(x) + " is " + Hex(painted) + ", not " + Hex(expected);
  }
  const POINT frameProbes[] = {{0, height / 2}, {width - 1, height / 2}, {width / 2, 0}, {width / 2, height - 1}};
  for (const POINT& probe : frameProbes) {
    const COLORREF painted = GetPixel(dc, probe.x, probe.y);
    if (why.empty() && painted != frame) {
      why = "frame at " + std::to_string(probe.x) + "," + std::to_string(probe.y) + " is " + Hex(painted);
    }
  }
  ReleaseDC(bar, dc);
  Check(why.empty(), name, why);
}

// At 50 % the text straddles the boundary: left of it only the done colours may show and
// some text in the highlight-text colour, right of it only the face colours and some text
// in the highlight colour.
void CheckTextColoursSwitchAtTheBoundary(HWND bar) {
  RECT client{};
  GetClientRect(bar, &client);
  const int boundary = 1 + FilledWidth(50, client.right - 2);
  const COLORREF done = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF doneText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  int doneTextPixels = 0;
  int faceTextPixels = 0;
  std::string why;
  HDC dc = GetDC(bar);
  for (int y = 1; y < client.bottom - 1; ++y) {
    for (int x = 1; x < client.right - 1; ++x) {
      const COLORREF painted = GetPixel(dc, x, y);
      const bool left = x < boundary;
      if (left && painted == doneText) ++doneTextPixels;
      if (!left && painted == done) ++faceTextPixels;
      const bool allowed = left ? (painted == done || painted == doneText) : (painted == face || painted == done);
      if (!allowed && why.empty()) {
        why = "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " + Hex(painted);
      }
    }
  }
  ReleaseDC(bar, dc);
  if (why.empty() && (doneTextPixels == 0 || faceTextPixels == 0)) why = "the text is missing on one side";
  Check(why.empty(), "text colours switch at the boundary", why);
}

void CheckCentred(HWND dialog) {
  RECT outer{};
  GetWindowRect(dialog, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  Check(outer.left == x && outer.top == y, "centred",
        "at " + std::to_string(outer.left) + "," + std::to_string(outer.top) + ", expected " + std::to_string(x) +
            "," + std::to_string(y));
}

// A quit request in the queue is dropped and the messages behind it are still handled.
void CheckQuitIsDropped(HWND dialog, ProgressDialog& window) {
  State.Aborted = false;
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
  PostMessageA(dialog, WM_COMMAND, CancelButton, 0);
  window.PumpMessages();
  MSG left;
  const bool queueEmpty = !PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE);
  Check(State.Aborted && queueEmpty, "quit dropped, later messages handled");
  State.Aborted = false;
}

// Other programs on the same display centre their windows too: the clicks go to a corner
// where only this dialog is, kept above every other window.
void MoveOutOfTheWay(HWND dialog, ProgressDialog& window) {
  constexpr int cornerOffset = 8;  // pixels from the screen's top left corner
  SetWindowPos(dialog, HWND_TOPMOST, cornerOffset, cornerOffset, 0, 0, SWP_NOSIZE);
  window.PumpMessages();
}

void CheckClicks(HWND dialog, ProgressDialog& window) {
  MoveOutOfTheWay(dialog, window);
  State.Aborted = false;
  RequestClick(GetDlgItem(dialog, PercentBar), "bar");
  const bool barClicked = PumpUntil(window, [] { return barCommands > 0; });
  Check(barClicked && !State.Aborted, "click on the bar is ignored",
        barClicked ? "it set Aborted" : "no command from the bar");

  RequestClick(GetDlgItem(dialog, CancelButton), "cancel");
  // The click waits in the queue until the next pump.
  Check(!State.Aborted, "cancel waits for the pump");
  Check(PumpUntil(window, [] { return State.Aborted; }), "click on cancel sets Aborted");
}

void CheckPathLabel(HWND dialog) {
  ReportProgress(LongPath, 0, 100);
  char shown[ItemTextBufferSize] = {};
  GetDlgItemTextA(dialog, PathLabel, shown, sizeof shown);
  const std::string text = shown;
  Check(text.rfind("C:\\...\\", 0) == 0 && text.size() < std::strlen(LongPath) &&
            text.substr(text.size() - 8) == "LOGO.BMP",
        "path label is compacted", text);
}

int RunChecks(ProgressDialog& window, HWND dialog) {
  State.FirstProgress = true;
  window.PumpMessages();
  CheckCentred(dialog);
  char caption[32] = {};
  GetWindowTextA(dialog, caption, sizeof caption);
  Check(std::strcmp(caption, "Setup   ") == 0, "caption", caption);

  CheckPathLabel(dialog);
  CheckQuitIsDropped(dialog, window);

  const HWND bar = GetDlgItem(dialog, PercentBar);
  ShowPercentage(window, 0);
  CheckPaintedBar(bar, 0, "bar at 0 %");
  ShowPercentage(window, 37);
  CheckPaintedBar(bar, 37, "bar at 37 %");
  ShowPercentage(window, 100);
  CheckPaintedBar(bar, 100, "bar at 100 %");
  ShowPercentage(window, 50);
  CheckTextColoursSwitchAtTheBoundary(bar);

  CheckClicks(dialog, window);
  std::printf("failures %d\n", failures);
  std::fflush(stdout);
  return failures;
}

int ShowForScreenshot(ProgressDialog& window, HWND dialog, std::int32_t percentage) {
  State.FirstProgress = true;
  ReportProgress(LongPath, 0, 100);
  ShowPercentage(window, percentage);
  RECT outer{};
  GetWindowRect(dialog, &outer);
  std::printf("shoot %ld %ld %ld %ld\n", outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
  std::fflush(stdout);
  AwaitDriver();
  return 0;
}

}  // namespace
}  // namespace lzsfx

int main(int argc, char** argv) {
  using namespace lzsfx;
  std::unique_ptr<ProgressDialog> window = platform::CreateProgressDialog();
  State.ProgressWindow = window.get();
  const HWND dialog = ThreadDialog();
  if (dialog == nullptr) {
    std::printf("FAIL dialog: not created\nfailures 1\n");
    return 1;
  }
  dialogProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchCommands)));
  int result = 0;
  if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
    result = ShowForScreenshot(*window, dialog, std::atoi(argv[2]));
  } else {
    result = RunChecks(*window, dialog);
  }
  State.ProgressWindow = nullptr;
  return result;
}
