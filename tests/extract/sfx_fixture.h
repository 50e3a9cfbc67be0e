// Self-extracting files for the end-to-end tests of the extraction run: a stub program with
// its archive offset patched, followed by an archive of the given files and configuration.
// Portable, so that the native tests and the Windows fixture program build them alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/catalog_format.h"

namespace lzsfx::test_fixture {

inline constexpr std::uint32_t ArchiveAttribute = 0x20;
inline constexpr std::uint32_t ReadOnlyArchive = 0x21;
inline constexpr long double Noon2000 = 36526.5L;  // 2000-01-01 12:00:00

struct FixtureFile {
  std::string Name;
  std::string Data;
  std::uint32_t Attributes = ArchiveAttribute;
  long double Date = Noon2000;
};

struct Fixture {
  std::vector<FixtureFile> Files;
  std::string ConfigName = "SETUP.INI";
  std::string ConfigText = "[VESK Configuration]\r\n";
};

// "[VESK Configuration]" followed by the given "key=value" lines, each ended by CR LF.
std::string ConfigText(const std::vector<std::string>& lines);

// The catalog entries and the compressed streams of a fixture, for an archive that starts
// at archiveOffset; entries and streams may be changed before Assemble.
struct ArchiveParts {
  std::vector<CatalogEntry> Entries;
  std::vector<ByteBuffer> Streams;
};
ArchiveParts Compress(const Fixture& fixture);

// The program file: image (with ArchiveOffset = its size written into its offset slot),
// catalog of the entries as they are, and the streams back to back.
ByteBuffer Assemble(const ByteBuffer& stubImage, const ArchiveParts& parts);

// Compress and Assemble with the Offsets laid out in order.
ByteBuffer BuildSelfExtractor(const ByteBuffer& stubImage, const Fixture& fixture);

// Replaces the program's archive offset text by other characters (as many as the slot
// holds), as a damaged or hand-edited program file would carry them.
void OverwriteOffsetText(ByteBuffer& program, const std::string& text);

ByteBuffer ReadWholeFile(const std::string& nativePath);
void WriteWholeFile(const std::string& nativePath, const ByteBuffer& bytes);

}  // namespace lzsfx::test_fixture
