#include "installer_reader.h"

#include <algorithm>

#include "archive/catalog_reader.h"
#include "common/code_page.h"
#include "common/failure.h"
#include "stream_codec.h"

namespace lzsfx::tool {
namespace {

// The catalog reader's view of the file: positions inside the archive region only, so that
// a catalog can never run into a certificate table.
class InstallerCatalogSource final : public CatalogSource {
 public:
  InstallerCatalogSource(const InputFile& file, std::uint64_t end) : file_(file), end_(end) {}
  void SeekTo(std::int32_t position) override {
    if (position >= 0) position_ = position;
  }
  bool ReadExactly(void* buffer, std::uint32_t count) override {
    if (position_ < 0 || static_cast<std::uint64_t>(position_) + count > end_) return false;
    if (!file_.ReadAt(static_cast<std::uint64_t>(position_), std::span(static_cast<std::uint8_t*>(buffer), count))) {
      return false;
    }
    position_ += count;
    return true;
  }
  void StepBack() override { --position_; }
  std::int64_t Position() const override { return position_; }
  std::int64_t Remaining() const override { return static_cast<std::int64_t>(end_) - position_; }

 private:
  const InputFile& file_;
  std::uint64_t end_;
  std::int64_t position_ = 0;
};

}  // namespace

Installer OpenInstaller(const std::filesystem::path& path, int codePage) {
  Installer installer;
  installer.codePage = codePage;
  installer.file = std::make_unique<InputFile>(path);
  const std::string where = Utf8FromPath(path) + ": ";
  const std::uint64_t size = installer.file->Size();
  try {
    installer.stub = InspectImage(*installer.file);
  } catch (const StubImageError& e) {
    throw ToolError(where + e.what());
  }
  if (installer.stub.offsetText == ArchiveOffsetPlaceholder) {
    throw ToolError(where + "a stub without an archive (its archive offset is the placeholder)");
  }
  try {
    installer.archiveOffset = StoredArchiveOffset(installer.stub);
  } catch (const StubImageError& e) {
    throw ToolError(where + e.what());
  }
  installer.archiveEnd = ArchiveRegionEnd(installer.stub, size);
  if (static_cast<std::uint64_t>(installer.archiveOffset) >= installer.archiveEnd) {
    throw ToolError(where + "the archive offset " + std::to_string(installer.archiveOffset) +
                    " lies beyond the end of the file (" + std::to_string(size) + " bytes)");
  }

  InstallerCatalogSource source(*installer.file, installer.archiveEnd);
  try {
    installer.dataStart = ReadCatalogEntries(source, installer.archiveOffset,
                                             [&](const CatalogEntry& entry) { installer.entries.push_back(entry); });
  } catch (const Exception&) {
    std::string detail = "the catalog at offset " + std::to_string(installer.archiveOffset) + " is damaged";
    if (static_cast<std::uint64_t>(installer.archiveOffset) < installer.stub.imageEnd) {
      detail += " (the offset points into the program image)";
    } else if (!installer.entries.empty()) {
      detail += " after entry " + std::to_string(installer.entries.size()) + " (" +
                DisplayName(installer, installer.entries.back().Name) + ")";
    }
    throw ToolError(where + detail);
  }
  return installer;
}

EntryCheck DecodeEntry(const Installer& installer, std::size_t index, const ByteSink& sink) {
  const CatalogEntry& entry = installer.entries.at(index);
  EntryCheck check;
  // Hostile catalogs: every value is checked before the stream is looked for.
  if (entry.OriginalSize < 0 || entry.CompressedSize < 0 || entry.Offset < 0) {
    check.problem = "negative size or offset in the catalog";
    return check;
  }
  const std::uint64_t start = static_cast<std::uint64_t>(installer.dataStart) + static_cast<std::uint64_t>(entry.Offset);
  if (start + static_cast<std::uint64_t>(entry.CompressedSize) > installer.archiveEnd) {
    check.problem = "its compressed data (" + std::to_string(entry.CompressedSize) + " bytes at " +
                    std::to_string(start) + ") reaches past the end of the archive (" +
                    std::to_string(installer.archiveEnd) + ")";
    return check;
  }
  // The stream is read by position, never past its CompressedSize; what it decodes to is
  // handed on only up to OriginalSize.
  std::uint64_t position = start, remaining = static_cast<std::uint64_t>(entry.CompressedSize);
  std::uint64_t keep = static_cast<std::uint64_t>(entry.OriginalSize);
  bool readFailed = false;
  const ByteReader reader = [&](std::span<std::uint8_t> buffer) -> std::size_t {
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining));
    if (wanted == 0 || readFailed) return 0;
    if (!installer.file->ReadAt(position, buffer.first(wanted))) {
      readFailed = true;
      return 0;
    }
    position += wanted;
    remaining -= wanted;
    return wanted;
  };
  const ByteSink limited = [&](std::span<const std::uint8_t> bytes) {
    const auto kept = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), keep));
    keep -= kept;
    if (kept > 0) sink(bytes.first(kept));
  };
  check.decoded = DecodeStreamWith(reader, limited);
  if (readFailed) {
    check.problem = "its compressed data cannot be read";
  } else if (check.decoded < static_cast<std::uint64_t>(entry.OriginalSize)) {
    check.problem = "decodes to " + std::to_string(check.decoded) + " bytes, the catalog says " +
                    std::to_string(entry.OriginalSize);
  }
  return check;
}

std::string ConfigurationText(const Installer& installer) {
  if (installer.entries.empty()) return {};
  std::string text;
  DecodeEntry(installer, installer.entries.size() - 1,
              [&](std::span<const std::uint8_t> bytes) { text.append(bytes.begin(), bytes.end()); });
  return text;
}

std::string DisplayName(const Installer& installer, const std::string& name) {
  return CodePageToUtf8(name, installer.codePage);
}

}  // namespace lzsfx::tool
