// The extraction run in-process over the POSIX layer: the program file and its archive
// offset come through the layer's test hooks, the window is the recording one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/extraction_state.h"
#include "common/failure.h"
#include "extract/extraction_driver.h"
#include "extract/native_path.h"
#include "platform/posix/posix_test_hooks.h"
#include "support/archive_builder.h"
#include "support/recording_progress_dialog.h"

namespace lzsfx {
namespace {

namespace fs = std::filesystem;
using namespace test_support;

class RunExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() /
            ("lzsfx-run-extraction-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "-" + std::to_string(getpid()));
    fs::remove_all(work_);
    fs::create_directories(work_ / "out");
    platform::testing::SetStringResource(1, "000000000");
    platform::testing::SetProgramPath(CorePath(work_ / "program"));
  }
  void TearDown() override {
    platform::testing::ResetAll();
    fs::remove_all(work_);
  }

  void WriteProgram(const ByteBuffer& archive) { WriteProgramFile((work_ / "program").string(), {}, 0, archive); }
  std::string Destination() const { return CorePath(work_ / "out") + "\\"; }

  fs::path work_;
};

// The window is about to go when the run ends; after a failure it is still up behind the
// report and stays the run's.
TEST_F(RunExtractionTest, ProgressWindowIsTheRunsOnlyWhileItLasts) {
  RecordingProgressDialog window;
  WriteProgram(BuildArchive({{"A.TXT", "alpha"}}, "[VESK Configuration]\r\nExecutable=A.TXT\r\n"));
  EXPECT_EQ(RunExtraction(&window, Destination()), Destination() + "A.TXT");
  EXPECT_EQ(State.ProgressWindow, nullptr);
  EXPECT_FALSE(window.textChanges.empty()) << "the run reported to the window";

  ByteBuffer cut = BuildArchive({{"A.TXT", std::string(5000, 'a')}}, "[VESK Configuration]\r\n");
  cut.resize(cut.size() - 20);  // inside the configuration entry
  WriteProgram(cut);
  EXPECT_THROW(RunExtraction(&window, Destination()), Exception);
  EXPECT_EQ(State.ProgressWindow, &window);
  State.ProgressWindow = nullptr;
}

}  // namespace
}  // namespace lzsfx
