#include "extract/sfx_fixture.h"

#include <fstream>
#include <iterator>
#include <span>
#include <stdexcept>

#include "lzhuf/lzhuf_encoder.h"
#include "stub_image.h"

namespace lzsfx::test_fixture {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void AddMember(ArchiveParts& parts, const FixtureFile& file, std::int32_t& offset) {
  ByteBuffer stream = EncodeBuffer(Bytes(file.Data));
  CatalogEntry entry;
  entry.Name = file.Name;
  entry.OriginalSize = static_cast<std::int32_t>(file.Data.size());
  entry.CompressedSize = static_cast<std::int32_t>(stream.size());
  entry.Offset = offset;
  entry.Attributes = static_cast<std::int32_t>(file.Attributes);
  entry.Date = file.Date;
  offset += entry.CompressedSize;
  parts.Entries.push_back(entry);
  parts.Streams.push_back(std::move(stream));
}

}  // namespace

std::string ConfigText(const std::vector<std::string>& lines) {
  std::string text = "[VESK Configuration]\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text + "\r\n";
}

ArchiveParts Compress(const Fixture& fixture) {
  ArchiveParts parts;
  std::int32_t offset = 0;
  for (const FixtureFile& file : fixture.Files) AddMember(parts, file, offset);
  AddMember(parts, FixtureFile{fixture.ConfigName, fixture.ConfigText}, offset);
  return parts;
}

ByteBuffer Assemble(const ByteBuffer& stubImage, const ArchiveParts& parts) {
  ByteBuffer file = stubImage;
  const StubImage image = InspectImage(MemoryByteSource(file));
  PatchArchiveOffset(file, image, static_cast<std::uint32_t>(file.size()));
  const ByteBuffer catalog = EncodeCatalog(parts.Entries);
  file.insert(file.end(), catalog.begin(), catalog.end());
  for (const ByteBuffer& stream : parts.Streams) file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

ByteBuffer BuildSelfExtractor(const ByteBuffer& stubImage, const Fixture& fixture) {
  return Assemble(stubImage, Compress(fixture));
}

void OverwriteOffsetText(ByteBuffer& program, const std::string& text) {
  const StubImage image = InspectImage(MemoryByteSource(program));
  const std::size_t characterSize = image.IsPe() ? 2 : 1;  // UTF-16LE in PE resources, ASCII in ELF
  for (std::size_t i = 0; i < image.offsetSlotLength && i < text.size(); ++i) {
    const std::size_t position = image.offsetSlot + i * characterSize;
    program.at(position) = static_cast<std::uint8_t>(text[i]);
    if (characterSize == 2) program.at(position + 1) = 0;
  }
}

ByteBuffer ReadWholeFile(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + nativePath);
  return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& nativePath, const ByteBuffer& bytes) {
  std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + nativePath);
}

}  // namespace lzsfx::test_fixture
