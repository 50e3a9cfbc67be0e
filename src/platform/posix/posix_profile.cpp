// GetPrivateProfileStringA for one value, over a file that is read afresh on every call.
// The rules, as the Win32 call applies them:
// - Lines end at LF; blanks (space, tab, CR, VT, FF and ^Z) around a line are dropped.
// - A line that starts with '[' and holds a ']' opens a section, named by the text
//   between the '[' and the last ']' without the blanks around it ("[ a ]" is "a").
//   Lines before the first section belong to no section that can be asked for.
// - Any other line is a key: the text before its first '=' with the blanks before the
//   '=' dropped, and the value after it with the leading blanks dropped. A line without
//   '=' is a key without value, which gives the default. There are no comments: a line
//   ";x=1" is simply a key named ";x".
// - The section and key asked for are trimmed of blanks and compared without regard to
//   the case of ASCII letters. Only the first section of the name counts (a repeated
//   section is never read), and in it the first key of the name.
// - The value found, or the default, loses one pair of matching enclosing quotes (' or ")
//   and is cut to bufferSize - 1 characters. The default first loses its trailing spaces.
// - A file that starts with a UTF-8 or UTF-16 (little-endian) byte-order mark is read in
//   that encoding and converted to the ANSI code page; any other file is ANSI text.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string_view>

#include "platform/posix/posix_paths.h"
#include "platform/system.h"

namespace lzsfx::platform {
namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LittleEndianMark = "\xFF\xFE";
constexpr std::size_t ReadChunkSize = 4096;  // bytes

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int descriptor = open(detail::ToPosixPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat status;
  std::optional<std::string> content;
  if (fstat(descriptor, &status) == 0 && !S_ISDIR(status.st_mode)) {
    content.emplace();
    char chunk[ReadChunkSize];
    ssize_t got;
    while ((got = read(descriptor, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR)) {
      if (got > 0) content->append(chunk, static_cast<std::size_t>(got));
    }
  }
  close(descriptor);
  return content;
}

// UTF-16 little-endian to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16LittleEndianToUtf8(std::string_view bytes) {
  std::string utf8;
  auto unit = [&](std::size_t i) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    unsigned code = unit(i);
    if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | code >> 6);
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      utf8 += static_cast<char>(0xE0 | code >> 12);
      utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | code >> 18);
      utf8 += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

std::string AsAnsiText(std::string content) {
  const std::string_view text = content;
  if (text.starts_with(Utf8Mark)) return detail::Utf8ToAnsi(text.substr(Utf8Mark.size()));
  if (text.starts_with(Utf16LittleEndianMark)) {
    return detail::Utf8ToAnsi(Utf16LittleEndianToUtf8(text.substr(Utf16LittleEndianMark.size())));
  }
  return content;
}

// The value of the first key of the name in the first section of the name; nullopt when
// there is no such section or key, or the key has no '='.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key) {
  bool inSection = false, sectionSeen = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty()) continue;

    const std::size_t close = line.rfind(']');
    if (line.front() == '[' && close != std::string_view::npos) {
      if (inSection) return std::nullopt;  // the first section of the name had no such key
      const std::string_view name = Trim(line.substr(1, close - 1));
      inSection = !sectionSeen && !name.empty() && EqualIgnoringAsciiCase(name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    const std::string_view name = Trim(line.substr(0, equals));
    if (!EqualIgnoringAsciiCase(name, key)) continue;
    if (equals == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(equals + 1));
  }
  return std::nullopt;
}

std::string_view WithoutEnclosingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view WithoutTrailingSpaces(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const std::string& file,
                              std::size_t bufferSize) {
  const std::string_view sectionName = Trim(section), keyName = Trim(key);
  if (bufferSize == 0 || keyName.empty()) return {};  // no key asked for: nothing, as Win32 gives
  std::string_view result = WithoutTrailingSpaces(defaultValue);
  std::string text;
  if (auto content = ReadWholeFile(file)) text = AsAnsiText(std::move(*content));
  if (const auto value = FindValue(text, sectionName, keyName)) result = *value;
  result = WithoutEnclosingQuotes(result);
  return std::string(result.substr(0, bufferSize - 1));
}

}  // namespace lzsfx::platform
