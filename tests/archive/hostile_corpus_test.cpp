#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "archive/archive_writer.h"
#include "archive/catalog_reader.h"
#include "archive/entry_table.h"
#include "common/failure.h"

namespace lzsfx {
namespace {

constexpr std::int32_t CorpusArchiveOffset = 16;  // bytes of the stand-in image

ByteBuffer LoadCorpusFile(const std::string& name) {
  std::ifstream in(std::string(LZSFX_HOSTILE_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return ByteBuffer((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct CorpusRow {
  const char* file;
  // Empty when the catalog is refused; else the entry lines it gives.
  std::vector<std::string> lines;
};

class HostileCorpusTest : public ::testing::TestWithParam<CorpusRow> {};

TEST_P(HostileCorpusTest, HasItsDocumentedOutcome) {
  const CorpusRow& row = GetParam();
  const ByteBuffer file = LoadCorpusFile(row.file);
  ASSERT_FALSE(file.empty());
  std::vector<std::string> lines;
  try {
    const std::int32_t dataStart = ReadCatalogEntries(
        file, CorpusArchiveOffset, [&](const CatalogEntry& e) { lines.push_back(FormatEntryLine(e)); });
    EXPECT_FALSE(row.lines.empty()) << "accepted, though it should be refused";
    EXPECT_GT(dataStart, CorpusArchiveOffset);
    EXPECT_LE(dataStart, static_cast<std::int32_t>(file.size()));
    EXPECT_EQ(lines, row.lines);
  } catch (const Exception& failure) {
    EXPECT_EQ(failure.Message(), InvalidCatalogMessage);
    EXPECT_TRUE(row.lines.empty()) << "refused, though it should be accepted";
  }
}

const std::string Config = "SETUP.INI\t100\t3\t32\t36201.514537037\t3";

INSTANTIATE_TEST_SUITE_P(
    Files, HostileCorpusTest,
    ::testing::Values(
        CorpusRow{"control_tab.bin", {}}, CorpusRow{"device_in_directory.bin", {}},
        CorpusRow{"device_name.bin", {}}, CorpusRow{"drive_prefix.bin", {}}, CorpusRow{"nan_date.bin", {}},
        CorpusRow{"negative_sizes.bin", {"A.TXT\t-1\t-1\t-1\t36201.514537037\t-1", Config}},
        CorpusRow{"offset_into_image.bin", {}}, CorpusRow{"oversized_long_length.bin", {}},
        CorpusRow{"oversized_short_length.bin", {}}, CorpusRow{"parent_backslash.bin", {}},
        CorpusRow{"parent_slash.bin", {}}, CorpusRow{"parent_trailing_dot_blank.bin", {}},
        CorpusRow{"root_backslash.bin", {"\\SUB\\FILE.DAT\t5\t3\t32\t36201.514537037\t0", Config}},
        CorpusRow{"stream_colon.bin", {}}, CorpusRow{"truncated_catalog.bin", {}},
        CorpusRow{"truncated_stream.bin",
                  {"FILE.DAT\t5000\t4000\t32\t36201.514537037\t0", "SETUP.INI\t100\t93\t32\t36201.514537037\t4000"}},
        CorpusRow{"unknown_tag.bin", {}}),
    [](const ::testing::TestParamInfo<CorpusRow>& corpusCase) {
      std::string name = corpusCase.param.file;
      return name.substr(0, name.find('.'));
    });

}  // namespace
}  // namespace lzsfx
