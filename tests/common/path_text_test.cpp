#include <gtest/gtest.h>

#include "common/path_text.h"

namespace lzsfx {
namespace {

struct PathRow {
  const char* path;
  const char* directory;
  const char* fileName;
};

TEST(PathText, SplitsAtTheLastBackslashOrColon) {
  const PathRow rows[] = {
      {"C:\\TEMP\\SETUP.EXE", "C:\\TEMP\\", "SETUP.EXE"},
      {"C:SETUP.EXE", "C:", "SETUP.EXE"},
      {"SETUP.EXE", "", "SETUP.EXE"},
      {"\\\\SERVER\\SHARE\\", "\\\\SERVER\\SHARE\\", ""},
      {"A\\B:C", "A\\B:", "C"},
      {"", "", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DirectoryPart(row.path), row.directory) << row.path;
    EXPECT_EQ(FileNamePart(row.path), row.fileName) << row.path;
  }
}

TEST(PathText, FileNamePartKeepsAtMost255Characters) {
  const std::string longName(300, 'x');
  EXPECT_EQ(FileNamePart("C:\\" + longName), std::string(255, 'x'));
}

TEST(PathText, TrailingBackslashIsAddedOnlyWhereMissing) {
  EXPECT_EQ(WithTrailingBackslash(""), "");
  EXPECT_EQ(WithTrailingBackslash("C:\\TEMP"), "C:\\TEMP\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\TEMP\\"), "C:\\TEMP\\");
  EXPECT_EQ(WithTrailingBackslash("C:"), "C:\\");
}

}  // namespace
}  // namespace lzsfx
