// Placeholder expansion of the launch command.
#include "extract/launch_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lzsfx {
namespace {

// Fixed directories, and a log of which ones were asked for.
struct FakeDirectories {
  std::vector<std::string> asked;
  std::string operator()(std::string_view placeholder) {
    asked.emplace_back(placeholder);
    if (placeholder == "<AD>") return "D:\\INSTALL\\";
    if (placeholder == "<WD>") return "C:\\WINDOWS\\";
    if (placeholder == "<SD>") return "C:\\WINDOWS\\SYSTEM\\";
    return "C:\\TEMP\\";
  }
};

struct ExpandCase {
  const char* name;
  const char* command;
  const char* expected;
};

const ExpandCase ExpandCases[] = {
    {"no placeholder", "C:\\TEMP\\SETUP.EXE /q", "C:\\TEMP\\SETUP.EXE /q"},
    {"empty", "", ""},
    {"all four", "<TD>S.EXE <AD> <WD> <SD>", "C:\\TEMP\\S.EXE D:\\INSTALL\\ C:\\WINDOWS\\ C:\\WINDOWS\\SYSTEM\\"},
    {"at start and end", "<AD>X <TD>", "D:\\INSTALL\\X C:\\TEMP\\"},
    {"only the first of each", "<TD>A <td>B", "C:\\TEMP\\A <td>B"},
    {"twice in a row", "<AD><AD>", "D:\\INSTALL\\<AD>"},
    {"any ASCII case", "<aD>|<Wd>|<sd>", "D:\\INSTALL\\|C:\\WINDOWS\\|C:\\WINDOWS\\SYSTEM\\"},
    {"extra brackets stay", "<<AD>>", "<D:\\INSTALL\\>"},
    {"non-ASCII look-alike is no placeholder", "<\xC1" "D>", "<\xC1" "D>"},
    {"partial placeholder", "<AD <TD", "<AD <TD"},
    {"replacement is not searched again", "<SD><WD>", "C:\\WINDOWS\\SYSTEM\\C:\\WINDOWS\\"},
};

TEST(ExpandPlaceholders, ReplacesFirstOccurrenceOfEach) {
  for (const ExpandCase& row : ExpandCases) {
    FakeDirectories directories;
    EXPECT_EQ(ExpandPlaceholders(row.command, std::ref(directories)), row.expected) << row.name;
  }
}

TEST(ExpandPlaceholders, AsksOnlyForDirectoriesInUse) {
  FakeDirectories directories;
  ExpandPlaceholders("SETUP.EXE <sd>", std::ref(directories));
  EXPECT_EQ(directories.asked, std::vector<std::string>{"<SD>"});
  directories.asked.clear();
  ExpandPlaceholders("SETUP.EXE", std::ref(directories));
  EXPECT_TRUE(directories.asked.empty());
}

TEST(DirectoryGetters, EndWithOneBackslash) {
  for (const std::string& directory : {ApplicationDir(), WindowsDir(), SystemDir(), TempDir()}) {
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '\\') << directory;
    EXPECT_TRUE(directory.size() < 2 || directory[directory.size() - 2] != '\\') << directory;
  }
  EXPECT_EQ(ExpandPlaceholders("<td>"), TempDir());
}

}  // namespace
}  // namespace lzsfx
