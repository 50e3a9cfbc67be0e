#include "archive/entry_name.h"

#include <array>
#include <cstdint>
#include <string>

namespace lzsfx {
namespace {

constexpr unsigned char DeleteCharacter = 0x7F;
constexpr unsigned char FirstPrintable = 0x20;
constexpr std::string_view ForbiddenCharacters = ":<>\"?*";

// Windows accepts the superscript digits 1, 2 and 3 as the port number of a COM or LPT
// device; which bytes stand for them depends on the code page.
constexpr std::string_view SuperscriptDigits[] = {"\u00B9", "\u00B2", "\u00B3"};

bool IsSuperscriptDigit(char byte, int codePage) {
  if (static_cast<unsigned char>(byte) < 0x80) return false;
  const std::string character = CodePageToUtf8(std::string_view(&byte, 1), codePage);
  for (std::string_view digit : SuperscriptDigits) {
    if (character == digit) return true;
  }
  return false;
}

constexpr std::array<std::string_view, 7> FixedDeviceNames = {
    "CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
constexpr std::array<std::string_view, 2> NumberedDeviceNames = {"COM", "LPT"};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasUnsafeCharacter(std::string_view name) {
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < FirstPrintable || byte == DeleteCharacter) return true;
    if (ForbiddenCharacters.find(c) != std::string_view::npos) return true;
  }
  return false;
}

std::string_view StripTrailing(std::string_view text, std::string_view characters) {
  const auto last = text.find_last_not_of(characters);
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

// Windows strips trailing dots and blanks from a component, so "..", ".. ", "..." and
// ". ." all climb to the parent directory.
bool IsParentReference(std::string_view component) {
  if (!StripTrailing(component, ". ").empty()) return false;
  std::size_t dots = 0;
  for (char c : component) dots += c == '.';
  return dots >= 2;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

// Windows looks only at the text before the first dot, without its trailing blanks:
// "nul", "NUL.txt", "Nul .tar.gz" and "NUL  " all open the null device.
bool IsDeviceName(std::string_view component, int codePage) {
  const std::string_view base = StripTrailing(component.substr(0, component.find('.')), " ");
  for (std::string_view device : FixedDeviceNames) {
    if (EqualsIgnoringCase(base, device)) return true;
  }
  if (base.size() != 4) return false;
  for (std::string_view device : NumberedDeviceNames) {
    if (!EqualsIgnoringCase(base.substr(0, 3), device)) continue;
    const char port = base[3];
    if ((port >= '1' && port <= '9') || IsSuperscriptDigit(port, codePage)) return true;
  }
  return false;
}

}  // namespace

bool IsSafeEntryName(std::string_view name, int codePage) {
  if (HasUnsafeCharacter(name)) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string_view component = name.substr(start, end - start);
    if (IsParentReference(component) || IsDeviceName(component, codePage)) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace lzsfx
