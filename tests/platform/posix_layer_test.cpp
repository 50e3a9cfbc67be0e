// What only the POSIX layer does: the command-line rules of its launch, the detached
// start, the boundary conversions, the message-box script and log, and its test hooks.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/code_page.h"
#include "common/number_text.h"
#include "platform/posix/posix_command_line.h"
#include "platform/posix/posix_paths.h"
#include "platform/posix/posix_test_hooks.h"
#include "platform/system.h"
#include "scratch_directory.h"

namespace lzsfx::platform {
namespace {

using Words = std::vector<std::string>;

struct SplitCase {
  const char* text;
  Words arguments;
};

// The Microsoft C run-time's examples and the cases around them.
const SplitCase SplitCases[] = {
    {"", {}},
    {"  \t ", {}},
    {"a b\tc", {"a", "b", "c"}},
    {"\"a b c\" d e", {"a b c", "d", "e"}},
    {"\"ab\\\"c\" \"\\\\\" d", {"ab\"c", "\\", "d"}},
    {"a\\\\\\b d\"e f\"g h", {"a\\\\\\b", "de fg", "h"}},
    {"a\\\\\\\"b c d", {"a\\\"b", "c", "d"}},
    {"a\\\\\\\\\"b c\" d e", {"a\\\\b c", "d", "e"}},
    {"a\"b\"\" c d", {"ab\" c d"}},
    {"\"\" x", {"", "x"}},
    {"\"unclosed quote", {"unclosed quote"}},
    {"C:\\dir\\ /S", {"C:\\dir\\", "/S"}},
};

TEST(PosixCommandLineTest, SplitsArgumentsAsTheMicrosoftRunTime) {
  for (const SplitCase& row : SplitCases) EXPECT_EQ(detail::SplitArguments(row.text), row.arguments) << row.text;
}

Words Programs(std::string_view commandLine) {
  Words programs;
  for (const auto& candidate : detail::ProgramCandidates(commandLine)) programs.push_back(candidate.program);
  return programs;
}

TEST(PosixCommandLineTest, ProgramReadingsInCreateProcessOrder) {
  EXPECT_EQ(Programs("c:\\program files\\sub dir\\program name"),
            (Words{"c:\\program", "c:\\program files\\sub", "c:\\program files\\sub dir\\program",
                   "c:\\program files\\sub dir\\program name"}));
  EXPECT_EQ(Programs("\"c:\\a b\\setup.exe\" /x \"y z\""), Words{"c:\\a b\\setup.exe"});
  EXPECT_EQ(detail::ProgramCandidates("\"c:\\a b\\setup.exe\" /x")[0].rest, " /x");
  EXPECT_EQ(Programs("  setup"), Words{"setup"});
  EXPECT_EQ(Programs("\"open x"), (Words{"\"open", "\"open x"})) << "an unclosed quote quotes nothing";
  EXPECT_EQ(Programs(""), Words{});
}

class PosixLaunchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(directory.Created()); }
  void TearDown() override { testing::ResetAll(); }

  std::string Native(const std::string& name) const { return NativePath(directory / name).string(); }

  void MakeExecutable(const std::string& name, const std::string& content) const {
    ASSERT_TRUE(directory.WriteFile(name, content));
    std::filesystem::permissions(Native(name), std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
  }

  ScratchDirectory directory;
};

TEST_F(PosixLaunchTest, ShortestExistingReadingIsTheProgram) {
  MakeExecutable("a", "");
  MakeExecutable("a b", "");
  ASSERT_TRUE(NewDirectory(directory / "dir"));
  MakeExecutable("dir x", "");
  testing::RecordLaunchesInstead();

  EXPECT_TRUE(LaunchCommand((directory / "a b") + " c"));
  EXPECT_TRUE(LaunchCommand("\"" + (directory / "a b") + "\" c"));
  EXPECT_TRUE(LaunchCommand((directory / "dir x") + " \"y z\""));
  EXPECT_FALSE(LaunchCommand(directory / "nothing here"));
  const auto& launches = testing::LaunchesRecorded();
  ASSERT_EQ(launches.size(), 4u);
  EXPECT_EQ(launches[0].program, Native("a"));
  EXPECT_EQ(launches[0].arguments, (Words{"b", "c"}));
  EXPECT_EQ(launches[1].program, Native("a b"));
  EXPECT_EQ(launches[1].arguments, Words{"c"});
  EXPECT_EQ(launches[2].program, Native("dir x")) << "a directory is no program";
  EXPECT_EQ(launches[2].arguments, Words{"y z"});
  EXPECT_EQ(launches[3].program, "");
}

TEST_F(PosixLaunchTest, ExeIsAddedToANameWithoutExtension) {
  MakeExecutable("setup.exe", "");
  testing::RecordLaunchesInstead();
  EXPECT_TRUE(LaunchCommand(directory / "setup"));
  ASSERT_EQ(testing::LaunchesRecorded().size(), 1u);
  EXPECT_EQ(testing::LaunchesRecorded()[0].program, Native("setup.exe"));
}

TEST_F(PosixLaunchTest, BareNameIsFoundBesideTheProgram) {
  MakeExecutable("tool.sh", "");
  testing::SetProgramPath(directory / "stub");
  testing::RecordLaunchesInstead();
  EXPECT_TRUE(LaunchCommand("tool.sh -q"));
  ASSERT_EQ(testing::LaunchesRecorded().size(), 1u);
  EXPECT_EQ(testing::LaunchesRecorded()[0].program, Native("tool.sh"));
}

// Waits for a file that a started program writes; a bound, not a measurement.
bool AppearsWithin(const std::string& path, std::chrono::seconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < end) {
    if (std::filesystem::exists(path) && std::filesystem::file_size(path) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST_F(PosixLaunchTest, StartsTheProgramDetachedWithItsArguments) {
  // Unpacked without execute permission, as the extraction writes every file.
  ASSERT_TRUE(directory.WriteFile("setup.sh", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$1\"\n"));
  const std::string out = Native("out.txt");
  EXPECT_TRUE(LaunchCommand((directory / "setup.sh") + " " + out + " \"two words\" x"));
  ASSERT_TRUE(AppearsWithin(out, std::chrono::seconds(30)));
  std::ifstream written(out);
  std::stringstream content;
  content << written.rdbuf();
  EXPECT_EQ(content.str(), out + "|two words|x|");
}

TEST_F(PosixLaunchTest, AFileThatCannotBeExecutedIsNotStarted) {
  MakeExecutable("garbage.bin", std::string("\x7F" "ELF\x01\x02 not a program", 20));
  EXPECT_FALSE(LaunchCommand(directory / "garbage.bin"));
}

TEST(PosixBoundaryTest, PathsAndTextsChangeAtTheBoundary) {
  SetAnsiCodePage(1250);
  EXPECT_EQ(detail::ToPosixPath("\\tmp\\Pam\xEC\x9D\\x"), "/tmp/Pam\xC4\x9B\xC5\xA5/x");
  EXPECT_EQ(detail::ToWindowsPath("/tmp/Pam\xC4\x9B\xC5\xA5/x"), "\\tmp\\Pam\xEC\x9D\\x");
  SetAnsiCodePage(Utf8CodePage);
  EXPECT_EQ(detail::ToPosixPath("\\a\\\xC4\x9B"), "/a/\xC4\x9B");
  SetAnsiCodePage(DefaultAnsiCodePage);
  EXPECT_EQ(detail::ToWindowsPath("/a/\xC4\x9B"), std::nullopt) << "no look-alike where 1252 has no byte";
}

TEST(PosixBoundaryTest, InitializeLocaleReadsTheEnvironment) {
  setenv("LZSFX_CODEPAGE", "1250", 1);
  setenv("LC_ALL", "C", 1);
  InitializeLocale();
  EXPECT_EQ(AnsiCodePage(), 1250);
  EXPECT_EQ(DecimalSeparator(), '.');
  setenv("LZSFX_CODEPAGE", "12345", 1);
  InitializeLocale();
  EXPECT_EQ(AnsiCodePage(), DefaultAnsiCodePage) << "an unsupported code page";
  unsetenv("LZSFX_CODEPAGE");
  unsetenv("LC_ALL");
}

TEST(PosixBoundaryTest, TempDirectoryFromTmpdir) {
  const char* saved = std::getenv("TMPDIR");
  const std::string previous = saved ? saved : "";
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(TempDirectory(), "\\var\\tmp\\");
  setenv("TMPDIR", "relative", 1);
  EXPECT_EQ(TempDirectory(), "\\tmp\\") << "only an absolute directory is taken";
  setenv("TMPDIR", "/x/\xC4\x8Dt", 1);  // c with caron: no byte in 1252
  EXPECT_EQ(TempDirectory(), "\\tmp\\") << "no look-alike \\x\\ct\\";
  SetAnsiCodePage(1250);
  EXPECT_EQ(TempDirectory(), "\\x\\\xE8t\\");
  SetAnsiCodePage(DefaultAnsiCodePage);
  setenv("TMPDIR", ("/" + std::string(300, 'x')).c_str(), 1);
  EXPECT_EQ(TempDirectory(), "") << "does not fit the 260-byte buffer";
  saved ? setenv("TMPDIR", previous.c_str(), 1) : unsetenv("TMPDIR");
}

namespace fs = std::filesystem;

std::string ReadNative(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Links planted at a target: nothing that writes or changes a file goes through them.
TEST(PosixLinkTest, LinksAreNeverFollowedToWriteOrChange) {
  ScratchDirectory directory;
  ASSERT_TRUE(directory.Created());
  const fs::path outside = NativePath(directory / "outside");
  fs::create_directory(outside);
  std::ofstream(outside / "kept.txt") << "kept";
  std::ofstream(outside / "locked.txt") << "locked";
  fs::permissions(outside / "locked.txt", fs::perms::owner_read);
  const auto keptTime = fs::last_write_time(outside / "kept.txt");

  const struct {
    const char* name;
    const char* target;
    bool countsAsFile;
  } links[] = {
      {"dangling", "missing.txt", true},
      {"to a file", "kept.txt", true},
      {"to a read-only file", "locked.txt", true},
      {"to a directory", ".", false},
  };
  for (const auto& row : links) {
    SCOPED_TRACE(row.name);
    const std::string link = directory / "LINK.TXT";
    fs::create_symlink(outside / row.target, NativePath(link));
    EXPECT_EQ(FileExists(link), row.countsAsFile);
    for (const FileHandle writer : {CreateForWriting(link), OpenForWriting(link)}) {
      EXPECT_EQ(writer, InvalidFileHandle);
      Close(writer);
    }
    EXPECT_FALSE(SetLastWriteDosTime(link, 0x2A2C6000));  // 2001-01-12 12:00:00
    SetAttributes(link, 0);
    SetAttributes(link, AttributeReadOnly);
    EXPECT_TRUE(RemoveFile(link));
    EXPECT_FALSE(fs::exists(fs::symlink_status(NativePath(link)))) << "the link itself is deleted";

    EXPECT_FALSE(fs::exists(outside / "missing.txt"));
    EXPECT_EQ(ReadNative(outside / "kept.txt"), "kept");
    EXPECT_EQ(fs::last_write_time(outside / "kept.txt"), keptTime);
    EXPECT_NE(fs::status(outside / "kept.txt").permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(ReadNative(outside / "locked.txt"), "locked");
    EXPECT_EQ(fs::status(outside / "locked.txt").permissions() & fs::perms::owner_write, fs::perms::none);
  }
}

class PosixHooksTest : public ::testing::Test {
 protected:
  void TearDown() override { testing::ResetAll(); }
};

TEST_F(PosixHooksTest, OverridesAndResetAll) {
  testing::SetProgramPath("\\opt\\app\\setup.exe");
  testing::SetTempDirectory("\\scratch\\");
  testing::SetStringResource(1, "000004096");
  testing::SetStringResource(77, "new");
  testing::RemoveStringResource(65439);
  EXPECT_EQ(ProgramPath(255), "\\opt\\app\\setup.exe");
  EXPECT_EQ(ProgramPath(5), "\\opt");
  EXPECT_EQ(TempDirectory(), "\\scratch\\");
  EXPECT_EQ(LoadStringResource(1, 255), "000004096");
  EXPECT_EQ(LoadStringResource(1, 4), "000");
  EXPECT_EQ(LoadStringResource(77, 255), "new");
  EXPECT_EQ(LoadStringResource(65439, 255), "");

  testing::ResetAll();
  EXPECT_EQ(LoadStringResource(1, 255), "000000000");
  EXPECT_EQ(LoadStringResource(65439, 255), "Chyba aplikace");
  EXPECT_NE(ProgramPath(255), "\\opt\\app\\setup.exe");
}

TEST_F(PosixHooksTest, ScriptedMessageBoxesAreAnsweredInOrderAndRecorded) {
  testing::ScriptMessageBoxAnswers({IdNo, IdCancel});
  EXPECT_EQ(ShowMessageBox("a exists. Overwrite?", "File Exists", MbYesNoCancel | MbIconQuestion), IdNo);
  EXPECT_EQ(ShowMessageBox("b", "File Exists", MbYesNoCancel | MbIconQuestion), IdCancel);
  EXPECT_EQ(ShowMessageBox("c", "Error", MbOk | MbIconExclamation), 0) << "the script has run out";
  const auto& boxes = testing::MessageBoxesShown();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].style, 0x23u);
  EXPECT_EQ(boxes[0].caption, "File Exists");
  EXPECT_EQ(boxes[0].text, "a exists. Overwrite?");
  EXPECT_EQ(boxes[0].result, IdNo);
  EXPECT_EQ(boxes[2].result, 0);
}

TEST_F(PosixHooksTest, MessageBoxLogHasOneEscapedLinePerBox) {
  ScratchDirectory directory;
  ASSERT_TRUE(directory.Created());
  const std::string log = NativePath(directory / "boxes.log").string();
  setenv("LZSFX_MESSAGEBOX_LOG", log.c_str(), 1);
  SetAnsiCodePage(1250);
  testing::ScriptMessageBoxAnswers({IdOk, IdYes});
  ShowMessageBox("V\xFDjimka\tx\n\\y", "Chyba aplikace", MbTaskModal | MbIconError);
  ShowMessageBox("q", "", MbYesNoCancel);
  unsetenv("LZSFX_MESSAGEBOX_LOG");
  SetAnsiCodePage(DefaultAnsiCodePage);

  std::ifstream lines(log);
  std::string first, second, none;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(first, "0x2010\tChyba aplikace\tV\xC3\xBDjimka\\tx\\n\\\\y\t1");
  EXPECT_EQ(second, "0x3\t\tq\t6");
  EXPECT_FALSE(std::getline(lines, none));
}

}  // namespace
}  // namespace lzsfx::platform
