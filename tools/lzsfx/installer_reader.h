// Reading a self-extracting file of this format, whoever built it, Windows (PE32/PE32+) or
// POSIX (ELF) stub alike: the archive is found through the stub's offset slot
// (stub_image.h), the catalog read with the stub's own reader, and each entry's stream
// decoded from the file by position, never read past its CompressedSize. A signed file
// keeps working: the archive ends where the certificate table begins.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "archive/catalog_format.h"
#include "stream_codec.h"
#include "stub_image.h"
#include "tool_files.h"

namespace lzsfx::tool {

struct Installer {
  std::unique_ptr<InputFile> file;
  StubImage stub;
  std::int32_t archiveOffset = 0;
  std::int32_t dataStart = 0;
  std::uint64_t archiveEnd = 0;       // where the data region ends (file end or signature)
  std::vector<CatalogEntry> entries;  // in catalog order, the configuration entry last
  int codePage = 1252;                // for showing Names
};

// Opens and reads the catalog. Throws ToolError saying what is wrong: not a stub, no
// archive yet, an offset outside the file, a damaged catalog.
Installer OpenInstaller(const std::filesystem::path& path, int codePage);

// What decoding one entry found.
struct EntryCheck {
  std::uint64_t decoded = 0;  // bytes the stream decoded to
  std::string problem;        // empty when the entry is sound
};

// Decodes entry `index`, handing at most OriginalSize bytes to sink (in pieces, in order).
// The entry is damaged when its stream lies outside the data region, cannot be read, or
// decodes to fewer than OriginalSize bytes; sizes or an offset below zero are damage too.
// An exception thrown by sink ends the decoding and passes out.
EntryCheck DecodeEntry(const Installer& installer, std::size_t index, const ByteSink& sink);

// The configuration entry's text (the last entry), decoded; empty when there is none.
std::string ConfigurationText(const Installer& installer);

// A Name in UTF-8 for display.
std::string DisplayName(const Installer& installer, const std::string& name);

}  // namespace lzsfx::tool
