// The rules of the configuration entry, read from real profile files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "extract/extraction_driver.h"
#include "extract/native_path.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

struct ConfigCase {
  const char* name;
  const char* body;  // lines after the section line
  const char* command;
  ExtractionOptions options;
};

constexpr ExtractionOptions AllOn{true, true, true, true};
constexpr char Destination[] = "C:\\TEMP";

const ConfigCase ConfigCases[] = {
    {"everything", "UseDirs=1\r\nOverWrite=1\r\nAttributes=1\r\nFileDate=1\r\nExecutable=SETUP.EXE\r\n", "C:\\TEMP\\SETUP.EXE", AllOn},
    {"section only", "", "", AllOn},
    {"each option off", "UseDirs=0\r\nOverWrite=0\r\nAttributes=0\r\nFileDate=0\r\n", "", {false, false, false, false}},
    {"off only for exactly 0", "UseDirs=00\r\nOverWrite=false\r\nAttributes=no\r\nFileDate=\r\n", "", AllOn},
    {"one option off", "OverWrite=0\r\n", "", {true, false, true, true}},
    {"parameters after one blank", "Executable=BIN\\SETUP.EXE\r\nParameters=/s <TD>\r\n", "C:\\TEMP\\BIN\\SETUP.EXE /s <TD>", AllOn},
    {"parameters without executable", "Parameters=/s\r\n", "", AllOn},
    {"executable taken as written", "Executable=\\ABS.EXE\r\n", "C:\\TEMP\\\\ABS.EXE", AllOn},
};

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = platform::TempDirectory() + "lzsfx-config-" + info->name() + ".ini";
  }
  void TearDown() override { std::filesystem::remove(NativePath(path_)); }

  void Write(const std::string& text) {
    std::ofstream file(NativePath(path_), std::ios::binary | std::ios::trunc);
    file << text;
  }

  std::string path_;
};

TEST_F(ConfigurationTest, OptionsAndLaunchCommand) {
  for (const ConfigCase& row : ConfigCases) {
    Write(std::string("[VESK Configuration]\r\n") + row.body + "\r\n");
    const Configuration configuration = ReadConfiguration(path_, Destination);
    EXPECT_EQ(configuration.LaunchCommand, row.command) << row.name;
    EXPECT_EQ(configuration.Options.UseDirs, row.options.UseDirs) << row.name;
    EXPECT_EQ(configuration.Options.OverWrite, row.options.OverWrite) << row.name;
    EXPECT_EQ(configuration.Options.Attributes, row.options.Attributes) << row.name;
    EXPECT_EQ(configuration.Options.FileDate, row.options.FileDate) << row.name;
  }
}

TEST_F(ConfigurationTest, MissingFileOrSectionReadsEmpty) {
  Configuration missing = ReadConfiguration(path_, Destination);
  EXPECT_EQ(missing.LaunchCommand, "");
  EXPECT_TRUE(missing.Options.UseDirs && missing.Options.OverWrite && missing.Options.Attributes && missing.Options.FileDate);

  Write("[Other]\r\nExecutable=X.EXE\r\nUseDirs=0\r\n");
  Configuration otherSection = ReadConfiguration(path_, Destination);
  EXPECT_EQ(otherSection.LaunchCommand, "");
  EXPECT_TRUE(otherSection.Options.UseDirs);
}

TEST_F(ConfigurationTest, ValuesAreCutTo259Characters) {
  const std::string longValue(300, 'p');
  Write("[VESK Configuration]\r\nParameters=" + longValue + "\r\n");
  EXPECT_EQ(ReadConfigValue(ConfigurationSection, "Parameters", "", path_), longValue.substr(0, 259));
}

}  // namespace
}  // namespace lzsfx
