// Reading and patching the archive offset slot of PE and ELF stubs: small synthetic images
// built here field by field, every truncation and a set of hostile header values, and the
// real stub of this build when there is one.
#include "stub_image.h"

#include "tool/synthetic_stubs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lzsfx {
namespace {

using namespace testing_stubs;

StubImage Inspect(const Bytes& b) { return InspectImage(MemoryByteSource(b)); }

struct ImageCase {
  const char* name;
  Bytes image;
  ImageFormat format;
  std::uint64_t imageEnd;
};

std::vector<ImageCase> ImageCases() {
  return {{"pe32", MakePe(false), ImageFormat::Pe32, 0x400},
          {"pe32plus", MakePe(true), ImageFormat::Pe32Plus, 0x400},
          {"elf32", MakeElf(false), ImageFormat::Elf32, 52 + 48 + 3 * 40},
          {"elf64", MakeElf(true), ImageFormat::Elf64, 64 + 48 + 3 * 64}};
}

class StubImageFormats : public testing::TestWithParam<ImageCase> {};

TEST_P(StubImageFormats, FindsSlotAndPatchesIt) {
  Bytes image = GetParam().image;
  const StubImage stub = Inspect(image);
  EXPECT_EQ(stub.format, GetParam().format);
  EXPECT_EQ(stub.imageEnd, GetParam().imageEnd);
  EXPECT_EQ(stub.offsetText, "000000000");
  EXPECT_EQ(stub.offsetSlotLength, 9u);
  EXPECT_NO_THROW(CheckFreshStub(stub, image.size()));

  PatchArchiveOffset(image, stub, 46592);
  const StubImage patched = Inspect(image);
  EXPECT_EQ(patched.offsetText, "000046592");
  EXPECT_EQ(StoredArchiveOffset(patched), 46592);
  EXPECT_EQ(patched.offsetSlot, stub.offsetSlot);
  if (stub.IsPe()) {
    EXPECT_EQ(image[StringBlock + 4 + 2 * 4], '4');  // UTF-16LE: digit, zero byte
    EXPECT_EQ(image[StringBlock + 4 + 2 * 4 + 1], 0);
    EXPECT_EQ(image[OptionalHeader + 64], 0);        // stale CheckSum cleared for recomputation
  }

  // Appending anything makes it a stub that already carries an archive.
  EXPECT_THROW(CheckFreshStub(Inspect(image), image.size()), StubImageError);
  image.push_back(1);
  EXPECT_THROW(CheckFreshStub(stub, image.size()), StubImageError);
}

// Every prefix of a valid image is refused with StubImageError (or, where the cut falls
// after everything the reader needs, still read correctly): never a read outside the buffer.
TEST_P(StubImageFormats, EveryTruncationIsRefusedCleanly) {
  const Bytes& image = GetParam().image;
  for (std::size_t length = 0; length < image.size(); ++length) {
    const Bytes prefix(image.begin(), image.begin() + length);
    try {
      const StubImage stub = Inspect(prefix);
      EXPECT_EQ(stub.offsetText, "000000000") << "length " << length;
      EXPECT_GT(stub.imageEnd, length) << "an image cut short must show an end past the file";
    } catch (const StubImageError&) {
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, StubImageFormats, testing::ValuesIn(ImageCases()),
                         [](const auto& param) { return std::string(param.param.name); });

// Hostile header values: each one is refused with a StubImageError.
TEST(StubImage, RefusesHostileHeaders) {
  const std::size_t section = OptionalHeader + 224;
  struct Mutation {
    const char* name;
    std::size_t at;
    std::uint64_t value;
    int width;
  };
  const Mutation mutations[] = {
      {"e_lfanew far outside", 0x3C, 0xFFFFFFF0, 4},
      {"no PE signature", PeHeader, 0x4550FFFF, 4},
      {"unknown optional magic", OptionalHeader, 0x107, 2},
      {"optional header too short", PeHeader + 20, 40, 2},
      {"65535 sections", PeHeader + 6, 0xFFFF, 2},
      {"no resource directory", OptionalHeader + 92 + 4 + 16, 0, 4},
      {"resource RVA outside sections", OptionalHeader + 92 + 4 + 16, 0x9000, 4},
      {"section raw data beyond file", section + 20, 0xFFFFFF00, 4},
      {"no RT_STRING id", RawData + 24, 7, 4},
      {"type entry not a directory", RawData + 28, 0x20, 4},
      {"65535 named entries", RawData + 12, 0xFFFF, 2},
      {"no block 1", RawData + 0x30, 2, 4},
      {"string data RVA outside", RawData + 0x50, 0x7FFFFFFF, 4},
      {"string block size huge", RawData + 0x54, 0xFFFFFFFF, 4},
      {"string 1 longer than its block", StringBlock + 2, 0x7FFF, 2},
  };
  for (const Mutation& m : mutations) {
    Bytes image = MakePe(false);
    Put(image, m.at, m.value, m.width);
    EXPECT_THROW(Inspect(image), StubImageError) << m.name;
  }

  Bytes elfHeaderOnly = MakeElf(true);
  elfHeaderOnly.resize(64);
  const struct {
    const char* name;
    Bytes image;
  } others[] = {
      {"empty", {}},
      {"text file", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
      {"MZ only", Bytes{'M', 'Z'}},
      {"ELF header only", elfHeaderOnly},
  };
  for (const auto& o : others) EXPECT_THROW(Inspect(o.image), StubImageError) << o.name;

  Bytes elf = MakeElf(true);
  Put(elf, 64 + 48 + 2 * 64 + 24, 0xFFFFFFFFFFFF0000ull, 8);  // .lzsfx_offset beyond the file
  EXPECT_THROW(Inspect(elf), StubImageError);
  elf = MakeElf(true);
  Put(elf, 64 + 48 + 2 * 64, 1, 4);  // renamed to .shstrtab: no slot
  EXPECT_THROW(Inspect(elf), StubImageError);
}

TEST(StubImage, SlotTextsThatAreNoFreshPlaceholder) {
  const struct {
    const char* name;
    Bytes image;
    const char* text;
  } cases[] = {
      {"eight digits", MakePe(false, u"00000000"), "00000000"},
      {"non-ASCII", MakePe(false, u"00000000\u00e9"), "00000000?"},
      {"elf ten digits", MakeElf(true, "0000000000"), "0000000000"},
      {"already patched", MakePe(true, u"000046592"), "000046592"},
  };
  for (const auto& c : cases) {
    const StubImage stub = Inspect(c.image);
    EXPECT_EQ(stub.offsetText, c.text) << c.name;
    EXPECT_THROW(CheckFreshStub(stub, c.image.size()), StubImageError) << c.name;
  }
  Bytes image = MakePe(false, u"00000000");
  EXPECT_THROW(PatchArchiveOffset(image, Inspect(image), 1), StubImageError);
}

TEST(StubImage, StoredOffsetFollowsTheStubsConversion) {
  const struct {
    std::string text;
    std::int32_t value;  // -1: refused
  } cases[] = {{"000046592", 46592}, {"  46592", 46592}, {"$0000B600", 46592}, {"", -1},
               {"46592 ", -1},       {"-00000001", -1},  {"abc", -1}};
  for (const auto& c : cases) {
    StubImage stub;
    stub.offsetText = c.text;
    if (c.value < 0) {
      EXPECT_THROW(StoredArchiveOffset(stub), StubImageError) << c.text;
    } else {
      EXPECT_EQ(StoredArchiveOffset(stub), c.value) << c.text;
    }
  }
}

TEST(StubImage, FormatsNineDigits) {
  EXPECT_EQ(FormatArchiveOffset(0), "000000000");
  EXPECT_EQ(FormatArchiveOffset(46592), "000046592");
  EXPECT_EQ(FormatArchiveOffset(999999999), "999999999");
  EXPECT_THROW(FormatArchiveOffset(1000000000), StubImageError);
}

TEST(StubImage, SignedFileEndsItsArchiveAtTheCertificateTable) {
  Bytes image = MakePe(false);
  const std::size_t certificateEntry = OptionalHeader + 92 + 4 + 4 * 8;
  Put(image, certificateEntry, 0x800, 4);
  Put(image, certificateEntry + 4, 0x100, 4);
  image.resize(0x900);
  const StubImage stub = Inspect(image);
  EXPECT_EQ(stub.certificateTable.offset, 0x800u);
  EXPECT_EQ(ArchiveRegionEnd(stub, image.size()), 0x800u);
  EXPECT_THROW(CheckFreshStub(stub, 0x400), StubImageError);  // a signed stub is refused
  EXPECT_EQ(ArchiveRegionEnd(Inspect(MakePe(false)), 0x900), 0x900u);
}

TEST(PeChecksum, SumsWordsAndLengthWhateverThePieces) {
  // Words 0x0201 + 0x0403 + 0x0005 = 0x0609, plus the length 5.
  const Bytes bytes{1, 2, 3, 4, 5};
  PeChecksum whole;
  whole.Add(bytes);
  EXPECT_EQ(whole.Finish(), 0x0609u + 5);

  // Carries fold back into 16 bits: 0xFFFF + 0x0002 = 0x10001 -> 0x0002.
  PeChecksum carry;
  carry.Add(Bytes{0xFF, 0xFF, 0x02, 0x00});
  EXPECT_EQ(carry.Finish(), 0x0002u + 4);

  Bytes large(100001);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
  PeChecksum reference;
  reference.Add(large);
  for (std::size_t piece : {1u, 3u, 4096u, 4097u}) {
    PeChecksum split;
    for (std::size_t at = 0; at < large.size(); at += piece) {
      split.Add(std::span(large).subspan(at, std::min(piece, large.size() - at)));
    }
    EXPECT_EQ(split.Finish(), reference.Finish()) << "pieces of " << piece;
  }
}

#ifdef LZSFX_STUB_PATH
// The stub of this build has a fresh slot, nothing after its image, and patches cleanly.
TEST(StubImage, RealStubOfThisBuild) {
  std::ifstream in(LZSFX_STUB_PATH, std::ios::binary);
  ASSERT_TRUE(in) << LZSFX_STUB_PATH;
  Bytes image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const StubImage stub = Inspect(image);
  EXPECT_NO_THROW(CheckFreshStub(stub, image.size()));
  EXPECT_EQ(stub.imageEnd, image.size());
  PatchArchiveOffset(image, stub, static_cast<std::uint32_t>(image.size()));
  EXPECT_EQ(StoredArchiveOffset(Inspect(image)), static_cast<std::int32_t>(image.size()));
}
#endif

}  // namespace
}  // namespace lzsfx
