#include "extract/program_entry.h"

#include <memory>
#include <string>

#include "common/extraction_state.h"
#include "extract/extraction_driver.h"
#include "extract/failure_report.h"
#include "extract/launch_command.h"
#include "platform/progress_dialog.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

constexpr int ExitNormal = 0;
constexpr int ExitFailure = 1;
constexpr char LaunchErrorCaption[] = "Error";
constexpr char LaunchErrorText[] = "The program could not be started:\r\n";

// Starts the command; a command that does not start is reported, not passed over.
int Launch(const std::string& command) {
  if (platform::LaunchCommand(command)) return ExitNormal;
  platform::ShowMessageBox(LaunchErrorText + command, LaunchErrorCaption, platform::MbOk | platform::MbIconExclamation);
  return ExitFailure;
}

// The progress window of the run; nothing refers to it once it is gone.
class ProgressWindow {
 public:
  ProgressWindow() = default;
  ~ProgressWindow() { Close(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  ProgressDialog* Open() {
    dialog_ = platform::CreateProgressDialog();
    return dialog_.get();
  }
  void Close() {
    State.ProgressWindow = nullptr;
    dialog_.reset();
  }

 private:
  std::unique_ptr<ProgressDialog> dialog_;
};

}  // namespace

int RunProgram() {
  // Declared outside the guard: the window stays on the screen behind the failure report
  // and goes only when the program ends.
  ProgressWindow window;
  try {
    ProgressDialog* dialog = window.Open();
    const std::string destination = TempDir();
    const std::string command = RunExtraction(dialog, destination);
    window.Close();
    if (command.empty()) return ExitNormal;
    return Launch(ExpandPlaceholders(command));
  } catch (...) {
    ShowCurrentExceptionReport();
  }
  return ExitFailure;
}

}  // namespace lzsfx
