#include "support/archive_builder.h"

#include <fstream>
#include <span>
#include <stdexcept>

#include "lzhuf/lzhuf_encoder.h"

namespace lzsfx::test_support {
namespace {

ByteBuffer Compress(const std::string& data) {
  return EncodeBuffer(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

void Append(ByteBuffer& out, const ByteBuffer& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

}  // namespace

ByteBuffer BuildArchive(const std::vector<ArchiveFile>& files, const std::string& configurationText,
                        const std::string& configurationName) {
  std::vector<ByteBuffer> streams;
  std::vector<ArchiveMember> members;
  for (const ArchiveFile& file : files) {
    streams.push_back(Compress(file.Data));
    members.push_back({file.Name, static_cast<std::int64_t>(file.Data.size()),
                       static_cast<std::int64_t>(streams.back().size()), file.Attributes, file.Date});
  }
  streams.push_back(Compress(configurationText));
  const ArchiveMember configuration{configurationName, static_cast<std::int64_t>(configurationText.size()),
                                    static_cast<std::int64_t>(streams.back().size()), ArchiveBit, ExampleDate};

  ByteBuffer archive = LayOutCatalog(members, configuration, 0).Catalog;
  for (const ByteBuffer& stream : streams) Append(archive, stream);
  return archive;
}

ByteBuffer BuildArchiveFromCatalog(const ByteBuffer& catalog, const std::vector<std::string>& payloads) {
  ByteBuffer archive = catalog;
  for (const std::string& payload : payloads) Append(archive, Compress(payload));
  return archive;
}

void WriteProgramFile(const std::string& path, const ByteBuffer& stub, std::int32_t archiveOffset,
                      const ByteBuffer& archive) {
  if (archiveOffset < 0 || stub.size() > static_cast<std::size_t>(archiveOffset)) {
    throw std::runtime_error("the stub does not fit before the archive offset");
  }
  ByteBuffer file = stub;
  file.resize(static_cast<std::size_t>(archiveOffset), 0);
  Append(file, archive);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace lzsfx::test_support
