// Packed dates, target paths and directory creation of the entry output.
#include "extract/entry_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdint>
#include <limits>
#include <string>

#include "archive/entry_table.h"
#include "common/extraction_state.h"
#include "common/failure.h"
#include "extract/native_path.h"
#include "platform/files.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

constexpr long double SecondsPerDay = 86'400;

long double DayAt(long double day, int hour, int minute, int second) {
  return day + (hour * 3600 + minute * 60 + second) / SecondsPerDay;
}

constexpr std::uint32_t Packed(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::uint32_t>(((year - 1980) * 512 + month * 32 + day) << 16 |
                                    (hour * 2048 + minute * 32 + second / 2));
}

struct PackCase {
  const char* name;
  long double date;
  std::uint32_t expected;
};

// Day numbers: 29221 is 1980-01-01, 36526 is 2000-01-01, 73050 is 2099-12-31.
const PackCase PackCases[] = {
    {"first packable day", 29221, Packed(1980, 1, 1, 0, 0, 0)},
    {"last second of 1979", DayAt(29220, 23, 59, 59), 0},
    {"last packable second", DayAt(73050, 23, 59, 59), Packed(2099, 12, 31, 23, 59, 58)},
    {"first day of 2100", 73051, 0},
    {"odd second rounds down to even", DayAt(36526, 12, 20, 57), Packed(2000, 1, 1, 12, 20, 56)},
    {"stored catalog date", 36201.514537037L, Packed(1999, 2, 10, 12, 20, 56)},
    {"leap day", DayAt(36585, 8, 30, 0), Packed(2000, 2, 29, 8, 30, 0)},
    {"fraction of a millisecond before midnight", 36527 - 0.4L / (SecondsPerDay * 1000), Packed(2000, 1, 2, 0, 0, 0)},
    {"half a second before midnight stays", 36527 - 0.5L / SecondsPerDay, Packed(2000, 1, 1, 23, 59, 58)},
    {"negative day", -1.5L, 0},
    {"huge value", 1e300L, 0},
    {"not a number", std::numeric_limits<long double>::quiet_NaN(), 0},
};

TEST(PackDosDateTime, PacksOnlyYears1980To2099) {
  for (const PackCase& row : PackCases) {
    EXPECT_EQ(PackDosDateTime(row.date), row.expected) << row.name;
  }
}

struct TargetCase {
  const char* name;
  const char* directory;
  const char* entryName;
  bool useDirs;
  const char* expected;
};

const TargetCase TargetCases[] = {
    {"keeps directories", "C:\\TEMP\\", "SUB\\DIR\\FILE.DAT", true, "C:\\TEMP\\SUB\\DIR\\FILE.DAT"},
    {"flattens without UseDirs", "C:\\TEMP\\", "SUB\\DIR\\FILE.DAT", false, "C:\\TEMP\\FILE.DAT"},
    {"drops one leading backslash", "C:\\TEMP\\", "\\SUB\\FILE.DAT", true, "C:\\TEMP\\SUB\\FILE.DAT"},
    {"drops only one", "C:\\TEMP\\", "\\\\FILE.DAT", true, "C:\\TEMP\\\\FILE.DAT"},
    {"adds the separator", "C:\\TEMP", "FILE.DAT", true, "C:\\TEMP\\FILE.DAT"},
    {"directory entry", "C:\\TEMP\\", "SUB\\", true, "C:\\TEMP\\SUB\\"},
    {"directory entry flattened", "C:\\TEMP\\", "SUB\\", false, "C:\\TEMP\\"},
};

TEST(TargetPath, JoinsNameBelowDirectory) {
  for (const TargetCase& row : TargetCases) {
    EXPECT_EQ(TargetPath(row.directory, row.entryName, row.useDirs), row.expected) << row.name;
  }
}

// A fresh directory below the system's temporary directory, removed again at the end.
class EnsureDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = platform::TempDirectory() + "lzsfx-extract-" + info->name();
    std::filesystem::remove_all(NativePath(root_));
    ASSERT_TRUE(platform::NewDirectory(root_));
  }
  void TearDown() override { std::filesystem::remove_all(NativePath(root_)); }

  std::string root_;
};

void ExpectInvalidDirectory(const std::string& path) {
  try {
    EnsureDirectory(path);
    ADD_FAILURE() << "no failure for " << path;
  } catch (const Exception& failure) {
    EXPECT_EQ(failure.Message(), "This is not a valid directory name");
    EXPECT_STREQ(failure.ClassName(), "Exception");
  }
}

TEST_F(EnsureDirectoryTest, CreatesMissingParentsOutermostFirst) {
  EnsureDirectory(root_ + "\\A\\B\\C\\");
  EXPECT_TRUE(IsDirectory(root_ + "\\A"));
  EXPECT_TRUE(IsDirectory(root_ + "\\A\\B\\C"));
  EnsureDirectory(root_ + "\\A\\B\\C");  // existing: nothing to do
}

TEST_F(EnsureDirectoryTest, EntryTargetPathCreatesTheTargetsDirectory) {
  EXPECT_EQ(EntryTargetPath(root_, "\\A\\B\\FILE", true), root_ + "\\A\\B\\FILE");
  EXPECT_TRUE(IsDirectory(root_ + "\\A\\B"));
  EXPECT_FALSE(IsDirectory(root_ + "\\A\\B\\FILE"));
}

TEST_F(EnsureDirectoryTest, ShortPathsCountAsExisting) {
  for (const char* path : {"C:\\", "C:", "\\", "X"}) EXPECT_NO_THROW(EnsureDirectory(path)) << path;
}

TEST_F(EnsureDirectoryTest, RefusesWhatCannotBeADirectory) {
  ExpectInvalidDirectory("");
  ExpectInvalidDirectory("relative\\path");  // its outermost parent is empty
  FileHandle file = platform::CreateForWriting(root_ + "\\FILE");
  ASSERT_NE(file, InvalidFileHandle);
  platform::Close(file);
  ExpectInvalidDirectory(root_ + "\\FILE\\X");  // a file stands in the way
}

// Names that the catalog reader refuses too; the extraction refuses them again, before
// anything is created.
TEST_F(EnsureDirectoryTest, UnsafeNamesAreRefusedBeforeAnythingIsCreated) {
  const ExtractionOptions options;
  for (const char* name : {"..\\ESCAPED", "A\\..\\..\\ESCAPED", "C:\\ESCAPED", "A\\B:STREAM", "CON"}) {
    EntryTableReset();
    EntryTableAdd(std::string(name) + "\t5\t1\t32\t36526\t0");
    try {
      ExtractEntry(0, root_ + "\\A", options);
      ADD_FAILURE() << "no failure for " << name;
    } catch (const Exception& failure) {
      EXPECT_NE(failure.Message().find(name), std::string::npos) << failure.Message();
    }
    EntryTableClear();
  }
  EXPECT_FALSE(std::filesystem::exists(NativePath(root_ + "\\A")));
  EXPECT_FALSE(std::filesystem::exists(NativePath(root_ + "\\ESCAPED")));
}

TEST_F(EnsureDirectoryTest, InputHookDeliversNoMoreThanTheEntrysSize) {
  const std::string archive = root_ + "\\ARCHIVE";
  FileHandle file = platform::CreateForWriting(archive);
  ASSERT_NE(file, InvalidFileHandle);
  const std::string bytes(5000, 'x');
  std::uint32_t written = 0;
  ASSERT_TRUE(platform::Write(file, bytes.data(), 5000, written));
  ASSERT_TRUE(platform::Seek(file, 0));

  const ExtractionState saved = State;
  State.ArchiveHandle = file;
  State.EntryLimit = 300;
  State.EntryBytesRead = 0;
  State.TotalRead = 1000;
  std::uint8_t buffer[4096];
  std::uint16_t reported = 0;
  ExtractionInputHook(buffer, sizeof buffer, reported);
  EXPECT_EQ(reported, 300);
  ExtractionInputHook(buffer, sizeof buffer, reported);
  EXPECT_EQ(reported, 0);
  EXPECT_EQ(State.EntryBytesRead, 300);
  EXPECT_EQ(State.TotalRead, 1300);

  State.EntryBytesRead = 0;
  State.Aborted = true;  // a cancel delivers nothing more
  ExtractionInputHook(buffer, sizeof buffer, reported);
  EXPECT_EQ(reported, 0);

  // Overlapping entries of a hostile catalog can read more than 2 GiB in all: the count
  // wraps like the 32-bit count it is.
  State.Aborted = false;
  State.EntryBytesRead = 0;
  State.TotalRead = std::numeric_limits<std::int32_t>::max() - 99;
  ExtractionInputHook(buffer, sizeof buffer, reported);
  EXPECT_EQ(reported, 300);
  EXPECT_EQ(State.TotalRead, std::numeric_limits<std::int32_t>::min() + 200);
  platform::Close(file);
  State = saved;
}

}  // namespace
}  // namespace lzsfx
