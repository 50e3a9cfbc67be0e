// The tests' bridge from the core's Windows-style paths ('\' separators) to the paths of
// the system they run on, for checking results with the standard library.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

namespace lzsfx {

inline std::filesystem::path NativePath(std::string_view corePath) {
  std::string native(corePath);
  std::replace(native.begin(), native.end(), '\\', static_cast<char>(std::filesystem::path::preferred_separator));
  return std::filesystem::path(native);
}

// And back: a path of the system as the core writes it.
inline std::string CorePath(const std::filesystem::path& nativePath) {
  std::string core = nativePath.string();
  std::replace(core.begin(), core.end(), static_cast<char>(std::filesystem::path::preferred_separator), '\\');
  return core;
}

}  // namespace lzsfx
