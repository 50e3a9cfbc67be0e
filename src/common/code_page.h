// Windows single-byte code pages. The core works on bytes in the ANSI code page of the
// system; these tables let the POSIX layer and the builder convert such bytes to and from
// UTF-8 without the operating system's help.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lzsfx {

inline constexpr int DefaultAnsiCodePage = 1252;
inline constexpr int Utf8CodePage = 65001;  // bytes are passed through unchanged

bool IsSupportedCodePage(int codePage);

// Every byte has a meaning in a supported code page; undefined bytes become U+FFFD.
std::string CodePageToUtf8(std::string_view bytes, int codePage);

// Empty when a character (or an invalid UTF-8 sequence) has no byte in the code page.
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage);

// Like Utf8ToCodePage, but a character without a byte of its own is replaced by the
// nearest plain letter where there is one (e with caron becomes e) and by '?' otherwise,
// as the system's own conversion of resource texts does.
std::string Utf8ToCodePageBestFit(std::string_view utf8, int codePage);

// The ANSI code page of the running system, set once at start-up by the platform.
int AnsiCodePage();
void SetAnsiCodePage(int codePage);

}  // namespace lzsfx
