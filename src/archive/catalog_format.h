// The layout of the archive that follows the program image, in one place: where it
// starts, the tag bytes of the catalog's values, the six values of each entry and the
// limits that the encoding sets. The reader (catalog_reader.h) and the writer
// (archive_writer.h) both work from these facts.
//
//   program file:  image | catalog | data
//   catalog:       TagList, then per entry Name, OriginalSize, CompressedSize, Offset,
//                  Attributes, Date, then TagEnd where the next Name would begin
//   data:          entry k's stream is the CompressedSize bytes at DataStart + Offset
//
// ArchiveOffset, the position of the catalog, is stored as text in string resource 1 of
// the image; DataStart is the position right after the catalog's TagEnd.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lzsfx {

// The tag byte that opens every value of the catalog. Multi-byte payloads are
// little-endian. No other byte belongs to the format.
enum CatalogTag : std::uint8_t {
  TagEnd = 0,          // no payload: end of the list
  TagList = 1,         // no payload: start of the list
  TagInt8 = 2,         // 1 byte, sign-extended
  TagInt16 = 3,        // 2 bytes, sign-extended
  TagInt32 = 4,        // 4 bytes
  TagExtended = 5,     // 10 bytes: x87 80-bit extended float (extended_float.h)
  TagString = 6,       // 1 length byte, then that many text bytes
  TagLongString = 12,  // 4 length bytes (0 .. 2^31 - 1), then that many text bytes
};

inline constexpr std::size_t ExtendedSize = 10;          // bytes of a TagExtended payload
inline constexpr std::size_t MaxShortStringLength = 255;  // bytes that TagString can carry
inline constexpr int EntryValueCount = 6;                 // values per catalog entry

// Everything is positioned with 32-bit signed seeks: the program file with its archive
// must stay below 2 GiB.
inline constexpr std::int64_t MaxProgramFileSize = std::int64_t{1} << 31;  // bytes, exclusive

// String resource 1 holds the archive offset as nine decimal digits ("000046592").
inline constexpr unsigned ArchiveOffsetResource = 1;
inline constexpr int ArchiveOffsetDigits = 9;
// The stub reads the offset text and its own path into buffers of this size (bytes,
// terminator included).
inline constexpr std::size_t CatalogTextBufferSize = 255;

// The six values that the catalog stores per file, in the order in which they are stored.
struct CatalogEntry {
  std::string Name;                  // path below the destination, '\'-separated, ANSI bytes
  std::int32_t OriginalSize = 0;     // bytes after decompression; informative only
  std::int32_t CompressedSize = 0;   // bytes of the entry's stream
  std::int32_t Offset = 0;           // position of the stream, counted from DataStart
  std::int32_t Attributes = 0;       // Windows file attribute bits
  long double Date = 0;              // days since 1899-12-30, local time; fraction = time of day

  bool operator==(const CatalogEntry&) const = default;
};

}  // namespace lzsfx
