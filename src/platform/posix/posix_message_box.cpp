// MessageBoxA on POSIX. The answer comes, in this order of precedence, from the answers
// scripted in-process (posix_test_hooks.h), from LZSFX_MESSAGEBOX_ANSWERS, or from the
// user at the controlling terminal; without a terminal the box cannot be shown and the
// result is 0. Every box is recorded in-process and, with LZSFX_MESSAGEBOX_LOG, logged.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <span>
#include <string_view>

#include "platform/posix/posix_hook_state.h"
#include "platform/posix/posix_log.h"
#include "platform/posix/posix_paths.h"
#include "platform/system.h"

namespace lzsfx::platform {
namespace {

constexpr unsigned ButtonsMask = 0x0F;
constexpr unsigned DefaultButtonMask = 0xF00;
constexpr unsigned DefaultButtonShift = 8;
constexpr int IdAbort = 3, IdRetry = 4, IdIgnore = 5;

struct Button {
  char key;  // typed at the terminal, either case
  const char* label;
  int result;
};

constexpr Button Ok{'o', "OK", IdOk}, Cancel{'c', "Cancel", IdCancel}, Abort{'a', "Abort", IdAbort},
    Retry{'r', "Retry", IdRetry}, Ignore{'i', "Ignore", IdIgnore}, Yes{'y', "Yes", IdYes}, No{'n', "No", IdNo};

// The buttons of each MB_ button set, by its value (MB_OK 0 to MB_RETRYCANCEL 5).
constexpr Button ButtonSets[][3] = {{Ok}, {Ok, Cancel}, {Abort, Retry, Ignore},
                                    {Yes, No, Cancel}, {Yes, No}, {Retry, Cancel}};
constexpr int ButtonCounts[] = {1, 2, 3, 3, 2, 2};

std::span<const Button> ButtonsOf(unsigned style) {
  const unsigned set = (style & ButtonsMask) < std::size(ButtonCounts) ? style & ButtonsMask : 0;
  return {ButtonSets[set], static_cast<std::size_t>(ButtonCounts[set])};
}

// The answers of LZSFX_MESSAGEBOX_ANSWERS, read at the first box of the process.
std::optional<std::deque<int>>& EnvironmentAnswers() {
  static std::optional<std::deque<int>> answers = [] {
    std::optional<std::deque<int>> parsed;
    const char* list = std::getenv("LZSFX_MESSAGEBOX_ANSWERS");
    if (list == nullptr) return parsed;
    parsed.emplace();
    std::string_view rest = list;
    while (!rest.empty()) {
      const std::size_t comma = rest.find(',');
      const std::string_view word = rest.substr(0, comma);
      rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
      parsed->push_back(word == "ok" ? IdOk : word == "yes" ? IdYes : word == "no" ? IdNo
                        : word == "cancel" ? IdCancel : 0);
    }
    return parsed;
  }();
  return answers;
}

std::optional<int> ScriptedAnswer() {
  for (auto* script : {&detail::Hooks().messageBoxAnswers, &EnvironmentAnswers()}) {
    if (!script->has_value()) continue;
    if ((*script)->empty()) return 0;
    const int answer = (*script)->front();
    (*script)->pop_front();
    return answer;
  }
  return std::nullopt;
}

void WriteAll(int descriptor, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(descriptor, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// One line from the terminal; nullopt at its end.
std::optional<std::string> ReadLine(int descriptor) {
  std::string line;
  char c;
  for (;;) {
    const ssize_t got = read(descriptor, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
    if (c == '\n') return line;
    line += c;
  }
}

// Closing the box without choosing (the end of the terminal's input) answers as the
// Escape key does: Cancel where there is one, OK in a box that has only OK.
int ClosedWithoutChoice(std::span<const Button> buttons) {
  for (const Button& button : buttons) {
    if (button.result == IdCancel) return IdCancel;
  }
  return buttons.size() == 1 ? buttons[0].result : 0;
}

int AskOnTerminal(const std::string& text, const std::string& caption, unsigned style) {
  const int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal < 0) return 0;
  const std::span<const Button> buttons = ButtonsOf(style);
  const std::size_t defaultIndex = (style & DefaultButtonMask) >> DefaultButtonShift;
  const Button& preset = buttons[defaultIndex < buttons.size() ? defaultIndex : 0];

  std::string prompt;
  for (const Button& button : buttons) {
    prompt += prompt.empty() ? "" : ", ";
    prompt += std::string("(") + static_cast<char>(button.key - 'a' + 'A') + ")" + (button.label + 1);
  }
  prompt += std::string(" [") + preset.label + "]: ";
  WriteAll(terminal, "\n== " + detail::AnsiToUtf8(caption) + " ==\n" + detail::AnsiToUtf8(text) + "\n");

  int result = 0;
  while (result == 0) {
    WriteAll(terminal, prompt);
    const std::optional<std::string> line = ReadLine(terminal);
    if (!line) {
      result = ClosedWithoutChoice(buttons);
      break;
    }
    const std::string_view answer = detail::TrimLine(*line);
    if (answer.empty()) result = preset.result;
    for (const Button& button : buttons) {
      if (!answer.empty() && (answer[0] | 0x20) == button.key) result = button.result;
    }
  }
  close(terminal);
  return result;
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) {
  const std::optional<int> scripted = ScriptedAnswer();
  const int result = scripted ? *scripted : AskOnTerminal(text, caption, style);
  detail::Hooks().messageBoxes.push_back({style, caption, text, result});
  char styleText[16];
  std::snprintf(styleText, sizeof styleText, "0x%X", style);
  detail::AppendLogRecord("LZSFX_MESSAGEBOX_LOG", {styleText, detail::AnsiToUtf8(caption),
                                                   detail::AnsiToUtf8(text), std::to_string(result)});
  return result;
}

}  // namespace lzsfx::platform
