// `lzsfx extract`: writes the entries of a self-extracting file below a folder without
// running anything, under the stub's safety rules and stricter ones of its own:
//  - every Name must pass IsSafeEntryName, and its path is built from its components below
//    the folder, so nothing lands outside it; a symbolic link on the way is refused;
//  - no byte beyond an entry's OriginalSize is written;
//  - a damaged entry is an error: its partial file is removed and the exit code is 1;
//  - existing files are kept (the entry is an error) unless overwriting is asked for.
// Names keep their directories (whatever UseDirs says); dates and the read-only attribute
// are applied.
// The configuration entry (the last) is not written: `lzsfx list` shows it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "installer_reader.h"

namespace lzsfx::tool {

struct ExtractOptions {
  std::filesystem::path destination;
  bool overwrite = false;
};

// Reports each problem through report(name, problem); gives the number of problems.
using ProblemReport = std::function<void(const std::string& name, const std::string& problem)>;
std::size_t ExtractInstaller(const Installer& installer, const ExtractOptions& options, const ProblemReport& report);

// The path below destination for a stored Name, or empty when the Name is unsafe.
std::filesystem::path EntryPathBelow(const std::filesystem::path& destination, const std::string& utf8Name);

}  // namespace lzsfx::tool
