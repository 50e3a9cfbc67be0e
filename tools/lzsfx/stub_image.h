// The stub program as a file: where its image ends, where the nine-digit archive offset
// (string resource 1) is kept, and how to patch it. Windows stubs (PE32 and PE32+) keep the
// offset in their resource directory: RT_STRING, block 1 (strings 0..15), first language,
// second counted UTF-16 string. POSIX stubs (ELF, 32 and 64-bit) keep it in the section
// `.lzsfx_offset`, found by name in the section headers, as nine ASCII digits and a zero.
//
// Contract: everything is found by walking the headers, never by searching bytes. Every
// offset read from the file is checked against the file's size before it is followed, so
// a truncated or hostile file ends in StubImageError with a message naming what is wrong,
// never in a read outside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/catalog_format.h"  // ArchiveOffsetDigits

namespace lzsfx {

// What a stub's slot holds before an archive is appended (ArchiveOffsetDigits zeros).
inline constexpr const char* ArchiveOffsetPlaceholder = "000000000";

class StubImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Random access to the bytes of a file (or of a buffer). ReadAt gives false when the
// range does not lie wholly inside the source.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  virtual bool ReadAt(std::uint64_t position, std::span<std::uint8_t> out) const = 0;
};

class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t position, std::span<std::uint8_t> out) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

enum class ImageFormat { Pe32, Pe32Plus, Elf32, Elf64 };
const char* ImageFormatName(ImageFormat format);

// A byte range of the file.
struct FileRegion {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint64_t End() const { return offset + size; }
};

struct StubImage {
  ImageFormat format = ImageFormat::Pe32;
  std::uint64_t imageEnd = 0;          // PE: end of the last section's raw data; ELF: end of
                                       // the last section, header table or program header table
  std::uint64_t offsetSlot = 0;        // file position of the offset text
  std::size_t offsetSlotLength = 0;    // characters the slot holds (9 in a usable stub)
  std::string offsetText;              // the slot's text; non-ASCII characters become '?'
  bool hasChecksum = false;            // PE: the optional header's CheckSum field
  std::uint64_t checksumPosition = 0;
  FileRegion certificateTable;         // PE: Authenticode signature, size 0 when unsigned

  bool IsPe() const { return format == ImageFormat::Pe32 || format == ImageFormat::Pe32Plus; }
};

// Walks the headers of a PE or ELF file. Throws StubImageError when the file is neither,
// is cut short, or has no offset slot.
StubImage InspectImage(const ByteSource& file);

// The archive offset as the stub reads it (ParseDecimal of the slot's text). Throws
// StubImageError when the text does not convert or the value is negative.
std::int32_t StoredArchiveOffset(const StubImage& image);

// Where the archive of a self-extracting file ends: before the certificate table of a
// signed PE file (a signature is added after the archive), else at the end of the file.
std::uint64_t ArchiveRegionEnd(const StubImage& image, std::uint64_t fileSize);

// Throws StubImageError unless the file is a stub that an archive can be appended to:
// the slot holds the placeholder, nothing follows the image, and it is not signed.
void CheckFreshStub(const StubImage& image, std::uint64_t fileSize);

// "000046592": the offset as nine decimal digits with leading zeros.
std::string FormatArchiveOffset(std::uint32_t offset);

// Writes the offset into the slot of a stub held in memory (UTF-16LE for PE, ASCII for ELF).
// For a PE stub the CheckSum field is set to 0: the caller computes the checksum over the
// finished file (PeChecksum) and stores it with StoreChecksum.
void PatchArchiveOffset(std::span<std::uint8_t> stub, const StubImage& image, std::uint32_t offset);

// The PE image checksum: 16-bit one's-complement sum of the file's little-endian words
// (an odd last byte counts as a word with a zero high byte), folded, plus the file length.
// Fed in file order, in pieces of any size; the CheckSum field must read as zero in them.
class PeChecksum {
 public:
  void Add(std::span<const std::uint8_t> bytes);
  std::uint32_t Finish() const;

 private:
  std::uint64_t sum_ = 0;
  std::uint64_t length_ = 0;
  bool hasOddByte_ = false;
  std::uint8_t oddByte_ = 0;
};

// Stores a checksum in the CheckSum field of a PE stub held in memory.
void StoreChecksum(std::span<std::uint8_t> stub, const StubImage& image, std::uint32_t checksum);

}  // namespace lzsfx
