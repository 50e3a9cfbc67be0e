// ReadCatalog in-process, over the POSIX platform with its test hooks: string resource 1,
// the program path and the message boxes are the hooks'; the program file is real.
#include "archive/catalog_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archive/entry_table.h"
#include "archive/worked_example.h"
#include "common/extraction_state.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "platform/posix/posix_test_hooks.h"
#include "platform/system.h"
#include "support/archive_builder.h"

namespace lzsfx {
namespace {

namespace hooks = platform::testing;

constexpr std::int32_t ExampleOffset = 46592;

std::string WindowsPath(const std::filesystem::path& path) {
  std::string text = path.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

class ReadCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("lzsfx-read-catalog-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
    program_ = WindowsPath(directory_ / "setup.exe");
    hooks::ResetAll();
    hooks::ScriptMessageBoxAnswers({platform::IdOk});
    hooks::SetProgramPath(program_);
    EntryTableClear();
    State = ExtractionState{};
  }

  void TearDown() override {
    hooks::ResetAll();
    EntryTableClear();
    std::filesystem::remove_all(directory_);
  }

  // The program file: a zeroed image of offset bytes, then the catalog, then data.
  void WriteProgram(std::int32_t offset, const ByteBuffer& archive) {
    test_support::WriteProgramFile((directory_ / "setup.exe").string(), {'M', 'Z'}, offset, archive);
  }

  void SetOffsetText(const std::string& text) { hooks::SetStringResource(1, text); }

  void ExpectOneFailureBox() {
    const auto& boxes = hooks::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "This is not a valid archive");
    EXPECT_EQ(boxes[0].caption, "Archive read error");
    EXPECT_EQ(boxes[0].style, 0x30u);
  }

  std::filesystem::path directory_;
  std::string program_;
};

ByteBuffer ExampleArchive() {
  ByteBuffer archive = test::ExampleCatalogStart;
  archive.push_back(TagEnd);
  archive.insert(archive.end(), 620, 0x5A);
  return archive;
}

TEST_F(ReadCatalogTest, ReadsTheCatalogAtTheStoredOffset) {
  WriteProgram(ExampleOffset, ExampleArchive());
  SetOffsetText("000046592");

  EXPECT_TRUE(ReadCatalog());
  EXPECT_TRUE(hooks::MessageBoxesShown().empty());
  EXPECT_EQ(State.ArchivePath, program_);
  EXPECT_EQ(State.DataStart, ExampleOffset + 41);
  ASSERT_EQ(EntryTableCount(), 1);
  EXPECT_EQ(EntryTableGet(0), test::ExampleLine);
}

TEST_F(ReadCatalogTest, BadCatalogShowsOneBoxAndKeepsTheLinesReadBefore) {
  ByteBuffer archive = test::ExampleCatalogStart;
  archive.push_back(0x07);  // no tag of the format where the next Name would begin
  WriteProgram(ExampleOffset, archive);
  SetOffsetText("000046592");
  State.DataStart = 12345;

  EXPECT_FALSE(ReadCatalog());
  ExpectOneFailureBox();
  EXPECT_EQ(State.ArchivePath, program_);
  EXPECT_EQ(State.DataStart, 12345);
  ASSERT_EQ(EntryTableCount(), 1);
  EXPECT_EQ(EntryTableGet(0), test::ExampleLine);
}

TEST_F(ReadCatalogTest, OffsetsThatMissTheCatalogEndInTheFailureBox) {
  WriteProgram(ExampleOffset, ExampleArchive());
  for (const char* text : {"000046591", "-000000001", "999999999", "000000000"}) {
    hooks::ResetAll();
    hooks::SetProgramPath(program_);
    SetOffsetText(text);
    EXPECT_FALSE(ReadCatalog()) << text;
    ExpectOneFailureBox();
  }
}

TEST_F(ReadCatalogTest, OffsetTextThatDoesNotConvertIsNotCaught) {
  WriteProgram(ExampleOffset, ExampleArchive());
  for (const char* text : {"", "46592 ", "0004659x"}) {
    SetOffsetText(text);
    EXPECT_THROW(ReadCatalog(), EConvertError) << '"' << text << '"';
  }
  hooks::RemoveStringResource(1);
  EXPECT_THROW(ReadCatalog(), EConvertError);
  EXPECT_TRUE(hooks::MessageBoxesShown().empty());
}

TEST_F(ReadCatalogTest, ProgramThatCannotBeOpenedIsABadCatalog) {
  SetOffsetText("000046592");
  const std::string longPath = WindowsPath(directory_ / std::string(300, 'p'));
  for (const std::string& path : {WindowsPath(directory_ / "missing.exe"), longPath}) {
    hooks::ResetAll();
    SetOffsetText("000046592");
    hooks::SetProgramPath(path);
    EXPECT_FALSE(ReadCatalog()) << path;
    ExpectOneFailureBox();
    EXPECT_LE(State.ArchivePath.size(), 254u);  // what a 255-byte buffer holds
  }
}

TEST_F(ReadCatalogTest, BuiltArchiveReadsBackInCatalogOrder) {
  const ByteBuffer archive = test_support::BuildArchive(
      {{"README.TXT", "hello"}, {"APP\\SETUP.EXE", std::string(5000, 'x'), 0x21, 36201.0L}},
      "[VESK Configuration]\r\n\r\n", "LZSFX.INI");
  WriteProgram(4096, archive);
  SetOffsetText("000004096");

  ASSERT_TRUE(ReadCatalog());
  ASSERT_EQ(EntryTableCount(), 3);
  EXPECT_EQ(ExtractField(EntryTableGet(0), "\t", FieldName), "README.TXT");
  EXPECT_EQ(ExtractField(EntryTableGet(1), "\t", FieldAttributes), "33");
  EXPECT_EQ(ExtractField(EntryTableGet(1), "\t", FieldDate), "36201");
  EXPECT_EQ(ExtractField(EntryTableGet(2), "\t", FieldName), "LZSFX.INI");
  const std::int32_t lastOffset = ParseDecimal(ExtractField(EntryTableGet(2), "\t", FieldOffset));
  const std::int32_t lastSize = ParseDecimal(ExtractField(EntryTableGet(2), "\t", FieldCompressedSize));
  EXPECT_EQ(State.DataStart + lastOffset + lastSize,
            static_cast<std::int32_t>(std::filesystem::file_size(directory_ / "setup.exe")));
}

}  // namespace
}  // namespace lzsfx
