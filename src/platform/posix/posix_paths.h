// The boundary of the POSIX layer: the core's texts are Windows-style byte strings in the
// ANSI code page, the system's are UTF-8 with '/'. Every text that crosses goes through
// these conversions, and only through them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lzsfx::platform::detail {

// ANSI code page text to UTF-8 and back. The way back replaces what the code page cannot
// hold by its nearest plain letter or '?', as the system does for the ANSI calls.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// A Windows-style path to the system's ('\' becomes '/') and back. The way back is exact:
// a path with a character that the code page cannot hold has no Windows form (a look-alike
// would name another directory).
std::string ToPosixPath(std::string_view windowsPath);
std::optional<std::string> ToWindowsPath(std::string_view posixPath);

// The longest text that a directory getter's 260-byte buffer holds; longer texts do not
// fit and are reported as empty, as the Win32 getters leave nothing usable then.
inline constexpr std::size_t DirectoryBufferSize = 260;  // bytes, terminating zero included
std::string FitDirectoryBuffer(std::string text);

}  // namespace lzsfx::platform::detail
