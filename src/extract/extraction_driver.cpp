#include "extract/extraction_driver.h"

#include <cstdint>

#include "archive/catalog_reader.h"
#include "archive/entry_table.h"
#include "common/extraction_state.h"
#include "common/number_text.h"
#include "common/path_text.h"
#include "lzhuf/lzhuf_decoder.h"
#include "platform/files.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

constexpr std::uint16_t ExtractionBufferSize = 4096;  // bytes, both decoder buffers
constexpr std::string_view FieldDelimiter{&EntryFieldDelimiter, 1};
constexpr char OptionOff[] = "0";
constexpr char OpenErrorText[] = "Error opening archive file.\r\n";
constexpr char OpenErrorCaption[] = "Error";

// The archive handle and the entry table belong to one run; they are released however the
// run ends, also when a failure passes through.
class RunResources {
 public:
  RunResources() = default;
  ~RunResources() {
    if (archiveOpen_) CloseArchive();
    EntryTableClear();
  }
  RunResources(const RunResources&) = delete;
  RunResources& operator=(const RunResources&) = delete;
  void ArchiveOpened() { archiveOpen_ = true; }

 private:
  bool archiveOpen_ = false;
};

// The sum wraps like the 32-bit count it is (only a damaged archive gets near the limit).
std::int32_t SumCompressedSizes(std::int32_t count) {
  std::uint32_t total = 0;
  for (std::int32_t index = 0; index < count; ++index) {
    total += static_cast<std::uint32_t>(ParseDecimal(ExtractField(EntryTableGet(index), FieldDelimiter, FieldCompressedSize)));
  }
  return static_cast<std::int32_t>(total);
}

bool OptionValue(const std::string& configPath, const char* key) {
  return ReadConfigValue(ConfigurationSection, key, "", configPath) != OptionOff;
}

// One run, reporting to whatever State.ProgressWindow is.
std::string ExtractArchive(const std::string& destination) {
  State.Aborted = false;
  State.FirstProgress = true;

  EntryTableReset();
  RunResources resources;
  if (!ReadCatalog()) return {};
  const std::int32_t count = EntryTableCount();
  // Without entries there is no configuration entry either: the archive is as unusable as
  // a bad catalog, and is reported the same way.
  if (count == 0) {
    ShowInvalidArchiveMessage();
    return {};
  }

  SetInputBufferSize(ExtractionBufferSize);
  SetOutputBufferSize(ExtractionBufferSize);
  SetInputHook(ExtractionInputHook);
  SetOutputHook(ExtractionOutputHook);
  State.TotalRead = 0;
  State.TotalCompressed = SumCompressedSizes(count);

  if (!OpenArchive()) return {};
  resources.ArchiveOpened();

  // The configuration entry lands directly in the destination under its file name, and is
  // read and deleted at that same path.
  const std::int32_t configIndex = count - 1;
  constexpr ExtractionOptions configOptions{.UseDirs = false, .OverWrite = true, .Attributes = false, .FileDate = false};
  const std::string configPath = ExtractEntry(configIndex, destination, configOptions);
  Configuration configuration = ReadConfiguration(configPath, destination);
  platform::RemoveFile(configPath);

  for (std::int32_t index = 0; index < configIndex && !State.Aborted; ++index) {
    ExtractEntry(index, destination, configuration.Options);
  }

  if (State.Aborted) configuration.LaunchCommand.clear();
  State.Aborted = false;
  return configuration.LaunchCommand;
}

}  // namespace

std::string RunExtraction(ProgressDialog* window, const std::string& destination) {
  State.ProgressWindow = window;
  std::string command = ExtractArchive(destination);
  // The caller closes the window next. After a failure it stays set: the window is still up
  // behind the failure report and repaints its bar from it.
  State.ProgressWindow = nullptr;
  return command;
}

Configuration ReadConfiguration(const std::string& configPath, const std::string& destination) {
  Configuration configuration;
  const std::string executable = ReadConfigValue(ConfigurationSection, "Executable", "", configPath);
  if (!executable.empty()) configuration.LaunchCommand = WithTrailingBackslash(destination) + executable;
  const std::string parameters = ReadConfigValue(ConfigurationSection, "Parameters", "", configPath);
  if (!parameters.empty() && !configuration.LaunchCommand.empty()) configuration.LaunchCommand += " " + parameters;

  configuration.Options.UseDirs = OptionValue(configPath, "UseDirs");
  configuration.Options.OverWrite = OptionValue(configPath, "OverWrite");
  configuration.Options.Attributes = OptionValue(configPath, "Attributes");
  configuration.Options.FileDate = OptionValue(configPath, "FileDate");
  return configuration;
}

std::string ReadConfigValue(const std::string& section, const std::string& key, const std::string& defaultValue,
                            const std::string& file) {
  return platform::ReadProfileString(section, key, defaultValue, file, ConfigValueBufferSize);
}

bool OpenArchive() {
  State.ArchiveHandle = platform::OpenForReading(State.ArchivePath);
  if (State.ArchiveHandle != InvalidFileHandle) return true;
  platform::ShowMessageBox(OpenErrorText + ("The file " + State.ArchivePath + " cannot be opened for reading."),
                           OpenErrorCaption, platform::MbOk | platform::MbIconExclamation);
  return false;
}

void CloseArchive() {
  platform::Close(State.ArchiveHandle);
  State.ArchiveHandle = InvalidFileHandle;
}

}  // namespace lzsfx
