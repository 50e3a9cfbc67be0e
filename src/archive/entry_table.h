// The entry table: one text line per catalog entry, filled by ReadCatalog and read by the
// extraction with EntryTableGet and ExtractField. One instance per process; one thread.
//
// An entry line holds six tab-separated fields, no tab at the end:
//   1 Name (stored bytes)  2 OriginalSize  3 CompressedSize  4 Attributes  5 Date  6 Offset
// Integers are FormatDecimal texts; the Date is rounded to a double and written with
// FormatGeneral, so it carries the system's decimal separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/catalog_format.h"

namespace lzsfx {

inline constexpr std::int32_t EntryTableGrowth = 8;  // slots added whenever the table is full
inline constexpr char EntryFieldDelimiter = '\t';

// Field numbers of the entry line, counted from 1.
enum EntryField : int {
  FieldName = 1,
  FieldOriginalSize = 2,
  FieldCompressedSize = 3,
  FieldAttributes = 4,
  FieldDate = 5,
  FieldOffset = 6,
};

struct TStringItem {
  std::string Text;
};

// Count and capacity to 0, for the start of a run (the table is empty then).
void EntryTableReset();

// Appends a copy of line; when the table is full it first grows by EntryTableGrowth slots.
// Raises EOutOfMemory when the storage cannot grow.
void EntryTableAdd(std::string_view line);

std::int32_t EntryTableCount();

// Slots allocated; observable so that the growth rule can be checked.
std::int32_t EntryTableCapacity();

// A copy of the line at the 0-based index; the caller keeps 0 <= index < count.
std::string EntryTableGet(std::int32_t index);

// Releases every line and the storage; count and capacity become 0.
void EntryTableClear();

// The n-th field (from 1) of line, fields being separated by delimiter. Field n exists when
// the line holds at least n - 1 delimiters; otherwise, and for n < 1, the result is empty.
// With an empty delimiter the whole line is field 1.
std::string ExtractField(std::string_view line, std::string_view delimiter, int n);

// The entry line of one catalog entry (fields as above).
std::string FormatEntryLine(const CatalogEntry& entry);

}  // namespace lzsfx
