// The state behind posix_test_hooks.h, shared by the files of the POSIX layer that
// consult it. Empty optionals and flags mean "behave normally".
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/posix_test_hooks.h"

namespace lzsfx::platform::detail {

struct HookState {
  std::optional<std::string> programPath;
  std::optional<std::string> tempDirectory;
  std::map<unsigned, std::optional<std::string>> strings;  // nullopt: the string is removed
  std::optional<std::deque<int>> messageBoxAnswers;
  std::vector<testing::MessageBoxRecord> messageBoxes;
  bool recordLaunches = false;
  std::vector<testing::LaunchRecord> launches;
};

HookState& Hooks();

}  // namespace lzsfx::platform::detail
