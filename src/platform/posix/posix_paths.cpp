#include "platform/posix/posix_paths.h"

#include <algorithm>

#include "common/code_page.h"

namespace lzsfx::platform::detail {

std::string AnsiToUtf8(std::string_view ansi) { return CodePageToUtf8(ansi, AnsiCodePage()); }

std::string Utf8ToAnsi(std::string_view utf8) { return Utf8ToCodePageBestFit(utf8, AnsiCodePage()); }

// The separators are swapped on the UTF-8 side, where a byte 0x5C or 0x2F is never part
// of another character.
std::string ToPosixPath(std::string_view windowsPath) {
  std::string path = AnsiToUtf8(windowsPath);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::optional<std::string> ToWindowsPath(std::string_view posixPath) {
  std::string path(posixPath);
  std::replace(path.begin(), path.end(), '/', '\\');
  return Utf8ToCodePage(path, AnsiCodePage());
}

std::string FitDirectoryBuffer(std::string text) {
  if (text.size() >= DirectoryBufferSize) return {};
  return text;
}

}  // namespace lzsfx::platform::detail
