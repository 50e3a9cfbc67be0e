// Module, directories, string resources and launch of the seam: natively over the POSIX
// layer, under wine64 over the real calls and the resources of stub.rc.
#include <gtest/gtest.h>

#include "common/code_page.h"
#include "common/number_text.h"
#include "common/runtime_text.h"
#include "platform/system.h"
#include "scratch_directory.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lzsfx::platform {
namespace {

constexpr std::size_t DirectoryLimit = 259;  // characters in a 260-byte buffer

TEST(PlatformSystemTest, DirectoriesAsTheSystemReportsThem) {
  const std::string temp = TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_LE(temp.size(), DirectoryLimit);
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_EQ(GetAttributes(temp), AttributeDirectory);

  for (const std::string& directory : {WindowsDirectory(), SystemDirectory()}) {
    ASSERT_FALSE(directory.empty());
    EXPECT_LE(directory.size(), DirectoryLimit);
    EXPECT_NE(directory.back(), '\\') << directory << ": no root, so no trailing '\\'";
    EXPECT_EQ(GetAttributes(directory), AttributeDirectory) << directory;
  }
}

TEST(PlatformSystemTest, ProgramPathIsCutAsItsBufferWould) {
  const std::string full = ProgramPath(260);
  ASSERT_GT(full.size(), 4u);
  EXPECT_TRUE(FileExists(full)) << full;
  EXPECT_EQ(ProgramPath(5), full.substr(0, 4));
  EXPECT_EQ(ProgramPath(full.size() + 1), full);
  EXPECT_EQ(ProgramPath(full.size()), full.substr(0, full.size() - 1));
  EXPECT_EQ(ProgramPath(1), "");
  EXPECT_EQ(ProgramPath(0), "");
}

TEST(PlatformSystemTest, StringOneIsTheArchiveOffsetPlaceholder) {
  EXPECT_EQ(LoadStringResource(1, 255), "000000000");
  EXPECT_EQ(LoadStringResource(1, 5), "0000");
  EXPECT_EQ(LoadStringResource(1, 0), "");
  EXPECT_EQ(LoadStringResource(2, 255), "") << "no such string";
}

// The run-time texts reach the program in the ANSI code page, converted from the
// resource's Unicode as LoadStringA converts: the common conversion must agree.
TEST(PlatformSystemTest, RuntimeTextsInTheAnsiCodePage) {
  InitializeLocale();
  for (const RuntimeTextId id : {RuntimeTextId::InvalidInteger, RuntimeTextId::InvalidFloat, RuntimeTextId::OutOfMemory,
                                 RuntimeTextId::FailureReport, RuntimeTextId::FailureCaption}) {
    EXPECT_EQ(LoadStringResource(static_cast<unsigned>(id), 255), RuntimeText(id)) << static_cast<unsigned>(id);
  }
  if (AnsiCodePage() == 1252) {
    EXPECT_EQ(LoadStringResource(65415, 255), "Mimo pamet") << "e and t with caron have no byte in 1252";
    EXPECT_EQ(LoadStringResource(65408, 255), "'%s' nie je platn\xE1 integer hodnota");
  }
  EXPECT_EQ(LoadStringResource(65439, 6), "Chyba");
}

#ifdef _WIN32
// The resource compiler turned the code page 1250 bytes of the texts into these.
TEST(PlatformSystemTest, ResourceTextsAreTheRightUnicode) {
  const struct {
    unsigned id;
    const wchar_t* text;
  } texts[] = {
      {1, L"000000000"},
      {65408, L"'%s' nie je platn\u00E1 integer hodnota"},
      {65409, L"'%s' nie je platn\u00E1 floating point hodnota"},
      {65415, L"Mimo pam\u011B\u0165"},
      {65438, L"V\u00FDjimka %s v modulu %s na %p.\n%s%s"},
      {65439, L"Chyba aplikace"},
  };
  for (const auto& row : texts) {
    wchar_t buffer[256];
    const int length = LoadStringW(GetModuleHandleW(nullptr), row.id, buffer, 256);
    EXPECT_EQ(std::wstring(buffer, length), row.text) << row.id;
  }
}

TEST(PlatformSystemTest, InitializeLocaleTakesTheSystemsSettings) {
  InitializeLocale();
  EXPECT_EQ(AnsiCodePage(), static_cast<int>(GetACP()));
  char separator[8] = {};
  GetLocaleInfoA(GetSystemDefaultLCID(), LOCALE_SDECIMAL, separator, sizeof separator);
  EXPECT_EQ(DecimalSeparator(), separator[0]);
}
#endif

TEST(PlatformSystemTest, LaunchOfAMissingProgramFails) {
  ScratchDirectory directory;
  ASSERT_TRUE(directory.Created());
  EXPECT_FALSE(LaunchCommand(directory / "missing.exe"));
  EXPECT_FALSE(LaunchCommand("\"" + (directory / "no such dir\\setup.exe") + "\" /S"));
}

}  // namespace
}  // namespace lzsfx::platform
