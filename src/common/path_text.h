// Path helpers of the core. Paths are byte strings in the ANSI code page and use '\'
// as separator, on every system: the POSIX layer translates at its boundary.
#pragma once

#include <string>
#include <string_view>

namespace lzsfx {

inline constexpr std::size_t MaxFileNameLength = 255;  // characters kept by FileNamePart

// The text up to and including the last '\' or ':'; empty if there is neither.
std::string DirectoryPart(std::string_view path);

// The text after the last '\' or ':' (the whole path if there is neither),
// cut to MaxFileNameLength characters.
std::string FileNamePart(std::string_view path);

// The path with one '\' appended when it is not empty and does not end with '\'.
std::string WithTrailingBackslash(std::string_view path);

}  // namespace lzsfx
