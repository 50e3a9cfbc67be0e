#include "installer_builder.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/catalog_format.h"
#include "common/code_page.h"
#include "common/failure.h"
#include "input_tree.h"
#include "interruption.h"
#include "progress_meter.h"
#include "stream_codec.h"
#include "stub_image.h"
#include "tool_files.h"

namespace lzsfx::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t ReadChunk = 1 << 16;  // bytes per read of an input or the spool
constexpr std::uint32_t ConfigurationAttributes = 0x20;  // the archive bit; the stub does not apply it

// The configuration entry's Date: the newest file's, so that the same tree gives the same bytes.
long double LatestDate(const std::vector<ArchiveMember>& members) {
  long double latest = 0;
  for (const ArchiveMember& member : members) latest = std::max(latest, member.Date);
  return latest;
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) throw ToolError("stub " + Utf8FromPath(path) + ": no such file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ToolError("cannot open " + Utf8FromPath(path));
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw ToolError("cannot read " + Utf8FromPath(path));
  return bytes;
}

// A configuration value in the code page, as the stub's profile reader will see it.
std::string ConfigurationValue(const std::string& key, const std::string& utf8, int codePage) {
  if (utf8.find_first_of("\r\n") != std::string::npos) throw ToolError("--" + key + " cannot hold a line break");
  const std::optional<std::string> value = Utf8ToCodePage(utf8, codePage);
  if (!value) throw ToolError("--" + key + " \"" + utf8 + "\" cannot be written in code page " + std::to_string(codePage));
  if (value->size() > MaxConfigurationValue) {
    throw ToolError("--" + key + " is " + std::to_string(value->size()) + " bytes; the stub reads at most " +
                    std::to_string(MaxConfigurationValue));
  }
  return *value;
}

// The executable must be one of the stored files (compared as Windows compares names).
void CheckExecutableIsStored(const std::string& executable, const std::vector<InputItem>& items,
                             const BuildOptions& options) {
  std::string wanted = FoldCase(executable);
  if (!wanted.empty() && wanted.front() == '\\') wanted.erase(0, 1);
  for (const InputItem& item : items) {
    if (item.directory) continue;
    std::string name = FoldCase(item.name);
    if (!name.empty() && name.front() == '\\') name.erase(0, 1);
    // Without UseDirs every file lands directly in the destination under its file name.
    if (!options.useDirs) name = name.substr(name.find_last_of('\\') + 1);
    if (name == wanted) return;
  }
  throw ToolError("--exec " + *options.executable + " is not one of the stored files" +
                  (options.useDirs ? "" : " (with --no-use-dirs files land directly in the destination)") +
                  "; use --allow-missing-exec for a program that is there already");
}

// The file being written, with the PE checksum kept over every byte in order.
class InstallerWriter {
 public:
  InstallerWriter(AtomicOutput& output, bool checksum) : output_(output), checksum_(checksum) {}
  void Write(std::span<const std::uint8_t> bytes) {
    output_.Write(bytes);
    if (checksum_) sum_.Add(bytes);
  }
  std::uint32_t Checksum() const { return sum_.Finish(); }

 private:
  AtomicOutput& output_;
  bool checksum_;
  PeChecksum sum_;
};

// Compresses one source into the spool; gives the stream's length.
std::uint64_t SpoolStream(const ByteReader& reader, std::fstream& spool, const fs::path& spoolPath) {
  return EncodeStreamWith(reader, [&](std::span<const std::uint8_t> bytes) {
    spool.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!spool) throw ToolError("cannot write the temporary file " + Utf8FromPath(spoolPath) + " (is the disk full?)");
  });
}

std::uint64_t SpoolFile(const InputItem& item, std::fstream& spool, const fs::path& spoolPath, ProgressMeter& meter) {
  std::ifstream in;
  if (!item.directory) {
    in.open(item.source, std::ios::binary);
    if (!in) throw ToolError("cannot open " + Utf8FromPath(item.source));
  }
  std::uint64_t total = 0;
  const ByteReader reader = [&](std::span<std::uint8_t> buffer) -> std::size_t {
    if (item.directory) return 0;
    ThrowIfInterrupted();
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    if (in.bad()) throw ToolError("cannot read " + Utf8FromPath(item.source));
    const auto got = static_cast<std::size_t>(in.gcount());
    total += got;
    meter.Advance(got);
    return got;
  };
  const std::uint64_t compressed = SpoolStream(reader, spool, spoolPath);
  // A file that changed while it was read would get a catalog that does not match it.
  if (total != item.size) throw ToolError(Utf8FromPath(item.source) + " changed while it was being read");
  meter.FileDone();
  return compressed;
}


struct FreshStub {
  std::vector<std::uint8_t> bytes;
  StubImage image;
};

// The stub: a fresh one, nothing appended, not signed.
FreshStub ReadFreshStub(const fs::path& path) {
  FreshStub stub{ReadWholeFile(path), {}};
  try {
    stub.image = InspectImage(MemoryByteSource(stub.bytes));
    CheckFreshStub(stub.image, stub.bytes.size());
  } catch (const StubImageError& e) {
    throw ToolError("stub " + Utf8FromPath(path) + ": " + e.what());
  }
  return stub;
}

// The configuration entry's text, every value checked.
std::string CheckedConfiguration(const BuildOptions& options, const std::vector<InputItem>& items) {
  std::string executable, parameters;
  if (options.executable) {
    std::string portable = *options.executable;
    std::replace(portable.begin(), portable.end(), '/', '\\');
    executable = ConfigurationValue("exec", portable, options.codePage);
    if (!options.allowMissingExecutable) CheckExecutableIsStored(executable, items, options);
  }
  if (options.parameters) {
    if (!options.executable) throw ToolError("--params needs --exec: the stub ignores Parameters without Executable");
    parameters = ConfigurationValue("params", *options.parameters, options.codePage);
  }
  return MakeConfigurationText(options, executable, parameters);
}

struct SpooledArchive {
  std::vector<ArchiveMember> files;
  ArchiveMember configuration;
  std::uint64_t bytes = 0;  // all streams, back to back in the spool
};

// Compresses every file once into the spool, in catalog order, then the configuration.
SpooledArchive SpoolArchive(const std::vector<InputItem>& items, const std::string& configuration,
                            std::uint64_t stubBytes, ScratchFile& spool, ProgressMeter& meter) {
  SpooledArchive archive;
  for (const InputItem& item : items) {
    const std::uint64_t compressed = SpoolFile(item, spool.Stream(), spool.Path(), meter);
    archive.files.push_back(ArchiveMember{item.name, static_cast<std::int64_t>(item.size),
                                          static_cast<std::int64_t>(compressed),
                                          static_cast<std::uint32_t>(item.attributes), item.date});
    archive.bytes += compressed;
    // Refused early, before the spool grows any further than the format allows.
    if (stubBytes + archive.bytes >= static_cast<std::uint64_t>(MaxProgramFileSize)) {
      throw ToolError("the installer would reach 2 GiB, more than the format holds");
    }
  }
  std::size_t read = 0;
  const ByteReader reader = [&](std::span<std::uint8_t> buffer) -> std::size_t {
    const std::size_t count = std::min(buffer.size(), configuration.size() - read);
    std::copy_n(configuration.data() + read, count, buffer.data());
    read += count;
    return count;
  };
  const std::uint64_t compressed = SpoolStream(reader, spool.Stream(), spool.Path());
  archive.bytes += compressed;
  archive.configuration = ArchiveMember{ConfigurationName, static_cast<std::int64_t>(configuration.size()),
                                        static_cast<std::int64_t>(compressed), ConfigurationAttributes,
                                        LatestDate(archive.files)};
  return archive;
}

// Stub, catalog and spooled streams into the output; then the checksum over all of it.
void WriteInstaller(AtomicOutput& output, const FreshStub& stub, const CatalogLayout& layout, ScratchFile& spool,
                    std::uint64_t spooledBytes) {
  InstallerWriter writer(output, stub.image.hasChecksum);
  writer.Write(stub.bytes);
  writer.Write(layout.Catalog);
  std::fstream& spooled = spool.Stream();
  spooled.flush();
  spooled.seekg(0);
  std::vector<std::uint8_t> buffer(ReadChunk);
  for (std::uint64_t left = spooledBytes; left > 0;) {
    const auto piece = static_cast<std::streamsize>(std::min<std::uint64_t>(left, buffer.size()));
    ThrowIfInterrupted();
    spooled.read(reinterpret_cast<char*>(buffer.data()), piece);
    if (spooled.gcount() != piece) throw ToolError("cannot read back the temporary file " + Utf8FromPath(spool.Path()));
    writer.Write(std::span(buffer.data(), static_cast<std::size_t>(piece)));
    left -= static_cast<std::uint64_t>(piece);
  }
  if (stub.image.hasChecksum) {
    const std::uint32_t checksum = writer.Checksum();
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(checksum), static_cast<std::uint8_t>(checksum >> 8),
                                   static_cast<std::uint8_t>(checksum >> 16), static_cast<std::uint8_t>(checksum >> 24)};
    output.WriteAt(stub.image.checksumPosition, bytes);
  }
}

}  // namespace

std::string MakeConfigurationText(const BuildOptions& options, const std::string& executable,
                                  const std::string& parameters) {
  constexpr const char* LineEnd = "\r\n";
  auto flag = [](bool on) { return on ? "1" : "0"; };
  std::string text = std::string("[") + ConfigurationSection + "]" + LineEnd;
  text += std::string("UseDirs=") + flag(options.useDirs) + LineEnd;
  text += std::string("OverWrite=") + flag(options.overWrite) + LineEnd;
  text += std::string("Attributes=") + flag(options.attributes) + LineEnd;
  text += std::string("FileDate=") + flag(options.fileDate) + LineEnd;
  if (!executable.empty()) text += "Executable=" + executable + LineEnd;
  if (!parameters.empty()) text += "Parameters=" + parameters + LineEnd;
  return text + LineEnd;
}

BuildSummary BuildInstaller(const BuildOptions& options) {
  if (!IsSupportedCodePage(options.codePage)) throw ToolError("code page " + std::to_string(options.codePage) + " is not supported");
  if (options.inputs.empty()) throw ToolError("no INPUT files or folders given");
  if (options.output.filename().empty()) throw ToolError("-o needs a file name");

  // Everything that can be checked is checked before anything is written.
  FreshStub stub = ReadFreshStub(options.stub);
  const std::vector<InputItem> items = CollectInputs(options.inputs, options.codePage);
  const std::string configuration = CheckedConfiguration(options, items);

  BuildSummary summary;
  summary.stubBytes = stub.bytes.size();
  summary.files = items.size();
  for (const InputItem& item : items) summary.originalBytes += item.size;

  ScratchFile spool(options.output);
  SpooledArchive archive;
  {
    ProgressMeter meter(!options.quiet, items.size(), summary.originalBytes);
    archive = SpoolArchive(items, configuration, summary.stubBytes, spool, meter);
  }
  summary.compressedBytes = archive.bytes;

  // The catalog, with the exact sizes; it refuses a file that would reach 2 GiB.
  CatalogLayout layout;
  try {
    layout = LayOutCatalog(archive.files, archive.configuration, static_cast<std::int64_t>(summary.stubBytes));
  } catch (const Exception& e) {
    throw ToolError(CodePageToUtf8(e.Message(), options.codePage));
  }
  summary.archiveOffset = static_cast<std::int32_t>(summary.stubBytes);
  PatchArchiveOffset(stub.bytes, stub.image, static_cast<std::uint32_t>(summary.archiveOffset));

  AtomicOutput output(options.output, OutputKind::Program);
  WriteInstaller(output, stub, layout, spool, archive.bytes);
  output.Commit();
  summary.totalBytes = static_cast<std::uint64_t>(layout.FileSize);
  return summary;
}

}  // namespace lzsfx::tool
