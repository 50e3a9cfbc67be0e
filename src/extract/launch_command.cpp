#include "extract/launch_command.h"

#include <algorithm>
#include <array>

#include "common/path_text.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

constexpr std::size_t PathBufferSize = 260;  // bytes, as the system calls are given
constexpr std::array<std::string_view, 4> Placeholders = {"<AD>", "<WD>", "<SD>", "<TD>"};

// Upper-cases ASCII letters only, so that positions in the copy are positions in the text.
std::string AsciiUpperCase(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  return upper;
}

std::string SystemDirectoryFor(std::string_view placeholder) {
  if (placeholder == "<AD>") return ApplicationDir();
  if (placeholder == "<WD>") return WindowsDir();
  if (placeholder == "<SD>") return SystemDir();
  return TempDir();
}

}  // namespace

std::string ExpandPlaceholders(std::string_view command) { return ExpandPlaceholders(command, SystemDirectoryFor); }

std::string ExpandPlaceholders(std::string_view command, const PlaceholderDirectory& directoryFor) {
  std::string result(command);
  for (std::string_view placeholder : Placeholders) {
    const std::size_t position = AsciiUpperCase(result).find(placeholder);
    if (position == std::string::npos) continue;
    result.replace(position, placeholder.size(), directoryFor(placeholder));
  }
  return result;
}

std::string ApplicationDir() { return DirectoryPart(platform::ProgramPath(PathBufferSize)); }
std::string WindowsDir() { return WithTrailingBackslash(platform::WindowsDirectory()); }
std::string SystemDir() { return WithTrailingBackslash(platform::SystemDirectory()); }
std::string TempDir() { return platform::TempDirectory(); }

}  // namespace lzsfx
