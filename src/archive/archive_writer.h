// Writing archives, for the builder and for tests. It knows nothing of compression: the
// caller compresses every file first, lays out the catalog from the sizes it then knows,
// writes the image, the catalog bytes, and appends the streams in catalog order.
//
//   CatalogLayout layout = LayOutCatalog(files, configuration, imageSize);
//   write(image); write(layout.Catalog); for each file, then the configuration: write(stream);
//
// The catalog follows catalog_format.h: integers with the narrowest tag, Names with
// TagString up to 255 bytes and TagLongString beyond, Dates as TagExtended, streams back
// to back from DataStart in catalog order, the configuration entry last. Everything that
// the stub cannot read back is refused with an Exception whose message names the problem.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/catalog_format.h"

namespace lzsfx {

using ByteBuffer = std::vector<std::uint8_t>;

// Value encoders: each appends one tagged value to out.
void AppendTag(ByteBuffer& out, CatalogTag tag);
void AppendIntegerValue(ByteBuffer& out, std::int32_t value);  // TagInt8, TagInt16 or TagInt32
void AppendStringValue(ByteBuffer& out, std::string_view text);  // TagString or TagLongString
void AppendFloatValue(ByteBuffer& out, long double value);  // TagExtended

// One file to store, as the builder knows it once the file is compressed. Sizes are wide
// so that values beyond 32 bits can be refused rather than cut.
struct ArchiveMember {
  std::string Name;  // '\'-separated path below the destination, ANSI bytes
  std::int64_t OriginalSize = 0;
  std::int64_t CompressedSize = 0;
  std::uint32_t Attributes = 0;
  long double Date = 0;  // days since 1899-12-30, local time
};

struct CatalogLayout {
  ByteBuffer Catalog;                 // from ArchiveOffset up to DataStart
  std::vector<CatalogEntry> Entries;  // as stored, the configuration last
  std::int32_t DataStart = 0;         // ArchiveOffset + Catalog.size()
  std::int64_t FileSize = 0;          // DataStart + the sum of the compressed sizes
};

// The catalog of files followed by configuration, for an archive appended at
// archiveOffset (the size of the image). Refuses: a Name that IsSafeEntryName refuses, a
// configuration Name that is empty or holds '\', '/' or ':', a negative size or one beyond
// 32 bits, attributes beyond 31 bits, a Date that is not finite, and a program file that
// would reach 2 GiB.
CatalogLayout LayOutCatalog(std::span<const ArchiveMember> files, const ArchiveMember& configuration,
                            std::int64_t archiveOffset);

// The catalog bytes of entries exactly as given (Offsets included), without any check of
// Names or layout: the value encoders applied to TagList, the entries and TagEnd. For
// tests that need a catalog the layout rules would refuse.
ByteBuffer EncodeCatalog(std::span<const CatalogEntry> entries);

}  // namespace lzsfx
