#include "common/path_text.h"

namespace lzsfx {
namespace {

// Position after the last '\' or ':', or 0 when there is neither.
std::size_t NameStart(std::string_view path) {
  const auto last = path.find_last_of("\\:");
  return last == std::string_view::npos ? 0 : last + 1;
}

}  // namespace

std::string DirectoryPart(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

std::string FileNamePart(std::string_view path) {
  return std::string(path.substr(NameStart(path), MaxFileNameLength));
}

std::string WithTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() != '\\') result += '\\';
  return result;
}

}  // namespace lzsfx
