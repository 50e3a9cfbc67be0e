#include "common/code_page.h"

#include <algorithm>
#include <cstdint>

namespace lzsfx {
namespace {

#include "common/code_page_tables.inc"

constexpr char16_t Undefined = 0xFFFD;
constexpr char ReplacementByte = '?';

int ansiCodePage = DefaultAnsiCodePage;

const CodePageTable* FindTable(int codePage) {
  for (const auto& table : CodePageTables) {
    if (table.codePage == codePage) return &table;
  }
  return nullptr;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `pos`, advancing it; gives nothing for an invalid,
// overlong or surrogate sequence.
std::optional<char32_t> NextCodePoint(std::string_view utf8, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(utf8[pos++]);
  if (lead < 0x80) return lead;
  int extra;
  char32_t c;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    c = lead & 0x07;
  } else {
    return std::nullopt;
  }
  for (int i = 0; i < extra; ++i) {
    if (pos >= utf8.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(utf8[pos]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
    ++pos;
  }
  constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  return c;
}

// The byte for a code point in a table's code page (ASCII alone without a table).
std::optional<char> ByteFor(const CodePageTable* table, char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  if (table == nullptr || c == Undefined || c > 0xFFFF) return std::nullopt;
  const auto* begin = std::begin(table->upperHalf);
  const auto* end = std::end(table->upperHalf);
  const auto* found = std::find(begin, end, static_cast<char16_t>(c));
  if (found == end) return std::nullopt;
  return static_cast<char>(0x80 + (found - begin));
}

char PlainLetterFor(char32_t c) {
  for (const auto& pair : PlainLetters) {
    if (pair.letter == c) return pair.plain;
  }
  return ReplacementByte;
}

}  // namespace

bool IsSupportedCodePage(int codePage) {
  return codePage == Utf8CodePage || FindTable(codePage) != nullptr;
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  if (codePage == Utf8CodePage) return std::string(bytes);
  const CodePageTable* table = FindTable(codePage);
  std::string out;
  out.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    if (b < 0x80) {
      out += byte;
    } else {
      AppendUtf8(out, table ? table->upperHalf[b - 0x80] : Undefined);
    }
  }
  return out;
}

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage) {
  const CodePageTable* table = FindTable(codePage);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto c = NextCodePoint(utf8, pos);
    if (!c) return std::nullopt;
    if (codePage == Utf8CodePage) {
      AppendUtf8(out, *c);
      continue;
    }
    const auto byte = ByteFor(table, *c);
    if (!byte) return std::nullopt;
    out += *byte;
  }
  return out;
}

std::string Utf8ToCodePageBestFit(std::string_view utf8, int codePage) {
  if (codePage == Utf8CodePage) return std::string(utf8);
  const CodePageTable* table = FindTable(codePage);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto c = NextCodePoint(utf8, pos);
    if (!c) {
      out += ReplacementByte;
    } else if (const auto byte = ByteFor(table, *c)) {
      out += *byte;
    } else {
      out += PlainLetterFor(*c);
    }
  }
  return out;
}

int AnsiCodePage() { return ansiCodePage; }

void SetAnsiCodePage(int codePage) { ansiCodePage = IsSupportedCodePage(codePage) ? codePage : DefaultAnsiCodePage; }

}  // namespace lzsfx
