#include "entry_extractor.h"

#include <fstream>
#include <system_error>

#include "archive/entry_name.h"
#include "file_date.h"
#include "interruption.h"
#include "platform/files.h"

namespace lzsfx::tool {
namespace {

namespace fs = std::filesystem;

// Refuses a path whose folders below destination include a symbolic link: an existing link
// could lead the write outside the destination.
bool PassesThroughLink(const fs::path& destination, const fs::path& target) {
  fs::path walk = destination;
  const fs::path relative = target.lexically_relative(destination);
  for (auto part = relative.begin(); part != relative.end(); ++part) {
    walk /= *part;
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(walk, error))) return true;
  }
  return false;
}

void ApplyDateAndAttributes(const fs::path& path, const CatalogEntry& entry) {
  std::error_code ignored;
  if (const auto time = FileTimeFromDayCount(entry.Date)) fs::last_write_time(path, *time, ignored);
  if (entry.Attributes & platform::AttributeReadOnly) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ignored);
  }
}

// Writes one file entry; gives the problem, empty when it was written.
std::string WriteFileEntry(const Installer& installer, std::size_t index, const fs::path& target,
                           const ExtractOptions& options) {
  std::error_code error;
  const fs::file_status existing = fs::symlink_status(target, error);
  if (fs::exists(existing)) {
    if (!options.overwrite) return "exists already (use --force to replace it)";
    if (fs::is_directory(existing)) return "a folder of that name exists";
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, error);
    fs::remove(target, error);
  }
  std::string problem;
  {
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) return "cannot create " + Utf8FromPath(target);
    const auto write = [&](std::span<const std::uint8_t> bytes) {
      ThrowIfInterrupted();
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!out) throw ToolError("cannot write " + Utf8FromPath(target) + " (is the disk full?)");
    };
    try {
      problem = DecodeEntry(installer, index, write).problem;
    } catch (...) {
      out.close();
      fs::remove(target, error);  // an interrupted or failed write leaves nothing behind
      throw;
    }
    out.close();
    if (problem.empty() && !out) problem = "cannot write " + Utf8FromPath(target);
  }
  if (!problem.empty()) {
    fs::remove(target, error);  // a damaged entry leaves nothing behind
    return problem;
  }
  ApplyDateAndAttributes(target, installer.entries[index]);
  return {};
}

}  // namespace

fs::path EntryPathBelow(const fs::path& destination, const std::string& utf8Name) {
  fs::path path = destination;
  std::string component;
  auto flush = [&] {
    if (!component.empty() && component != ".") path /= PathFromUtf8(component);
    component.clear();
  };
  for (char c : utf8Name) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      component += c;
    }
  }
  flush();
  // The Name's rule refuses ".." and drive prefixes; this is the second line of defence.
  const fs::path relative = path.lexically_normal().lexically_relative(destination.lexically_normal());
  if (relative.empty() || relative == "." || *relative.begin() == "..") return {};  // also the folder itself
  return path;
}

std::size_t ExtractInstaller(const Installer& installer, const ExtractOptions& options, const ProblemReport& report) {
  std::size_t problems = 0;
  auto fail = [&](const std::string& name, const std::string& problem) {
    ++problems;
    report(name, problem);
  };
  std::error_code error;
  fs::create_directories(options.destination, error);
  if (error || !fs::is_directory(options.destination)) {
    fail(Utf8FromPath(options.destination), "cannot create the folder");
    return problems;
  }
  const std::size_t files = installer.entries.empty() ? 0 : installer.entries.size() - 1;
  for (std::size_t index = 0; index < files; ++index) {
    const CatalogEntry& entry = installer.entries[index];
    const std::string name = DisplayName(installer, entry.Name);
    const fs::path target = EntryPathBelow(options.destination, name);
    if (!IsSafeEntryName(entry.Name, installer.codePage) || target.empty()) {
      fail(name, "unsafe name, not written");
      continue;
    }
    const bool directoryEntry = !entry.Name.empty() && entry.Name.back() == '\\';
    const fs::path folder = directoryEntry ? target : target.parent_path();
    if (PassesThroughLink(options.destination, folder)) {
      fail(name, "a symbolic link lies on its path, not written");
      continue;
    }
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) {
      fail(name, "cannot create the folder " + Utf8FromPath(folder));
      continue;
    }
    if (directoryEntry) {
      const EntryCheck check = DecodeEntry(installer, index, [](std::span<const std::uint8_t>) {});
      if (!check.problem.empty()) fail(name, check.problem);
      continue;
    }
    const std::string problem = WriteFileEntry(installer, index, target, options);
    if (!problem.empty()) fail(name, problem);
  }
  return problems;
}

}  // namespace lzsfx::tool
