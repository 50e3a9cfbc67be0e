// The progress window on a terminal. When standard error is a terminal it shows the
// window's caption and heading once, then one status line, the bar with its percentage and
// the (shortened) path, which is redrawn in place whenever one of its texts changes. The
// texts arrive in the ANSI code page with '\' separators and are shown as UTF-8 with '/'.
// Ctrl-C is the cancel button: the signal only sets a flag, and the next PumpMessages turns
// it into State.Aborted, so a run ends exactly as a cancelled run does. A second Ctrl-C
// before the first was noticed ends the program at once, for a run that no longer reports.
// Without a terminal nothing is printed, but Ctrl-C still cancels. Destroying the window
// ends its status line and gives SIGINT back its previous handling.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "common/code_page.h"
#include "platform/progress_dialog.h"
#include "progress/dialog_item_text.h"
#include "progress/progress_bar.h"
#include "progress/progress_report.h"

namespace lzsfx {
namespace {

// The texts of the dialog template, trailing blanks aside.
constexpr std::string_view Caption = "Setup";
constexpr std::string_view Heading = "Kopiruje se...";
constexpr std::string_view CancelHint = "(Ctrl-C: Konec)";

constexpr int BarCells = 20;             // the bar's inner width in character cells
constexpr int StatusPrefixCells = 30;    // "[" bar "]", the percentage, and the gaps
constexpr int FallbackColumns = 80;      // when the terminal does not tell its width
constexpr int MinimumLabelCells = 10;

constexpr std::string_view DoneCell = "\u2588";      // full block
constexpr std::string_view UnfilledCell = "\u2591";  // light shade
constexpr std::string_view Ellipsis = "\u2026";
constexpr std::string_view ClearLine = "\r\x1b[K";

volatile std::sig_atomic_t cancelRequested = 0;

void WriteToTerminal(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(STDERR_FILENO, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

void OnInterrupt(int) {
  if (cancelRequested != 0) {
    // Only async-signal-safe calls here: die of the signal as without the window.
    signal(SIGINT, SIG_DFL);
    raise(SIGINT);
    return;
  }
  cancelRequested = 1;
}

int TerminalColumns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return FallbackColumns;
}

int LabelCells() {
  const int cells = TerminalColumns() - StatusPrefixCells;
  return cells < MinimumLabelCells ? MinimumLabelCells : cells;
}

// Code points of a UTF-8 text, taken as one character cell each.
int CellCount(std::string_view utf8) {
  int cells = 0;
  for (const char byte : utf8) {
    if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) ++cells;
  }
  return cells;
}

// The last `cells` cells of a text, an ellipsis first when something had to go.
std::string KeepLastCells(const std::string& utf8, int cells) {
  if (CellCount(utf8) <= cells) return utf8;
  std::size_t start = 0;
  int surplus = CellCount(utf8) - (cells - 1);
  while (surplus > 0 && start < utf8.size()) {
    ++start;
    while (start < utf8.size() && (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80) ++start;
    --surplus;
  }
  return std::string(Ellipsis) + utf8.substr(start);
}

std::string ForTerminal(std::string_view text) {
  std::string shown = CodePageToUtf8(text, AnsiCodePage());
  for (char& c : shown) {
    if (c == '\\') c = '/';
  }
  return shown;
}

class CellMeasure final : public TextMeasure {
 public:
  int ClientWidth() const override { return width_; }
  int TextWidth(std::string_view text) override { return CellCount(ForTerminal(text)); }

 private:
  int width_ = LabelCells();
};

class TerminalProgressDialog final : public ProgressDialog {
 public:
  TerminalProgressDialog() : terminal_(isatty(STDERR_FILENO) != 0) {
    cancelRequested = 0;
    struct sigaction interrupt {};
    interrupt.sa_handler = OnInterrupt;
    sigemptyset(&interrupt.sa_mask);
    interrupt.sa_flags = SA_RESTART;  // reads in progress (a question on stdin) go on
    sigaction(SIGINT, &interrupt, &previousInterrupt_);
    if (terminal_) {
      WriteToTerminal(std::string(Caption) + "\n" + std::string(Heading) + "  " +
                      std::string(CancelHint) + "\n");
      DrawStatus();
    }
  }

  ~TerminalProgressDialog() override {
    if (terminal_) WriteToTerminal("\n");  // the status line stays, what follows starts below it
    sigaction(SIGINT, &previousInterrupt_, nullptr);
  }
  TerminalProgressDialog(const TerminalProgressDialog&) = delete;
  TerminalProgressDialog& operator=(const TerminalProgressDialog&) = delete;

  void InvalidateAll() override { DrawStatus(); }

  std::string ItemText(int item) override {
    const auto found = texts_.find(item);
    return found == texts_.end() ? std::string() : CutToItemTextBuffer(found->second);
  }

  void SetItemText(int item, const std::string& text) override {
    std::string& current = texts_[item];
    if (current == text) return;
    current = text;
    DrawStatus();
  }

  std::int32_t ItemInt(int item) override { return ItemTextToInt(ItemText(item)); }

  std::unique_ptr<TextMeasure> MeasurePathLabel() override { return std::make_unique<CellMeasure>(); }

  void PumpMessages() override {
    if (cancelRequested != 0) {
      cancelRequested = 0;
      SetAborted();
    }
  }

 private:
  // "[bar] pct% path", cut to the terminal's width so that it never wraps and "\r" always
  // returns to its start.
  void DrawStatus() {
    if (!terminal_) return;
    const ProgressBarLayout bar = LayoutProgressBar(BarRect{0, 0, BarCells + 2, 3}, ItemInt(PercentBar));
    const int done = bar.filled < 0 ? 0 : bar.filled;
    std::string line(ClearLine);
    line += "[";
    for (int cell = 0; cell < BarCells; ++cell) line += cell < done ? DoneCell : UnfilledCell;
    line += "] ";
    line += std::string(bar.text.size() < 4 ? 4 - bar.text.size() : 0, ' ') + bar.text + "  ";
    const int room = TerminalColumns() - 1 - CellCount(line.substr(ClearLine.size()));
    if (room > 0) line += KeepLastCells(ForTerminal(ItemText(PathLabel)), room);
    WriteToTerminal(line);
  }

  bool terminal_;
  std::map<int, std::string> texts_;
  struct sigaction previousInterrupt_ {};
};

}  // namespace

std::unique_ptr<ProgressDialog> platform::CreateProgressDialog() { return std::make_unique<TerminalProgressDialog>(); }

}  // namespace lzsfx
