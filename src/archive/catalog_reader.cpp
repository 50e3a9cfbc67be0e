#include "archive/catalog_reader.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "archive/entry_name.h"
#include "archive/entry_table.h"
#include "archive/extended_float.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "platform/files.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

constexpr std::int64_t MaxTextLength = std::numeric_limits<std::int32_t>::max();  // bytes

[[noreturn]] void RaiseInvalidCatalog() { Raise<Exception>(InvalidCatalogMessage); }

void ReadOrFail(CatalogSource& source, void* buffer, std::uint32_t count) {
  if (!source.ReadExactly(buffer, count)) RaiseInvalidCatalog();
}

std::uint32_t ReadLittleEndian(CatalogSource& source, std::uint32_t byteCount) {
  std::uint8_t bytes[4] = {};
  ReadOrFail(source, bytes, byteCount);
  std::uint32_t value = 0;
  for (std::uint32_t i = byteCount; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

// Closes the program file on every path out of ReadCatalog.
class ScopedFile {
 public:
  explicit ScopedFile(FileHandle file) : file_(file) {}
  ~ScopedFile() {
    if (file_ != InvalidFileHandle) platform::Close(file_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  FileHandle Get() const { return file_; }

 private:
  FileHandle file_;
};

}  // namespace

FileCatalogSource::FileCatalogSource(FileHandle file)
    : file_(file), size_(platform::FileSize(file)), position_(platform::Tell(file)) {
  if (position_ < 0) position_ = 0;
}

void FileCatalogSource::SeekTo(std::int32_t position) {
  if (platform::Seek(file_, position)) position_ = position;
}

bool FileCatalogSource::ReadExactly(void* buffer, std::uint32_t count) {
  std::uint32_t transferred = 0;
  const bool read = platform::Read(file_, buffer, count, transferred);
  position_ += transferred;
  return read && transferred == count;
}

void FileCatalogSource::StepBack() {
  // Only ever called right after a byte was read, so the position is at least 1.
  position_ -= 1;
  platform::Seek(file_, static_cast<std::int32_t>(position_));
}

void MemoryCatalogSource::SeekTo(std::int32_t position) {
  if (position >= 0) position_ = position;
}

bool MemoryCatalogSource::ReadExactly(void* buffer, std::uint32_t count) {
  const std::int64_t available = Remaining() > 0 ? Remaining() : 0;
  const std::uint32_t transferred = count <= available ? count : static_cast<std::uint32_t>(available);
  if (transferred > 0) std::memcpy(buffer, file_.data() + position_, transferred);
  position_ += transferred;
  return transferred == count;
}

void MemoryCatalogSource::StepBack() { position_ -= 1; }

std::uint8_t ReadTag(CatalogSource& source) {
  std::uint8_t tag = 0;
  ReadOrFail(source, &tag, 1);
  return tag;
}

void ExpectTag(CatalogSource& source, CatalogTag tag) {
  if (ReadTag(source) != tag) RaiseInvalidCatalog();
}

bool AtListEnd(CatalogSource& source) {
  const std::uint8_t tag = ReadTag(source);
  source.StepBack();
  return tag == TagEnd;
}

std::int32_t ReadIntegerValue(CatalogSource& source) {
  switch (ReadTag(source)) {
    case TagInt8:
      return static_cast<std::int8_t>(ReadLittleEndian(source, 1));
    case TagInt16:
      return static_cast<std::int16_t>(ReadLittleEndian(source, 2));
    case TagInt32:
      return static_cast<std::int32_t>(ReadLittleEndian(source, 4));
    default:
      RaiseInvalidCatalog();
  }
}

long double ReadFloatValue(CatalogSource& source) {
  if (ReadTag(source) != TagExtended) {
    source.StepBack();
    return ReadIntegerValue(source);
  }
  ExtendedBytes bytes{};
  ReadOrFail(source, bytes.data(), ExtendedSize);
  return DecodeExtended(bytes);
}

std::string ReadStringValue(CatalogSource& source) {
  std::uint32_t length = 0;
  switch (ReadTag(source)) {
    case TagString:
      length = ReadLittleEndian(source, 1);
      break;
    case TagLongString:
      length = ReadLittleEndian(source, 4);
      break;
    default:
      RaiseInvalidCatalog();
  }
  // Hostile input: a length beyond the end of the file is refused before it is allocated.
  if (length > MaxTextLength || length > source.Remaining()) RaiseInvalidCatalog();
  std::string text;
  try {
    text.resize(length);
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory();
  }
  ReadOrFail(source, text.data(), length);
  return text;
}

std::int32_t ReadCatalogEntries(CatalogSource& source, std::int32_t archiveOffset, const CatalogEntrySink& sink) {
  source.SeekTo(archiveOffset);
  ExpectTag(source, TagList);
  while (!AtListEnd(source)) {
    CatalogEntry entry;
    entry.Name = ReadStringValue(source);
    // Hostile input: a Name that could leave the destination is refused before anything
    // of the archive is written.
    if (!IsSafeEntryName(entry.Name)) RaiseInvalidCatalog();
    entry.OriginalSize = ReadIntegerValue(source);
    entry.CompressedSize = ReadIntegerValue(source);
    entry.Offset = ReadIntegerValue(source);
    entry.Attributes = ReadIntegerValue(source);
    entry.Date = ReadFloatValue(source);
    // Hostile input: a Date that is infinite or NaN once rounded to the double of the
    // entry line would reach it as a text that no conversion takes back, and end the run
    // half way through the extraction.
    if (!std::isfinite(static_cast<double>(entry.Date))) RaiseInvalidCatalog();
    sink(entry);
  }
  ExpectTag(source, TagEnd);
  // Overflow detection: the data must be reachable with 32-bit positions.
  if (source.Position() > std::numeric_limits<std::int32_t>::max()) RaiseInvalidCatalog();
  return static_cast<std::int32_t>(source.Position());
}

std::int32_t ReadCatalogEntries(FileHandle file, std::int32_t archiveOffset, const CatalogEntrySink& sink) {
  FileCatalogSource source(file);
  return ReadCatalogEntries(source, archiveOffset, sink);
}

std::int32_t ReadCatalogEntries(std::span<const std::uint8_t> file, std::int32_t archiveOffset,
                                const CatalogEntrySink& sink) {
  MemoryCatalogSource source(file);
  return ReadCatalogEntries(source, archiveOffset, sink);
}

bool ReadCatalog() {
  // Not guarded: a bad offset text is a failure of the run, not of the catalog.
  const std::int32_t archiveOffset =
      ParseDecimal(platform::LoadStringResource(ArchiveOffsetResource, CatalogTextBufferSize));
  State.ArchivePath = platform::ProgramPath(CatalogTextBufferSize);

  bool valid = true;
  {
    const ScopedFile file(platform::OpenForReading(State.ArchivePath));
    try {
      State.DataStart = ReadCatalogEntries(file.Get(), archiveOffset,
                                           [](const CatalogEntry& entry) { EntryTableAdd(FormatEntryLine(entry)); });
    } catch (const Exception&) {
      valid = false;
    } catch (const std::bad_alloc&) {  // exhausted memory is a bad catalog too
      valid = false;
    }
  }
  if (!valid) ShowInvalidArchiveMessage();
  return valid;
}

void ShowInvalidArchiveMessage() {
  platform::ShowMessageBox(InvalidArchiveText, InvalidArchiveCaption, platform::MbOk | platform::MbIconExclamation);
}

}  // namespace lzsfx
