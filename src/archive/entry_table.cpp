#include "archive/entry_table.h"

#include <cassert>
#include <new>
#include <vector>

#include "common/failure.h"
#include "common/number_text.h"

namespace lzsfx {
namespace {

// The slots of the table; slots at and beyond Count hold no text.
struct EntryTableStorage {
  std::vector<TStringItem> Items;
  std::int32_t Count = 0;
  std::int32_t Capacity = 0;
};

EntryTableStorage Table;

}  // namespace

void EntryTableReset() {
  Table.Items.clear();
  Table.Count = 0;
  Table.Capacity = 0;
}

void EntryTableAdd(std::string_view line) {
  // The standard library reports exhausted memory its own way; the system's failure for
  // it is EOutOfMemory.
  try {
    if (Table.Count == Table.Capacity) {
      Table.Items.resize(static_cast<std::size_t>(Table.Count) + EntryTableGrowth);
      Table.Capacity = Table.Count + EntryTableGrowth;
    }
    Table.Items[static_cast<std::size_t>(Table.Count)].Text.assign(line);
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory();
  }
  ++Table.Count;
}

std::int32_t EntryTableCount() { return Table.Count; }

std::int32_t EntryTableCapacity() { return Table.Capacity; }

std::string EntryTableGet(std::int32_t index) {
  assert(index >= 0 && index < Table.Count);
  return Table.Items[static_cast<std::size_t>(index)].Text;
}

void EntryTableClear() {
  std::vector<TStringItem>().swap(Table.Items);
  Table.Count = 0;
  Table.Capacity = 0;
}

std::string ExtractField(std::string_view line, std::string_view delimiter, int n) {
  auto find = [&](std::string_view text) {
    return text.empty() || delimiter.empty() ? std::string_view::npos : text.find(delimiter);
  };
  std::string_view rest = line;
  int i = 1;
  std::size_t p = find(rest);
  while (p != std::string_view::npos && i < n) {
    ++i;
    rest.remove_prefix(p + delimiter.size());
    p = find(rest);
  }
  if (i != n) return {};
  return std::string(p == std::string_view::npos ? rest : rest.substr(0, p));
}

std::string FormatEntryLine(const CatalogEntry& entry) {
  // The Date is shown as the double it rounds to, not with the extra digits of the
  // 80-bit value.
  const long double date = static_cast<double>(entry.Date);
  std::string line = entry.Name;
  for (const std::string& field : {FormatDecimal(entry.OriginalSize), FormatDecimal(entry.CompressedSize),
                                   FormatDecimal(entry.Attributes), FormatGeneral(date),
                                   FormatDecimal(entry.Offset)}) {
    line += EntryFieldDelimiter;
    line += field;
  }
  return line;
}

}  // namespace lzsfx
