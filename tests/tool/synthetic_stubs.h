// Small PE32/PE32+ and ELF32/ELF64 files built field by field, each with an archive offset
// slot holding a given text: the smallest stubs the stub image reader and the tool accept.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lzsfx::testing_stubs {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& b, std::size_t at, std::uint64_t value, int width) {
  if (b.size() < at + width) b.resize(at + width);
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void PutText(Bytes& b, std::size_t at, const std::string& text) {
  if (b.size() < at + text.size()) b.resize(at + text.size());
  std::memcpy(b.data() + at, text.data(), text.size());
}

// Positions in the synthetic PE image, in bytes.
inline constexpr std::size_t PeHeader = 0x40;
inline constexpr std::size_t OptionalHeader = PeHeader + 24;
inline constexpr std::size_t RawData = 0x200;  // the .rsrc section's raw data, 0x200 bytes
inline constexpr std::uint32_t SectionRva = 0x1000;
inline constexpr std::size_t StringBlock = RawData + 0x60;

// A PE32 or PE32+ file with one section, .rsrc, holding RT_STRING block 1 with string 1
// set to slotText; the root directory starts with a named entry that must be skipped.
inline Bytes MakePe(bool plus, const std::u16string& slotText = u"000000000") {
  Bytes b(0x400, 0);
  PutText(b, 0, "MZ");
  Put(b, 0x3C, PeHeader, 4);
  PutText(b, PeHeader, std::string("PE\0\0", 4));
  const std::size_t optionalSize = plus ? 240 : 224;
  Put(b, PeHeader + 4, plus ? 0x8664 : 0x14C, 2);
  Put(b, PeHeader + 6, 1, 2);  // one section
  Put(b, PeHeader + 20, optionalSize, 2);
  Put(b, OptionalHeader, plus ? 0x20B : 0x10B, 2);
  Put(b, OptionalHeader + 60, RawData, 4);      // SizeOfHeaders
  Put(b, OptionalHeader + 64, 0x12345678, 4);   // a stale CheckSum
  const std::size_t countField = OptionalHeader + (plus ? 108 : 92);
  Put(b, countField, 16, 4);
  Put(b, countField + 4 + 2 * 8, SectionRva, 4);  // resource directory
  Put(b, countField + 4 + 2 * 8 + 4, 0x100, 4);
  const std::size_t section = OptionalHeader + optionalSize;
  PutText(b, section, ".rsrc");
  Put(b, section + 8, 0x180, 4);   // VirtualSize
  Put(b, section + 12, SectionRva, 4);
  Put(b, section + 16, 0x200, 4);  // SizeOfRawData
  Put(b, section + 20, RawData, 4);

  const std::size_t root = RawData;
  Put(b, root + 12, 1, 2);  // one named entry
  Put(b, root + 14, 1, 2);  // one id entry
  Put(b, root + 16, 0x80000000 | 0x58, 4);
  Put(b, root + 20, 0x80000000 | 0x18, 4);
  Put(b, root + 24, 6, 4);                   // RT_STRING
  Put(b, root + 28, 0x80000000 | 0x20, 4);
  Put(b, RawData + 0x20 + 14, 1, 2);
  Put(b, RawData + 0x30, 1, 4);              // block 1
  Put(b, RawData + 0x34, 0x80000000 | 0x38, 4);
  Put(b, RawData + 0x38 + 14, 1, 2);
  Put(b, RawData + 0x48, 0x409, 4);          // first language
  Put(b, RawData + 0x4C, 0x50, 4);
  Put(b, RawData + 0x50, SectionRva + (StringBlock - RawData), 4);  // data entry: RVA, size
  Put(b, RawData + 0x54, 2 + 2 + 2 * slotText.size() + 14 * 2, 4);
  Put(b, StringBlock, 0, 2);                 // string 0: empty
  Put(b, StringBlock + 2, slotText.size(), 2);
  for (std::size_t i = 0; i < slotText.size(); ++i) Put(b, StringBlock + 4 + 2 * i, slotText[i], 2);
  return b;
}

// An ELF file with a section name table and .lzsfx_offset holding slotText and a zero.
inline Bytes MakeElf(bool is64, const std::string& slotText = "000000000") {
  Bytes b;
  const std::size_t header = is64 ? 64 : 52, entry = is64 ? 64 : 40;
  b.resize(header, 0);
  PutText(b, 0, "\x7F" "ELF");
  b[4] = is64 ? 2 : 1;
  b[5] = 1;
  b[6] = 1;
  const std::string names = std::string("\0.shstrtab\0.lzsfx_offset\0", 25);
  const std::size_t namesAt = header, slotAt = header + 32, tableAt = header + 48;
  PutText(b, namesAt, names);
  PutText(b, slotAt, slotText + std::string(1, '\0'));
  b.resize(tableAt + 3 * entry, 0);
  Put(b, is64 ? 0x28 : 0x20, tableAt, is64 ? 8 : 4);
  Put(b, is64 ? 0x3A : 0x2E, entry, 2);
  Put(b, is64 ? 0x3C : 0x30, 3, 2);
  Put(b, is64 ? 0x3E : 0x32, 1, 2);
  auto section = [&](int index, std::uint32_t name, std::uint32_t type, std::uint64_t offset, std::uint64_t size) {
    const std::size_t at = tableAt + index * entry;
    Put(b, at, name, 4);
    Put(b, at + 4, type, 4);
    Put(b, at + (is64 ? 24 : 16), offset, is64 ? 8 : 4);
    Put(b, at + (is64 ? 32 : 20), size, is64 ? 8 : 4);
  };
  section(1, 1, 3, namesAt, names.size());
  section(2, 11, 1, slotAt, slotText.size() + 1);
  return b;
}

}  // namespace lzsfx::testing_stubs
