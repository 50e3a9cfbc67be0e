// Archives in memory for tests of any subsystem: the catalog and the LZHUF streams of a
// list of files followed by the configuration entry, or a hand-made catalog (for hostile
// cases) followed by streams; and a program file on disk made of stub bytes, padding and
// the archive. Patching the offset into a real stub is not done here: give the layer that
// reads string resource 1 the offset by other means (the POSIX test hooks), or use the
// tool's stub image library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_writer.h"

namespace lzsfx::test_support {

inline constexpr std::uint32_t ArchiveBit = 0x20;
inline constexpr long double ExampleDate = 36201.514537037L;  // 1999-02-10 12:20:56

struct ArchiveFile {
  std::string Name;  // '\'-separated, ANSI bytes
  std::string Data;  // the file's contents, compressed by BuildArchive
  std::uint32_t Attributes = ArchiveBit;
  long double Date = ExampleDate;  // days since 1899-12-30
};

// Catalog and streams of files followed by the configuration entry configurationName
// holding configurationText, streams back to back in catalog order. Raises Exception for
// what LayOutCatalog refuses (unsafe Names among them).
ByteBuffer BuildArchive(const std::vector<ArchiveFile>& files, const std::string& configurationText,
                        const std::string& configurationName = "SETUP.INI");

// The catalog bytes as given, followed by each payload compressed, back to back. The
// catalog is not checked: it may be as hostile as the test needs (see EncodeCatalog and
// the value encoders of archive_writer.h for building one).
ByteBuffer BuildArchiveFromCatalog(const ByteBuffer& catalog, const std::vector<std::string>& payloads);

// Writes stub, then zero bytes up to archiveOffset, then archive, to path (a native path).
// Raises std::runtime_error when the stub is longer than archiveOffset or the file cannot
// be written.
void WriteProgramFile(const std::string& path, const ByteBuffer& stub, std::int32_t archiveOffset,
                      const ByteBuffer& archive);

}  // namespace lzsfx::test_support
