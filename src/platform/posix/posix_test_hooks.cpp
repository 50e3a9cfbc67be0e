#include "platform/posix/posix_test_hooks.h"

#include "platform/posix/posix_hook_state.h"

namespace lzsfx::platform {
namespace detail {

HookState& Hooks() {
  static HookState state;
  return state;
}

}  // namespace detail

namespace testing {

using detail::Hooks;

void SetProgramPath(std::string windowsPath) { Hooks().programPath = std::move(windowsPath); }

void SetTempDirectory(std::string windowsPath) { Hooks().tempDirectory = std::move(windowsPath); }

void SetStringResource(unsigned id, std::string text) { Hooks().strings[id] = std::move(text); }

void RemoveStringResource(unsigned id) { Hooks().strings[id] = std::nullopt; }

void ScriptMessageBoxAnswers(std::vector<int> answers) {
  Hooks().messageBoxAnswers.emplace(answers.begin(), answers.end());
}

const std::vector<MessageBoxRecord>& MessageBoxesShown() { return Hooks().messageBoxes; }

void RecordLaunchesInstead() { Hooks().recordLaunches = true; }

const std::vector<LaunchRecord>& LaunchesRecorded() { return Hooks().launches; }

void ResetAll() { Hooks() = detail::HookState{}; }

}  // namespace testing
}  // namespace lzsfx::platform
