#include "archive/catalog_reader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "archive/archive_writer.h"
#include "archive/entry_table.h"
#include "archive/worked_example.h"
#include "common/failure.h"

namespace lzsfx {
namespace {

struct ReadResult {
  bool valid = false;
  std::int32_t dataStart = 0;
  std::vector<CatalogEntry> entries;
};

ReadResult Read(const ByteBuffer& file, std::int32_t archiveOffset) {
  ReadResult result;
  try {
    result.dataStart =
        ReadCatalogEntries(file, archiveOffset, [&](const CatalogEntry& e) { result.entries.push_back(e); });
    result.valid = true;
  } catch (const Exception& failure) {
    EXPECT_EQ(failure.Message(), InvalidCatalogMessage);
  }
  return result;
}

ByteBuffer Concat(std::initializer_list<ByteBuffer> parts) {
  ByteBuffer out;
  for (const ByteBuffer& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// One well-formed entry after its Name: sizes 5 and 3, offset 0, attributes 32, Date 36201.
const ByteBuffer SizesAndDate = {0x02, 0x05, 0x02, 0x03, 0x02, 0x00, 0x02, 0x20, 0x04, 0x69, 0x8D, 0x00, 0x00};
const ByteBuffer NameA = {0x06, 0x01, 'A'};

TEST(CatalogReaderTest, EmptyCatalogEndsTwoBytesAfterTheOffset) {
  const ByteBuffer file = {'M', 'Z', 0, 0, 0x01, 0x00, 0xAA};
  const ReadResult result = Read(file, 4);
  EXPECT_TRUE(result.valid);
  EXPECT_TRUE(result.entries.empty());
  EXPECT_EQ(result.dataStart, 6);
}

TEST(CatalogReaderTest, WorkedExampleFirstEntry) {
  const ByteBuffer image(46592, 0);
  const ByteBuffer file = Concat({image, test::ExampleCatalogStart, {TagEnd}});
  const ReadResult result = Read(file, 46592);
  ASSERT_TRUE(result.valid);
  ASSERT_EQ(result.entries.size(), 1u);
  const CatalogEntry& entry = result.entries[0];
  EXPECT_EQ(entry.Name, test::ExampleName);
  EXPECT_EQ(entry.OriginalSize, 12342);
  EXPECT_EQ(entry.CompressedSize, 620);
  EXPECT_EQ(entry.Offset, 0);
  EXPECT_EQ(entry.Attributes, 32);
  EXPECT_EQ(FormatEntryLine(entry), test::ExampleLine);
  EXPECT_EQ(result.dataStart, 46592 + 41);
}

TEST(CatalogReaderTest, IntegerWidthsAreInterchangeableAndSignExtended) {
  struct Row {
    ByteBuffer bytes;
    std::int32_t value;
  };
  const Row rows[] = {
      {{0x02, 0xFF}, -1},
      {{0x03, 0xFF, 0xFF}, -1},
      {{0x04, 0xFF, 0xFF, 0xFF, 0xFF}, -1},
      {{0x02, 0x20}, 32},
      {{0x03, 0x20, 0x00}, 32},
      {{0x04, 0x20, 0x00, 0x00, 0x00}, 32},
      {{0x03, 0x00, 0x80}, -32768},
      {{0x04, 0x00, 0x00, 0x00, 0x80}, -2147483647 - 1},
  };
  for (const Row& row : rows) {
    MemoryCatalogSource source(row.bytes);
    EXPECT_EQ(ReadIntegerValue(source), row.value);
    EXPECT_EQ(source.Position(), static_cast<std::int64_t>(row.bytes.size()));
  }
}

TEST(CatalogReaderTest, DateMayBeAnIntegerMeaningMidnight) {
  const ByteBuffer file = Concat({{TagList}, NameA, SizesAndDate, {TagEnd}});
  const ReadResult result = Read(file, 0);
  ASSERT_EQ(result.entries.size(), 1u);
  EXPECT_EQ(result.entries[0].Date, 36201.0L);
  EXPECT_EQ(ExtractField(FormatEntryLine(result.entries[0]), "\t", FieldDate), "36201");
}

TEST(CatalogReaderTest, AtListEndLeavesThePositionUnchanged) {
  const ByteBuffer bytes = {0x00, 0x06};
  MemoryCatalogSource source(bytes);
  EXPECT_TRUE(AtListEnd(source));
  EXPECT_EQ(source.Position(), 0);
  EXPECT_EQ(ReadTag(source), TagEnd);
  EXPECT_FALSE(AtListEnd(source));
  EXPECT_EQ(source.Position(), 1);
}

TEST(CatalogReaderTest, MalformedCatalogsAreRejected) {
  struct Row {
    const char* what;
    ByteBuffer file;
    std::int32_t archiveOffset;
  };
  const ByteBuffer date = {0x05, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  const Row rows[] = {
      {"offset into the image", Concat({{'M', 'Z', 0x90, 0x00}, {TagList, TagEnd}}), 1},
      {"offset beyond the end", {TagList, TagEnd}, 5},
      {"negative offset reads the first byte", {'M', 'Z', TagList, TagEnd}, -3},
      {"no TagEnd", {TagList}, 0},
      {"TagExtended as OriginalSize", Concat({{TagList}, NameA, date, SizesAndDate, {TagEnd}}), 0},
      {"integer tag as Name", Concat({{TagList, 0x02, 0x41}, SizesAndDate, {TagEnd}}), 0},
      {"TagEnd as CompressedSize", Concat({{TagList}, NameA, {0x02, 0x05, TagEnd}}), 0},
      {"TagEnd as Date", Concat({{TagList}, NameA, {0x02, 5, 0x02, 3, 0x02, 0, 0x02, 0x20, TagEnd}}), 0},
      {"TagString as Attributes", Concat({{TagList}, NameA, {0x02, 5, 0x02, 3, 0x02, 0}, NameA, date, {TagEnd}}), 0},
      {"tag outside the table", Concat({{TagList}, NameA, {0x07, 0x05}, SizesAndDate, {TagEnd}}), 0},
      {"nested list", Concat({{TagList, TagList}, {TagEnd, TagEnd}}), 0},
      {"string length past the end", {TagList, 0x06, 0x10, 'A', 'B', TagEnd}, 0},
      {"long length past the end", {TagList, 0x0C, 0xF0, 0xFF, 0xFF, 0x7F, 'A', TagEnd}, 0},
      {"long length of 2^31", {TagList, 0x0C, 0x00, 0x00, 0x00, 0x80, TagEnd}, 0},
      {"long length of 2^32 - 1", {TagList, 0x0C, 0xFF, 0xFF, 0xFF, 0xFF, TagEnd}, 0},
      // 2^1024: finite in the 80-bit format, infinite as the double of the entry line
      {"Date beyond a double", Concat({{TagList}, NameA, {0x02, 5, 0x02, 3, 0x02, 0, 0x02, 0x20},
                                       {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x43}, {TagEnd}}), 0},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(Read(row.file, row.archiveOffset).valid) << row.what;
  }
}

TEST(CatalogReaderTest, NegativeOffsetReadsFromTheFirstByte) {
  // A negative position cannot be set: the catalog is read from where the file stands.
  const ReadResult result = Read({TagList, TagEnd}, -7);
  EXPECT_TRUE(result.valid);
  EXPECT_EQ(result.dataStart, 2);
}

TEST(CatalogReaderTest, FileCutInsideTheCatalogIsRejectedCutInsideTheDataIsNot) {
  const ByteBuffer catalog = Concat({test::ExampleCatalogStart, NameA, SizesAndDate, {TagEnd}});
  const ByteBuffer data(700, 0x5A);
  const ByteBuffer file = Concat({{'M', 'Z'}, catalog, data});

  for (std::size_t cut = 2; cut < 2 + catalog.size(); ++cut) {
    const ByteBuffer shortFile(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(Read(shortFile, 2).valid) << "cut at " << cut;
  }
  for (std::size_t cut : {2 + catalog.size(), 2 + catalog.size() + 1, file.size() - 1, file.size()}) {
    const ByteBuffer shortFile(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    const ReadResult result = Read(shortFile, 2);
    EXPECT_TRUE(result.valid) << "cut at " << cut;
    EXPECT_EQ(result.entries.size(), 2u);
    EXPECT_EQ(result.dataStart, static_cast<std::int32_t>(2 + catalog.size()));
  }
}

TEST(CatalogReaderTest, UnsafeNameRejectsTheWholeCatalog) {
  // The safe first entry is handed out before the unsafe second one is met.
  const ByteBuffer file = Concat({{TagList}, NameA, SizesAndDate, {0x06, 0x05, '.', '.', '\\', 'A', 'B'}, SizesAndDate, {TagEnd}});
  std::vector<std::string> names;
  EXPECT_THROW(ReadCatalogEntries(file, 0, [&](const CatalogEntry& e) { names.push_back(e.Name); }), Exception);
  EXPECT_EQ(names, std::vector<std::string>{"A"});
}

}  // namespace
}  // namespace lzsfx
