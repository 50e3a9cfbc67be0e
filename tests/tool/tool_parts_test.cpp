// The tool's parts in-process: configuration text, stored names, entry paths, dates, the
// command line, and reading hostile self-extracting files made here byte by byte.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "command_line.h"
#include "entry_extractor.h"
#include "file_date.h"
#include "input_tree.h"
#include "installer_builder.h"
#include "installer_reader.h"
#include "lzhuf/lzhuf_encoder.h"
#include "stub_image.h"
#include "tool/synthetic_stubs.h"

namespace lzsfx::tool {
namespace {

namespace fs = std::filesystem;
using testing_stubs::Bytes;

TEST(Configuration, TextIsTheSectionTheKeysAndAnEmptyLine) {
  BuildOptions options;
  EXPECT_EQ(MakeConfigurationText(options, "bin\\setup.exe", "/S <TD>"),
            "[VESK Configuration]\r\nUseDirs=1\r\nOverWrite=1\r\nAttributes=1\r\nFileDate=1\r\n"
            "Executable=bin\\setup.exe\r\nParameters=/S <TD>\r\n\r\n");
  options.useDirs = options.overWrite = options.attributes = options.fileDate = false;
  EXPECT_EQ(MakeConfigurationText(options, "", ""),
            "[VESK Configuration]\r\nUseDirs=0\r\nOverWrite=0\r\nAttributes=0\r\nFileDate=0\r\n\r\n");
}

TEST(StoredNames, ConvertOrRefuse) {
  EXPECT_EQ(StoredName("docs/read me.txt", 1252), "docs\\read me.txt");
  EXPECT_EQ(StoredName("caf\xC3\xA9.txt", 1252), "caf\xE9.txt");
  EXPECT_EQ(StoredName("k\xC5\xAF\xC5\x88.txt", 1250), "k\xF9\xF2.txt");  // ků ň in 1250
  for (const char* refused : {"\xE6\x97\xA5.txt", "CON", "a\\..\\b", "c:evil", "tab\there", "what?"}) {
    EXPECT_THROW(StoredName(refused, 1252), ToolError) << refused;
  }
}

TEST(EntryPaths, StayBelowTheDestination) {
  const fs::path destination = fs::path("dest");
  const struct {
    const char* name;
    const char* expected;  // "" when refused
  } cases[] = {
      {"a\\b.txt", "dest/a/b.txt"}, {"\\lead.txt", "dest/lead.txt"}, {"a\\.\\b", "dest/a/b"},
      {"a//b", "dest/a/b"},         {"..\\x", ""},                   {"a\\..\\..\\x", ""},
      {"", ""},                     {".", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EntryPathBelow(destination, c.name), fs::path(c.expected).make_preferred()) << c.name;
  }
}

TEST(Dates, DayCountsAndFileTimes) {
  EXPECT_EQ(FormatDayCount(36201.514537037L), "1999-02-10 12:20:56");
  EXPECT_EQ(FormatDayCount(36201), "1999-02-10 00:00:00");
  EXPECT_EQ(FormatDayCount(0), "1899-12-30 00:00:00");
  EXPECT_EQ(FormatDayCount(NAN), "-");
  for (long double day : {36201.514537037L, 44197.5L, 47000.999988426L}) {
    const auto time = FileTimeFromDayCount(day);
    ASSERT_TRUE(time) << static_cast<double>(day);
    const auto back = DayCountFromFileTime(*time);
    ASSERT_TRUE(back);
    EXPECT_NEAR(static_cast<double>(*back), static_cast<double>(day), 1.0 / 86400 / 2);
  }
}

TEST(CommandLines, OptionsOperandsAndMistakes) {
  const std::vector<OptionDefinition> definitions = {{"output", 'o', true, "OUT", ""}, {"quiet", 'q', false, nullptr, ""}};
  const CommandLine line({"-o", "a.exe", "in1", "--quiet", "--", "--output=in2"}, definitions);
  EXPECT_EQ(line.Value("output"), "a.exe");
  EXPECT_TRUE(line.Has("quiet"));
  EXPECT_EQ(line.Operands(), (std::vector<std::string>{"in1", "--output=in2"}));
  EXPECT_EQ(CommandLine({"--output=b"}, definitions).Value("output"), "b");
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"-o"}, {"--quiet=yes"}, {"-x"}}) {
    EXPECT_THROW(CommandLine(wrong, definitions), UsageError) << wrong.front();
  }
}

// A self-extracting file made here: a synthetic ELF stub, the catalog exactly as given and
// the data bytes.
class HostileInstallers : public testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() / ("lzsfx-parts-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  fs::path Write(const std::vector<CatalogEntry>& entries, const Bytes& data) {
    Bytes file = testing_stubs::MakeElf(true);
    const StubImage image = InspectImage(MemoryByteSource(file));
    PatchArchiveOffset(file, image, static_cast<std::uint32_t>(file.size()));
    const ByteBuffer catalog = EncodeCatalog(entries);
    file.insert(file.end(), catalog.begin(), catalog.end());
    file.insert(file.end(), data.begin(), data.end());
    const fs::path path = directory_ / "installer";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return path;
  }

  fs::path directory_;
};

CatalogEntry Entry(const char* name, std::int32_t original, std::int32_t compressed, std::int32_t offset) {
  return CatalogEntry{name, original, compressed, offset, 0x20, 36201.5L};
}

TEST_F(HostileInstallers, EntriesAreCheckedAgainstTheCatalog) {
  const std::string text(5000, 'x');
  const std::vector<std::uint8_t> stream = EncodeBuffer(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  const auto size = static_cast<std::int32_t>(stream.size());
  const fs::path path = Write({Entry("sound.txt", 5000, size, 0), Entry("shorter.txt", 100, size, 0),
                               Entry("longer.txt", 6000, size, 0), Entry("past-end.txt", 5000, size + 1, 0),
                               Entry("negative.txt", 5000, size, -1), Entry("setup.ini", 5000, size, 0)},
                              Bytes(stream.begin(), stream.end()));
  const Installer installer = OpenInstaller(path, 1252);
  ASSERT_EQ(installer.entries.size(), 6u);
  const struct {
    std::size_t index;
    std::size_t handedOn;  // bytes the sink receives
    const char* problem;   // "" when sound
  } cases[] = {{0, 5000, ""}, {1, 100, ""}, {2, 5000, "decodes to 5000"}, {3, 0, "reaches past the end"}, {4, 0, "negative"}};
  for (const auto& c : cases) {
    std::size_t received = 0;
    const EntryCheck check = DecodeEntry(installer, c.index, [&](std::span<const std::uint8_t> b) { received += b.size(); });
    EXPECT_EQ(received, c.handedOn) << c.index;
    if (*c.problem) {
      EXPECT_NE(check.problem.find(c.problem), std::string::npos) << c.index << ": " << check.problem;
    } else {
      EXPECT_EQ(check.problem, "") << c.index;
    }
  }

  // Extraction writes the sound ones, removes what the damaged ones began.
  std::vector<std::string> reported;
  const std::size_t problems = ExtractInstaller(installer, {directory_ / "out", false},
                                                [&](const std::string& name, const std::string&) { reported.push_back(name); });
  EXPECT_EQ(problems, 3u);
  EXPECT_EQ(reported, (std::vector<std::string>{"longer.txt", "past-end.txt", "negative.txt"}));
  EXPECT_EQ(fs::file_size(directory_ / "out" / "sound.txt"), 5000u);
  EXPECT_EQ(fs::file_size(directory_ / "out" / "shorter.txt"), 100u);
  for (const char* absent : {"longer.txt", "past-end.txt", "negative.txt", "setup.ini"}) {
    EXPECT_FALSE(fs::exists(directory_ / "out" / absent)) << absent;
  }
}

TEST_F(HostileInstallers, BadCatalogsAndOffsetsAreRefused) {
  const std::vector<CatalogEntry> unsafe = {Entry("..\\escape.txt", 0, 0, 0), Entry("setup.ini", 0, 0, 0)};
  EXPECT_THROW(OpenInstaller(Write(unsafe, {}), 1252), ToolError);
  EXPECT_FALSE(fs::exists(directory_.parent_path() / "escape.txt"));

  Bytes bare = testing_stubs::MakeElf(true, "000000000");
  const fs::path stubOnly = directory_ / "stub-only";
  std::ofstream(stubOnly, std::ios::binary).write(reinterpret_cast<const char*>(bare.data()), static_cast<std::streamsize>(bare.size()));
  EXPECT_THROW(OpenInstaller(stubOnly, 1252), ToolError);

  for (const char* offset : {"999999999", "000000010", "abc"}) {
    Bytes file = testing_stubs::MakeElf(true, offset);
    file.push_back(1);
    file.push_back(0);
    const fs::path path = directory_ / "offset";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    EXPECT_THROW(OpenInstaller(path, 1252), ToolError) << offset;
  }
}

}  // namespace
}  // namespace lzsfx::tool
