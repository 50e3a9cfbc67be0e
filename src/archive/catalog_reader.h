// The catalog reader: turns the catalog at ArchiveOffset into CatalogEntry values, and
// ReadCatalog, which does so for the running program's own file and fills the entry table.
//
// Contract for hostile input: every value is checked before it is used. A wrong tag, a
// file that ends inside the catalog, a text length beyond the end of the file (refused
// before anything is allocated), a DataStart beyond 32 bits, a Date that is not a finite
// number and a Name that IsSafeEntryName refuses all raise Exception(InvalidCatalogMessage). Nothing is read
// or written outside the reader's own buffers, whatever the input. Sizes, offsets,
// attributes and dates are passed on as the catalog states them.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "archive/catalog_format.h"
#include "common/extraction_state.h"  // FileHandle

namespace lzsfx {

// The failure text of a bad catalog (never shown: ReadCatalog shows its own message). Like
// every system text it is in the ANSI code page: "platný" with y-acute as byte FD of
// code page 1250.
inline constexpr const char* InvalidCatalogMessage = "Toto nieje platn\xFD LZH subor";

// What ReadCatalog shows, with no owner window and MB_ICONEXCLAMATION, for a bad catalog.
inline constexpr const char* InvalidArchiveText = "This is not a valid archive";
inline constexpr const char* InvalidArchiveCaption = "Archive read error";

// Where the catalog is read from: a file, unbuffered (one read per tag, length and payload),
// or bytes in memory. Positions are byte positions from the start of the program file.
class CatalogSource {
 public:
  virtual ~CatalogSource() = default;
  // Moves to position; a negative position cannot be set and leaves the position as it is.
  virtual void SeekTo(std::int32_t position) = 0;
  // Reads count bytes at the position; false when fewer could be read.
  virtual bool ReadExactly(void* buffer, std::uint32_t count) = 0;
  // Moves back over the byte just read.
  virtual void StepBack() = 0;
  virtual std::int64_t Position() const = 0;
  // Bytes from the position to the end of the file; 0 or less when there are none.
  virtual std::int64_t Remaining() const = 0;
};

// A file opened by the caller, who also closes it. An invalid handle fails every read.
class FileCatalogSource final : public CatalogSource {
 public:
  explicit FileCatalogSource(FileHandle file);
  void SeekTo(std::int32_t position) override;
  bool ReadExactly(void* buffer, std::uint32_t count) override;
  void StepBack() override;
  std::int64_t Position() const override { return position_; }
  std::int64_t Remaining() const override { return size_ - position_; }

 private:
  FileHandle file_;
  std::int64_t size_;
  std::int64_t position_;
};

// The whole program file in memory; the bytes must outlive the source.
class MemoryCatalogSource final : public CatalogSource {
 public:
  explicit MemoryCatalogSource(std::span<const std::uint8_t> file) : file_(file) {}
  void SeekTo(std::int32_t position) override;
  bool ReadExactly(void* buffer, std::uint32_t count) override;
  void StepBack() override;
  std::int64_t Position() const override { return position_; }
  std::int64_t Remaining() const override { return static_cast<std::int64_t>(file_.size()) - position_; }

 private:
  std::span<const std::uint8_t> file_;
  std::int64_t position_ = 0;
};

// The reading primitives, each at the source's position. Every failure raises
// Exception(InvalidCatalogMessage).
std::uint8_t ReadTag(CatalogSource& source);            // one byte
void ExpectTag(CatalogSource& source, CatalogTag tag);  // one byte that must be tag
bool AtListEnd(CatalogSource& source);                  // peeks: is the next byte TagEnd?
std::int32_t ReadIntegerValue(CatalogSource& source);   // TagInt8/16/32, sign-extended
long double ReadFloatValue(CatalogSource& source);      // TagExtended, or an integer tag
std::string ReadStringValue(CatalogSource& source);     // TagString or TagLongString

using CatalogEntrySink = std::function<void(const CatalogEntry&)>;

// Reads the catalog at archiveOffset and hands every entry to sink, in catalog order.
// Gives DataStart, the position after the catalog's TagEnd. Raises
// Exception(InvalidCatalogMessage) on a bad catalog (entries handed out before stay
// handed out), EOutOfMemory when a text cannot be allocated, and lets through whatever
// sink raises.
std::int32_t ReadCatalogEntries(CatalogSource& source, std::int32_t archiveOffset, const CatalogEntrySink& sink);
std::int32_t ReadCatalogEntries(FileHandle file, std::int32_t archiveOffset, const CatalogEntrySink& sink);
std::int32_t ReadCatalogEntries(std::span<const std::uint8_t> file, std::int32_t archiveOffset,
                                const CatalogEntrySink& sink);

// The catalog of the running program. Takes ArchiveOffset from string resource 1
// (ParseDecimal: its EConvertError passes out, before any file is opened), sets
// State.ArchivePath to the program's path, and adds one entry line per entry to the entry
// table. True when the whole catalog was read; State.DataStart is then set. False after
// the message box InvalidArchiveText; the lines added before the failure stay in the
// table for the caller to clear. The program file is closed on every path.
bool ReadCatalog();

// The one message of a bad catalog: InvalidArchiveText, caption InvalidArchiveCaption, an
// exclamation mark and an OK button, without an owner window.
void ShowInvalidArchiveMessage();

}  // namespace lzsfx
