// The terminal progress window: what it prints on a terminal and off one, and Ctrl-C as
// its cancel button.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/extraction_state.h"
#include "platform/progress_dialog.h"

namespace lzsfx {
namespace {

// Runs body with standard error sent to `target`, then gives back what `source` received.
std::string CaptureStandardError(int target, int source, const std::function<void()>& body) {
  const int saved = dup(STDERR_FILENO);
  dup2(target, STDERR_FILENO);
  body();
  dup2(saved, STDERR_FILENO);
  close(saved);
  close(target);
  fcntl(source, F_SETFL, O_NONBLOCK);
  std::string received;
  char buffer[4096];
  ssize_t count;
  while ((count = read(source, buffer, sizeof buffer)) > 0) received.append(buffer, static_cast<std::size_t>(count));
  close(source);
  return received;
}

void ShowOneFile() {
  const std::unique_ptr<ProgressDialog> window = platform::CreateProgressDialog();
  window->SetItemText(PathLabel, "C:\\...\\SETUP\\DATA.CAB");
  window->SetItemText(PercentBar, "37");
  window->SetItemText(PercentBar, "37");  // no change, no redraw
  EXPECT_EQ(window->ItemText(PathLabel), "C:\\...\\SETUP\\DATA.CAB");
  EXPECT_EQ(window->ItemInt(PercentBar), 37);
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(TerminalProgressWindow, DrawsOnATerminalAndEndsItsLine) {
  int terminal = -1;
  int follower = -1;
  winsize size{};
  size.ws_col = 80;
  size.ws_row = 24;
  ASSERT_EQ(openpty(&terminal, &follower, nullptr, nullptr, &size), 0);
  const std::string shown = CaptureStandardError(follower, terminal, ShowOneFile);
  EXPECT_NE(shown.find("Setup"), std::string::npos);
  EXPECT_NE(shown.find("Kopiruje se..."), std::string::npos);
  EXPECT_NE(shown.find(" 37%  C:/.../SETUP/DATA.CAB"), std::string::npos) << shown;
  EXPECT_EQ(Occurrences(shown, "37%"), 1u);
  EXPECT_EQ(shown.back(), '\n');  // what follows starts on a line of its own
}

TEST(TerminalProgressWindow, PrintsNothingWithoutATerminal) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  EXPECT_EQ(CaptureStandardError(pipeEnds[1], pipeEnds[0], ShowOneFile), "");
}

void PreviousHandler(int) {}

TEST(TerminalProgressWindow, CtrlCCancelsAtTheNextPumpAndTheOldHandlerReturns) {
  struct sigaction previous {};
  previous.sa_handler = PreviousHandler;
  sigemptyset(&previous.sa_mask);
  sigaction(SIGINT, &previous, nullptr);
  State.Aborted = false;
  {
    const std::unique_ptr<ProgressDialog> window = platform::CreateProgressDialog();
    window->PumpMessages();
    EXPECT_FALSE(State.Aborted);
    raise(SIGINT);
    EXPECT_FALSE(State.Aborted);  // noticed only when the window is serviced
    window->PumpMessages();
    EXPECT_TRUE(State.Aborted);
  }
  struct sigaction restored {};
  sigaction(SIGINT, nullptr, &restored);
  EXPECT_EQ(restored.sa_handler, PreviousHandler);
  signal(SIGINT, SIG_DFL);
  State.Aborted = false;
}

}  // namespace
}  // namespace lzsfx
