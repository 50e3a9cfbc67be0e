#include "platform/posix/posix_command_line.h"

namespace lzsfx::platform::detail {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine) {
  while (!commandLine.empty() && IsBlank(commandLine.front())) commandLine.remove_prefix(1);
  std::vector<ProgramCandidate> candidates;
  if (commandLine.empty()) return candidates;
  if (commandLine.front() == '"') {
    const std::size_t close = commandLine.find('"', 1);
    if (close != std::string_view::npos) {
      candidates.push_back({std::string(commandLine.substr(1, close - 1)), commandLine.substr(close + 1)});
      return candidates;
    }
    // An unclosed quote is no quoting: the quote is part of the name, read word by word.
  }
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    if (IsBlank(commandLine[i])) {
      candidates.push_back({std::string(commandLine.substr(0, i)), commandLine.substr(i)});
    }
  }
  candidates.push_back({std::string(commandLine), {}});
  return candidates;
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  for (;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return arguments;
    std::string argument;
    bool quoted = false;
    while (i < text.size() && (quoted || !IsBlank(text[i]))) {
      if (text[i] == '\\') {
        std::size_t backslashes = 0;
        while (i < text.size() && text[i] == '\\') ++backslashes, ++i;
        if (i < text.size() && text[i] == '"') {
          argument.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            argument += '"';
            ++i;
          }
        } else {
          argument.append(backslashes, '\\');
        }
      } else if (text[i] == '"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
          argument += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument += text[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
}

}  // namespace lzsfx::platform::detail
