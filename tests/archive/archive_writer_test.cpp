#include "archive/archive_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "archive/catalog_reader.h"
#include "archive/extended_float.h"
#include "archive/worked_example.h"
#include "common/failure.h"

namespace lzsfx {
namespace {

ExtendedBytes ToExtended(const std::vector<std::uint8_t>& bytes) {
  ExtendedBytes out{};
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return out;
}

struct IntegerRow {
  std::int32_t value;
  ByteBuffer bytes;
};

TEST(ArchiveWriterTest, IntegersTakeTheNarrowestTag) {
  const IntegerRow rows[] = {
      {0, {0x02, 0x00}},
      {32, {0x02, 0x20}},
      {127, {0x02, 0x7F}},
      {-1, {0x02, 0xFF}},
      {-128, {0x02, 0x80}},
      {128, {0x03, 0x80, 0x00}},
      {255, {0x03, 0xFF, 0x00}},
      {-129, {0x03, 0x7F, 0xFF}},
      {620, {0x03, 0x6C, 0x02}},
      {12342, {0x03, 0x36, 0x30}},
      {32767, {0x03, 0xFF, 0x7F}},
      {-32768, {0x03, 0x00, 0x80}},
      {32768, {0x04, 0x00, 0x80, 0x00, 0x00}},
      {36843, {0x04, 0xEB, 0x8F, 0x00, 0x00}},
      {-32769, {0x04, 0xFF, 0x7F, 0xFF, 0xFF}},
      {std::numeric_limits<std::int32_t>::min(), {0x04, 0x00, 0x00, 0x00, 0x80}},
  };
  for (const IntegerRow& row : rows) {
    ByteBuffer out;
    AppendIntegerValue(out, row.value);
    EXPECT_EQ(out, row.bytes) << row.value;

    MemoryCatalogSource source(out);
    EXPECT_EQ(ReadIntegerValue(source), row.value);
  }
}

TEST(ArchiveWriterTest, NamesUpTo255BytesUseTheShortTag) {
  struct Row {
    std::size_t length;
    ByteBuffer header;
  };
  const Row rows[] = {
      {0, {0x06, 0x00}},
      {255, {0x06, 0xFF}},
      {256, {0x0C, 0x00, 0x01, 0x00, 0x00}},
      {70000, {0x0C, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Row& row : rows) {
    const std::string name(row.length, 'N');
    ByteBuffer out;
    AppendStringValue(out, name);
    ASSERT_EQ(out.size(), row.header.size() + row.length);
    EXPECT_EQ(ByteBuffer(out.begin(), out.begin() + row.header.size()), row.header) << row.length;

    MemoryCatalogSource source(out);
    EXPECT_EQ(ReadStringValue(source), name);
  }
}

TEST(ExtendedFloatTest, KnownValuesHaveTheX87Bytes) {
  struct Row {
    long double value;
    std::vector<std::uint8_t> bytes;
  };
  const Row rows[] = {
      {0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00}},
      {-0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x80}},
      {1.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {-2.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
      {0.5L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F}},
      {36201.0L, {0, 0, 0, 0, 0, 0, 0x69, 0x8D, 0x0E, 0x40}},
      {std::numeric_limits<long double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
      {-std::numeric_limits<long double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(EncodeExtended(row.value), ToExtended(row.bytes)) << static_cast<double>(row.value);
    EXPECT_EQ(DecodeExtended(ToExtended(row.bytes)), row.value);
  }
  EXPECT_TRUE(std::isnan(DecodeExtended(EncodeExtended(std::numeric_limits<long double>::quiet_NaN()))));
}

TEST(ExtendedFloatTest, WorkedExampleDateRoundTripsToTheSameBytes) {
  const ExtendedBytes stored = ToExtended(test::ExampleDateBytes);
  const long double value = DecodeExtended(stored);
  EXPECT_NEAR(static_cast<double>(value), 36201.514537037, 1e-9);
  EXPECT_EQ(EncodeExtended(value), stored);
}

TEST(ExtendedFloatTest, EveryDoubleRoundTripsExactly) {
  const double values[] = {36201.51608796296, 1.0 / 3.0, 2958465.99999999, 1e-300, 1e300,
                           std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max()};
  for (double value : values) {
    EXPECT_EQ(DecodeExtended(EncodeExtended(value)), static_cast<long double>(value)) << value;
    EXPECT_EQ(DecodeExtended(EncodeExtended(-value)), -static_cast<long double>(value)) << value;
  }
}

TEST(ArchiveWriterTest, WorkedExampleEntryIsWrittenByteForByte) {
  const CatalogEntry entry{test::ExampleName, 12342, 620, 0, 32, DecodeExtended(ToExtended(test::ExampleDateBytes))};
  const ByteBuffer catalog = EncodeCatalog(std::span(&entry, 1));
  ByteBuffer expected = test::ExampleCatalogStart;
  expected.push_back(TagEnd);
  EXPECT_EQ(catalog, expected);
}

ArchiveMember Member(std::string name, std::int64_t original, std::int64_t compressed) {
  return ArchiveMember{std::move(name), original, compressed, 0x20, 36201.514537037L};
}

TEST(ArchiveWriterTest, LayoutPutsStreamsBackToBackWithTheConfigurationLast) {
  const ArchiveMember files[] = {Member("APP\\IMG\\LOGO.BMP", 12342, 620), Member("SETUP.EXE", 36843, 0),
                                 Member("DATA\\BIG.DAT", 200000, 150000)};
  const ArchiveMember configuration = Member("LZSFX000.INI", 100, 93);
  constexpr std::int64_t archiveOffset = 46592;

  const CatalogLayout layout = LayOutCatalog(files, configuration, archiveOffset);

  ASSERT_EQ(layout.Entries.size(), 4u);
  const std::int32_t expectedOffsets[] = {0, 620, 620, 150620};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(layout.Entries[i].Offset, expectedOffsets[i]) << i;
  EXPECT_EQ(layout.Entries.back().Name, "LZSFX000.INI");
  EXPECT_EQ(layout.DataStart, archiveOffset + static_cast<std::int64_t>(layout.Catalog.size()));
  EXPECT_EQ(layout.FileSize, layout.DataStart + 150620 + 93);

  // The reader gives back exactly what was laid out.
  ByteBuffer file(archiveOffset, 0);
  file.insert(file.end(), layout.Catalog.begin(), layout.Catalog.end());
  std::vector<CatalogEntry> read;
  const std::int32_t dataStart = ReadCatalogEntries(file, archiveOffset, [&](const CatalogEntry& e) { read.push_back(e); });
  EXPECT_EQ(dataStart, layout.DataStart);
  EXPECT_EQ(read, layout.Entries);
}

TEST(ArchiveWriterTest, LayoutRefusesWhatTheStubCouldNotReadBack) {
  const ArchiveMember good = Member("A.TXT", 1, 1);
  const ArchiveMember configuration = Member("SETUP.INI", 1, 1);
  struct Row {
    const char* what;
    std::vector<ArchiveMember> files;
    ArchiveMember configuration;
    std::int64_t archiveOffset;
  };
  ArchiveMember nanDate = good;
  nanDate.Date = std::numeric_limits<long double>::quiet_NaN();
  ArchiveMember bigAttributes = good;
  bigAttributes.Attributes = 0x80000000u;
  const Row rows[] = {
      {"parent reference", {Member("..\\EVIL.EXE", 1, 1)}, configuration, 0},
      {"drive prefix", {Member("C:\\EVIL.EXE", 1, 1)}, configuration, 0},
      {"configuration in a directory", {good}, Member("DIR\\SETUP.INI", 1, 1), 0},
      {"configuration without a name", {good}, Member("", 1, 1), 0},
      {"negative size", {Member("A.TXT", 1, -1)}, configuration, 0},
      {"original size beyond 32 bits", {Member("A.TXT", std::int64_t{1} << 31, 1)}, configuration, 0},
      {"compressed size beyond 32 bits", {Member("A.TXT", 1, std::int64_t{1} << 31)}, configuration, 0},
      {"offsets beyond 32 bits", {Member("A.TXT", 1, 0x7FFFFFFF), good}, configuration, 0},
      {"file reaching 2 GiB", {Member("A.TXT", 1, 0x7FFFFF00)}, configuration, 0x100},
      {"negative archive offset", {good}, configuration, -1},
      {"date that is no number", {nanDate}, configuration, 0},
      {"attributes beyond 31 bits", {bigAttributes}, configuration, 0},
  };
  for (const Row& row : rows) {
    EXPECT_THROW(LayOutCatalog(row.files, row.configuration, row.archiveOffset), Exception) << row.what;
  }
  // Just below the limit is still fine.
  EXPECT_NO_THROW(LayOutCatalog(std::vector{Member("A.TXT", 1, 0x7FFFFF00)}, Member("S.INI", 1, 0), 0x80));
}

}  // namespace
}  // namespace lzsfx
