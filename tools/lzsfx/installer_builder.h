// `lzsfx create`: a copy of the stub with its archive offset patched, the catalog, the
// compressed files and the configuration entry last, written to a temporary file beside
// the output and renamed into place only when complete.
//
// Order of work: everything that can be checked is checked before the output is created
// (stub, inputs, names, the executable, the configuration values); each file is then
// compressed once into a spool file beside the output (memory stays bounded whatever the
// sizes), the 2 GiB limit is checked with the exact catalog, and stub, catalog and spooled
// streams are written. A PE stub gets its CheckSum recomputed over the finished file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lzsfx::tool {

inline constexpr const char* ConfigurationSection = "VESK Configuration";
inline constexpr const char* ConfigurationName = "lzsfx.ini";  // bare name of the last entry
inline constexpr std::size_t MaxConfigurationValue = 259;       // bytes the stub reads of a value

struct BuildOptions {
  std::filesystem::path output;
  std::filesystem::path stub;
  std::vector<std::string> inputs;    // UTF-8 paths
  std::optional<std::string> executable;  // UTF-8, relative to the destination
  std::optional<std::string> parameters;
  bool allowMissingExecutable = false;
  bool useDirs = true;
  bool overWrite = true;
  bool attributes = true;
  bool fileDate = true;
  int codePage = 1252;
  bool quiet = false;
};

struct BuildSummary {
  std::uint64_t files = 0;            // stored entries, the configuration entry not counted
  std::uint64_t originalBytes = 0;
  std::uint64_t compressedBytes = 0;  // of all streams, the configuration's included
  std::uint64_t stubBytes = 0;
  std::uint64_t totalBytes = 0;       // of the finished file
  std::int32_t archiveOffset = 0;
};

// Throws ToolError (nothing is left behind) when anything is wrong.
BuildSummary BuildInstaller(const BuildOptions& options);

// The configuration entry's text: the section line, one key=value line per key, an empty
// line, CR LF line ends. Values in the archive's code page.
std::string MakeConfigurationText(const BuildOptions& options, const std::string& executable,
                                  const std::string& parameters);

}  // namespace lzsfx::tool
