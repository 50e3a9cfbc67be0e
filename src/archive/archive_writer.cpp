#include "archive/archive_writer.h"

#include <cmath>
#include <limits>
#include <string>

#include "archive/entry_name.h"
#include "archive/extended_float.h"
#include "common/failure.h"

namespace lzsfx {
namespace {

constexpr std::int64_t MaxValue = std::numeric_limits<std::int32_t>::max();

void AppendLittleEndian(ByteBuffer& out, std::uint32_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

[[noreturn]] void Refuse(const std::string& name, const std::string& problem) {
  Raise<Exception>("cannot store '" + name + "': " + problem);
}

std::int32_t CheckedValue(const std::string& name, const char* what, std::int64_t value) {
  if (value < 0 || value > MaxValue) Refuse(name, std::string(what) + " is outside 0.." + std::to_string(MaxValue));
  return static_cast<std::int32_t>(value);
}

void CheckMember(const ArchiveMember& member) {
  if (!IsSafeEntryName(member.Name)) Refuse(member.Name, "the name could leave the destination or names a device");
  if (!std::isfinite(static_cast<double>(member.Date))) Refuse(member.Name, "the date is not a finite number");
  if (member.Attributes > MaxValue) Refuse(member.Name, "the attributes are outside 0.." + std::to_string(MaxValue));
}

void CheckConfigurationName(const std::string& name) {
  // The configuration is extracted by its bare name into the destination.
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) {
    Refuse(name, "the configuration entry needs a bare file name");
  }
}

void AppendEntry(ByteBuffer& out, const CatalogEntry& entry) {
  AppendStringValue(out, entry.Name);
  AppendIntegerValue(out, entry.OriginalSize);
  AppendIntegerValue(out, entry.CompressedSize);
  AppendIntegerValue(out, entry.Offset);
  AppendIntegerValue(out, entry.Attributes);
  AppendFloatValue(out, entry.Date);
}

}  // namespace

void AppendTag(ByteBuffer& out, CatalogTag tag) { out.push_back(tag); }

void AppendIntegerValue(ByteBuffer& out, std::int32_t value) {
  if (value >= std::numeric_limits<std::int8_t>::min() && value <= std::numeric_limits<std::int8_t>::max()) {
    AppendTag(out, TagInt8);
    AppendLittleEndian(out, static_cast<std::uint32_t>(value), 1);
  } else if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max()) {
    AppendTag(out, TagInt16);
    AppendLittleEndian(out, static_cast<std::uint32_t>(value), 2);
  } else {
    AppendTag(out, TagInt32);
    AppendLittleEndian(out, static_cast<std::uint32_t>(value), 4);
  }
}

void AppendStringValue(ByteBuffer& out, std::string_view text) {
  if (text.size() <= MaxShortStringLength) {
    AppendTag(out, TagString);
    AppendLittleEndian(out, static_cast<std::uint32_t>(text.size()), 1);
  } else {
    AppendTag(out, TagLongString);
    AppendLittleEndian(out, static_cast<std::uint32_t>(text.size()), 4);
  }
  out.insert(out.end(), text.begin(), text.end());
}

void AppendFloatValue(ByteBuffer& out, long double value) {
  AppendTag(out, TagExtended);
  const ExtendedBytes bytes = EncodeExtended(value);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

ByteBuffer EncodeCatalog(std::span<const CatalogEntry> entries) {
  ByteBuffer out;
  AppendTag(out, TagList);
  for (const CatalogEntry& entry : entries) AppendEntry(out, entry);
  AppendTag(out, TagEnd);
  return out;
}

CatalogLayout LayOutCatalog(std::span<const ArchiveMember> files, const ArchiveMember& configuration,
                            std::int64_t archiveOffset) {
  CheckConfigurationName(configuration.Name);
  if (archiveOffset < 0 || archiveOffset > MaxValue) Raise<Exception>("the archive offset is outside 0.." + std::to_string(MaxValue));

  CatalogLayout layout;
  std::int64_t offset = 0;  // from DataStart, streams back to back
  auto add = [&](const ArchiveMember& member) {
    CheckMember(member);
    CatalogEntry entry;
    entry.Name = member.Name;
    entry.OriginalSize = CheckedValue(member.Name, "the original size", member.OriginalSize);
    entry.CompressedSize = CheckedValue(member.Name, "the compressed size", member.CompressedSize);
    entry.Offset = CheckedValue(member.Name, "the data offset", offset);
    entry.Attributes = static_cast<std::int32_t>(member.Attributes);
    entry.Date = member.Date;
    offset += member.CompressedSize;
    layout.Entries.push_back(std::move(entry));
  };
  for (const ArchiveMember& member : files) add(member);
  add(configuration);

  layout.Catalog = EncodeCatalog(layout.Entries);
  const std::int64_t dataStart = archiveOffset + static_cast<std::int64_t>(layout.Catalog.size());
  layout.FileSize = dataStart + offset;
  if (layout.FileSize >= MaxProgramFileSize) {
    Raise<Exception>("the program file with its archive would reach 2 GiB");
  }
  layout.DataStart = static_cast<std::int32_t>(dataStart);
  return layout;
}

}  // namespace lzsfx
