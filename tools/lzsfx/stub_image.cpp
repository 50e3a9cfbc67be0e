#include "stub_image.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/failure.h"
#include "common/number_text.h"

namespace lzsfx {
namespace {

// PE layout: offsets of the fields we use, in bytes.
constexpr std::uint64_t DosNewHeaderField = 0x3C;      // e_lfanew
constexpr std::uint64_t CoffHeaderSize = 20;
constexpr std::uint64_t CoffSectionCount = 2;           // within the COFF header
constexpr std::uint64_t CoffOptionalHeaderSize = 16;
constexpr std::uint16_t Pe32Magic = 0x10B;
constexpr std::uint16_t Pe32PlusMagic = 0x20B;
constexpr std::uint64_t OptionalSizeOfHeaders = 60;
constexpr std::uint64_t OptionalCheckSum = 64;
constexpr std::uint64_t Pe32DirectoryCount = 92;        // NumberOfRvaAndSizes
constexpr std::uint64_t Pe32PlusDirectoryCount = 108;
constexpr std::uint32_t ResourceDirectoryIndex = 2;
constexpr std::uint32_t CertificateDirectoryIndex = 4;  // its "address" is a file offset
constexpr std::uint64_t SectionHeaderSize = 40;
constexpr std::uint32_t RtString = 6;
constexpr std::uint32_t FirstStringBlock = 1;           // strings 0..15
constexpr std::uint32_t StringsPerBlock = 16;
constexpr std::uint32_t SubdirectoryBit = 0x80000000;
constexpr std::uint32_t NamedEntryBit = 0x80000000;

// ELF layout.
constexpr std::uint8_t ElfClass32 = 1;
constexpr std::uint8_t ElfClass64 = 2;
constexpr std::uint8_t ElfDataLittle = 1;
constexpr std::uint8_t ElfDataBig = 2;
constexpr std::uint32_t ElfNoBits = 8;                  // SHT_NOBITS: no bytes in the file
constexpr const char* OffsetSectionName = ".lzsfx_offset";

[[noreturn]] void Fail(const std::string& message) { throw StubImageError(message); }

// Reads little- or big-endian integers at absolute positions, failing with a message that
// says which structure was cut short.
class Reader {
 public:
  Reader(const ByteSource& file, bool bigEndian = false) : file_(file), bigEndian_(bigEndian) {}

  std::uint64_t Unsigned(std::uint64_t position, std::size_t width, const char* what) const {
    std::array<std::uint8_t, 8> bytes{};
    // overflow detection: positions come from the file
    if (position > file_.Size() || !file_.ReadAt(position, std::span(bytes.data(), width))) {
      Fail(std::string("the file ends inside its ") + what);
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t index = bigEndian_ ? i : width - 1 - i;
      value = (value << 8) | bytes[index];
    }
    return value;
  }
  std::uint16_t U16(std::uint64_t position, const char* what) const {
    return static_cast<std::uint16_t>(Unsigned(position, 2, what));
  }
  std::uint32_t U32(std::uint64_t position, const char* what) const {
    return static_cast<std::uint32_t>(Unsigned(position, 4, what));
  }
  std::uint64_t U64(std::uint64_t position, const char* what) const { return Unsigned(position, 8, what); }

  void Bytes(std::uint64_t position, std::span<std::uint8_t> out, const char* what) const {
    if (!file_.ReadAt(position, out)) Fail(std::string("the file ends inside its ") + what);
  }
  std::uint64_t Size() const { return file_.Size(); }

 private:
  const ByteSource& file_;
  bool bigEndian_;
};

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawSize;
  std::uint32_t rawPointer;
};

struct PeHeaders {
  ImageFormat format;
  std::uint64_t optionalHeader;
  std::uint32_t sizeOfHeaders;
  std::vector<Section> sections;
  std::uint32_t directoryCount;
  std::uint64_t directories;
};

PeHeaders ReadPeHeaders(const Reader& in) {
  PeHeaders pe{};
  const std::uint64_t peHeader = in.U32(DosNewHeaderField, "DOS header");
  std::array<std::uint8_t, 4> signature{};
  in.Bytes(peHeader, signature, "PE header");
  if (std::memcmp(signature.data(), "PE\0\0", 4) != 0) Fail("it is an MZ file without a PE header");
  const std::uint64_t coff = peHeader + 4;
  const std::uint16_t sectionCount = in.U16(coff + CoffSectionCount, "COFF header");
  const std::uint16_t optionalSize = in.U16(coff + CoffOptionalHeaderSize, "COFF header");
  pe.optionalHeader = coff + CoffHeaderSize;
  const std::uint16_t magic = in.U16(pe.optionalHeader, "optional header");
  std::uint64_t countField = 0;
  if (magic == Pe32Magic) {
    pe.format = ImageFormat::Pe32;
    countField = Pe32DirectoryCount;
  } else if (magic == Pe32PlusMagic) {
    pe.format = ImageFormat::Pe32Plus;
    countField = Pe32PlusDirectoryCount;
  } else {
    Fail("its optional header is neither PE32 nor PE32+");
  }
  if (optionalSize < countField + 4) Fail("its optional header is too short");
  pe.sizeOfHeaders = in.U32(pe.optionalHeader + OptionalSizeOfHeaders, "optional header");
  pe.directories = pe.optionalHeader + countField + 4;
  // Only the directories that fit the optional header's declared size count.
  const std::uint64_t room = (optionalSize - countField - 4) / 8;
  pe.directoryCount = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(in.U32(pe.optionalHeader + countField, "optional header"), room));

  const std::uint64_t table = pe.optionalHeader + optionalSize;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t header = table + i * SectionHeaderSize;
    pe.sections.push_back(Section{in.U32(header + 12, "section table"), in.U32(header + 8, "section table"),
                                  in.U32(header + 16, "section table"), in.U32(header + 20, "section table")});
  }
  return pe;
}

FileRegion DataDirectory(const Reader& in, const PeHeaders& pe, std::uint32_t index) {
  if (index >= pe.directoryCount) return {};
  return FileRegion{in.U32(pe.directories + index * 8, "data directories"),
                    in.U32(pe.directories + index * 8 + 4, "data directories")};
}

// Maps an RVA to a file position through the section whose raw data holds it.
std::uint64_t RvaToFile(const PeHeaders& pe, std::uint64_t rva, std::uint64_t length, const char* what) {
  for (const Section& s : pe.sections) {
    const std::uint64_t rawSpan = std::min<std::uint64_t>(s.rawSize, s.virtualSize ? s.virtualSize : s.rawSize);
    if (rva >= s.virtualAddress && rva + length <= s.virtualAddress + rawSpan) {
      return s.rawPointer + (rva - s.virtualAddress);
    }
  }
  Fail(std::string("its ") + what + " lies outside the raw data of every section");
}

std::uint64_t PeImageEnd(const PeHeaders& pe) {
  std::uint64_t end = pe.sizeOfHeaders;
  for (const Section& s : pe.sections) {
    if (s.rawSize != 0) end = std::max<std::uint64_t>(end, std::uint64_t{s.rawPointer} + s.rawSize);
  }
  return end;
}

// Finds the entry with the given id in a resource directory (or the first id entry when
// id is omitted) and gives its OffsetToData field.
std::uint32_t FindResourceEntry(const Reader& in, std::uint64_t directory, const std::uint32_t* id,
                                const char* what) {
  const std::uint32_t named = in.U16(directory + 12, "resource directory");
  const std::uint32_t ids = in.U16(directory + 14, "resource directory");
  for (std::uint32_t i = named; i < named + ids; ++i) {
    const std::uint64_t entry = directory + 16 + std::uint64_t{i} * 8;
    const std::uint32_t name = in.U32(entry, "resource directory");
    if (name & NamedEntryBit) continue;
    if (id == nullptr || name == *id) return in.U32(entry + 4, "resource directory");
  }
  Fail(std::string("it has no ") + what);
}

std::uint64_t Subdirectory(std::uint64_t resourceBase, std::uint32_t offsetToData, const char* what) {
  if (!(offsetToData & SubdirectoryBit)) Fail(std::string("its ") + what + " is not a resource directory");
  return resourceBase + (offsetToData & ~SubdirectoryBit);
}

void ReadStringOne(const Reader& in, const PeHeaders& pe, StubImage& image) {
  const FileRegion resources = DataDirectory(in, pe, ResourceDirectoryIndex);
  if (resources.offset == 0 || resources.size == 0) Fail("it has no resources (no string resource 1)");
  const std::uint64_t base = RvaToFile(pe, resources.offset, 16, "resource directory");

  const std::uint32_t typeEntry = FindResourceEntry(in, base, &RtString, "string table (RT_STRING)");
  const std::uint64_t types = Subdirectory(base, typeEntry, "string table");
  const std::uint32_t blockEntry = FindResourceEntry(in, types, &FirstStringBlock, "string block of string 1");
  const std::uint64_t languages = Subdirectory(base, blockEntry, "string block");
  const std::uint32_t languageEntry = FindResourceEntry(in, languages, nullptr, "language of string block 1");
  if (languageEntry & SubdirectoryBit) Fail("its string block 1 is a directory, not data");
  const std::uint64_t dataEntry = base + languageEntry;
  const std::uint32_t blockRva = in.U32(dataEntry, "resource data entry");
  const std::uint32_t blockSize = in.U32(dataEntry + 4, "resource data entry");
  const std::uint64_t block = RvaToFile(pe, blockRva, blockSize, "string block");

  // The block is 16 counted UTF-16 strings; string 1 is the second.
  std::uint64_t position = block;
  const std::uint64_t blockEnd = block + blockSize;
  for (std::uint32_t index = 0; index < StringsPerBlock; ++index) {
    if (position + 2 > blockEnd) Fail("its string block 1 is cut short");
    const std::uint16_t length = in.U16(position, "string block");
    const std::uint64_t text = position + 2;
    if (text + std::uint64_t{length} * 2 > blockEnd) Fail("its string block 1 is cut short");
    if (index == 1) {
      image.offsetSlot = text;
      image.offsetSlotLength = length;
      for (std::uint16_t c = 0; c < length; ++c) {
        const std::uint16_t unit = in.U16(text + c * 2u, "string block");
        image.offsetText.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
      }
      return;
    }
    position = text + std::uint64_t{length} * 2;
  }
}

StubImage InspectPe(const Reader& in) {
  const PeHeaders pe = ReadPeHeaders(in);
  StubImage image;
  image.format = pe.format;
  image.imageEnd = PeImageEnd(pe);
  image.hasChecksum = true;
  image.checksumPosition = pe.optionalHeader + OptionalCheckSum;
  image.certificateTable = DataDirectory(in, pe, CertificateDirectoryIndex);
  if (image.certificateTable.offset == 0) image.certificateTable = {};
  ReadStringOne(in, pe, image);
  return image;
}

StubImage InspectElf(const ByteSource& file) {
  std::array<std::uint8_t, 16> ident{};
  Reader(file).Bytes(0, ident, "ELF header");
  const bool is64 = ident[4] == ElfClass64;
  if (ident[4] != ElfClass32 && !is64) Fail("its ELF class is unknown");
  if (ident[5] != ElfDataLittle && ident[5] != ElfDataBig) Fail("its ELF byte order is unknown");
  const Reader in(file, ident[5] == ElfDataBig);

  // Fields of the ELF header and of a section header, by class.
  const std::size_t word = is64 ? 8 : 4;
  const std::uint64_t phoff = in.Unsigned(is64 ? 0x20 : 0x1C, word, "ELF header");
  const std::uint64_t shoff = in.Unsigned(is64 ? 0x28 : 0x20, word, "ELF header");
  const std::uint16_t phentsize = in.U16(is64 ? 0x36 : 0x2A, "ELF header");
  const std::uint16_t phnum = in.U16(is64 ? 0x38 : 0x2C, "ELF header");
  const std::uint16_t shentsize = in.U16(is64 ? 0x3A : 0x2E, "ELF header");
  const std::uint16_t shnum = in.U16(is64 ? 0x3C : 0x30, "ELF header");
  const std::uint16_t shstrndx = in.U16(is64 ? 0x3E : 0x32, "ELF header");
  const std::uint64_t minimumEntry = is64 ? 64 : 40;
  if (shoff == 0 || shnum == 0 || shentsize < minimumEntry) Fail("it has no section headers");
  if (shstrndx >= shnum) Fail("its section name table index is out of range");

  struct ElfSection {
    std::uint32_t name, type;
    std::uint64_t offset, size;
  };
  auto section = [&](std::uint64_t index) {
    const std::uint64_t header = shoff + index * shentsize;
    return ElfSection{in.U32(header, "section headers"), in.U32(header + 4, "section headers"),
                      in.Unsigned(header + (is64 ? 24 : 16), word, "section headers"),
                      in.Unsigned(header + (is64 ? 32 : 20), word, "section headers")};
  };

  StubImage image;
  image.format = is64 ? ImageFormat::Elf64 : ImageFormat::Elf32;
  image.imageEnd = std::max(shoff + std::uint64_t{shnum} * shentsize, phoff + std::uint64_t{phnum} * phentsize);
  const ElfSection names = section(shstrndx);
  const std::string wanted(OffsetSectionName);
  bool found = false;
  for (std::uint64_t i = 0; i < shnum; ++i) {
    const ElfSection s = section(i);
    if (s.type != ElfNoBits && s.size != 0) {
      if (s.offset > in.Size() || s.size > in.Size() - s.offset) Fail("a section lies beyond the end of the file");
      image.imageEnd = std::max(image.imageEnd, s.offset + s.size);
    }
    if (found || s.name >= names.size) continue;
    std::vector<std::uint8_t> name(std::min<std::uint64_t>(wanted.size() + 1, names.size - s.name));
    in.Bytes(names.offset + s.name, name, "section name table");
    if (name.size() == wanted.size() + 1 && std::memcmp(name.data(), wanted.c_str(), name.size()) == 0) {
      if (s.type == ElfNoBits) Fail("its section .lzsfx_offset holds no bytes in the file");
      found = true;
      image.offsetSlot = s.offset;
      // The slot is the text up to its terminating zero (nine digits in a usable stub).
      std::vector<std::uint8_t> text(std::min<std::uint64_t>(s.size, 64));
      in.Bytes(s.offset, text, "section .lzsfx_offset");
      for (std::uint8_t c : text) {
        if (c == 0) break;
        image.offsetText.push_back(c < 0x80 ? static_cast<char>(c) : '?');
      }
      image.offsetSlotLength = image.offsetText.size();
    }
  }
  if (!found) Fail("it has no section .lzsfx_offset");
  return image;
}

}  // namespace

bool MemoryByteSource::ReadAt(std::uint64_t position, std::span<std::uint8_t> out) const {
  if (position > bytes_.size() || out.size() > bytes_.size() - position) return false;
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position), out.size(), out.begin());
  return true;
}

const char* ImageFormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::Pe32: return "PE32";
    case ImageFormat::Pe32Plus: return "PE32+";
    case ImageFormat::Elf32: return "ELF32";
    case ImageFormat::Elf64: return "ELF64";
  }
  return "?";
}

StubImage InspectImage(const ByteSource& file) {
  std::array<std::uint8_t, 4> magic{};
  if (!file.ReadAt(0, magic)) throw StubImageError("not a stub: the file is too short for a program");
  try {
    if (magic[0] == 'M' && magic[1] == 'Z') return InspectPe(Reader(file));
    if (magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F') return InspectElf(file);
  } catch (const StubImageError& e) {
    throw StubImageError(std::string("not a usable stub: ") + e.what());
  }
  throw StubImageError("not a stub: neither a Windows (PE) nor an ELF program");
}

std::int32_t StoredArchiveOffset(const StubImage& image) {
  std::int32_t value = 0;
  try {
    value = ParseDecimal(image.offsetText);
  } catch (const Exception&) {
    throw StubImageError("the archive offset \"" + image.offsetText + "\" is not a number");
  }
  if (value < 0) throw StubImageError("the archive offset " + image.offsetText + " is negative");
  return value;
}

std::uint64_t ArchiveRegionEnd(const StubImage& image, std::uint64_t fileSize) {
  const FileRegion& certificates = image.certificateTable;
  if (certificates.size != 0 && certificates.offset >= image.imageEnd && certificates.offset <= fileSize) {
    return certificates.offset;
  }
  return fileSize;
}

void CheckFreshStub(const StubImage& image, std::uint64_t fileSize) {
  if (image.certificateTable.size != 0) {
    throw StubImageError("the stub is signed; build the installer from an unsigned stub and sign the result");
  }
  if (image.offsetSlotLength != static_cast<std::size_t>(ArchiveOffsetDigits)) {
    throw StubImageError("its archive offset slot holds " + std::to_string(image.offsetSlotLength) +
                         " characters, not " + std::to_string(ArchiveOffsetDigits));
  }
  if (fileSize > image.imageEnd) {
    throw StubImageError("it already carries an archive (" + std::to_string(fileSize - image.imageEnd) +
                         " bytes follow its image)");
  }
  if (image.offsetText != ArchiveOffsetPlaceholder) {
    throw StubImageError("its archive offset is \"" + image.offsetText + "\", not the placeholder " +
                         ArchiveOffsetPlaceholder + " of a fresh stub");
  }
}

std::string FormatArchiveOffset(std::uint32_t offset) {
  std::string digits = std::to_string(offset);
  const auto width = static_cast<std::size_t>(ArchiveOffsetDigits);
  if (digits.size() > width) throw StubImageError("archive offset " + digits + " needs more than nine digits");
  return std::string(width - digits.size(), '0') + digits;
}

void PatchArchiveOffset(std::span<std::uint8_t> stub, const StubImage& image, std::uint32_t offset) {
  const std::string digits = FormatArchiveOffset(offset);
  const std::size_t unit = image.IsPe() ? 2 : 1;
  if (image.offsetSlotLength != static_cast<std::size_t>(ArchiveOffsetDigits) || image.offsetSlot > stub.size() ||
      stub.size() - image.offsetSlot < static_cast<std::size_t>(ArchiveOffsetDigits) * unit) {
    throw StubImageError("the stub has no nine-character archive offset slot");
  }
  std::uint8_t* slot = stub.data() + image.offsetSlot;
  for (std::size_t i = 0; i < static_cast<std::size_t>(ArchiveOffsetDigits); ++i) {
    slot[i * unit] = static_cast<std::uint8_t>(digits[i]);
    if (unit == 2) slot[i * unit + 1] = 0;
  }
  if (image.hasChecksum) StoreChecksum(stub, image, 0);
}

void PeChecksum::Add(std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  if (hasOddByte_ && !bytes.empty()) {
    sum_ += oddByte_ | (bytes[0] << 8);
    hasOddByte_ = false;
    i = 1;
  }
  // Folding every word keeps the sum in 17 bits; 64 bits leave room to fold less often.
  std::uint64_t sum = sum_;
  for (; i + 1 < bytes.size(); i += 2) {
    sum += bytes[i] | (bytes[i + 1] << 8);
    if (sum >= (std::uint64_t{1} << 48)) sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum_ = sum;
  if (i < bytes.size()) {
    oddByte_ = bytes[i];
    hasOddByte_ = true;
  }
  length_ += bytes.size();
}

std::uint32_t PeChecksum::Finish() const {
  std::uint64_t sum = sum_ + (hasOddByte_ ? oddByte_ : 0);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + length_);
}

void StoreChecksum(std::span<std::uint8_t> stub, const StubImage& image, std::uint32_t checksum) {
  if (!image.hasChecksum || image.checksumPosition > stub.size() || stub.size() - image.checksumPosition < 4) {
    throw StubImageError("the stub has no CheckSum field");
  }
  for (int i = 0; i < 4; ++i) stub[image.checksumPosition + i] = static_cast<std::uint8_t>(checksum >> (8 * i));
}

}  // namespace lzsfx
