// Fuzz target of the catalog reader: the input is a program file whose archive starts
// after a 16-byte image, as in tests/archive/hostile. Reading must never crash, and every
// Name that the reader hands out must be one that IsSafeEntryName accepts.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "archive/catalog_reader.h"
#include "archive/entry_name.h"
#include "archive/entry_table.h"
#include "common/failure.h"

namespace {
constexpr std::int32_t ArchiveOffset = 16;  // bytes of the stand-in image
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const std::int32_t dataStart =
        lzsfx::ReadCatalogEntries(std::span(data, size), ArchiveOffset, [](const lzsfx::CatalogEntry& entry) {
          if (!lzsfx::IsSafeEntryName(entry.Name)) std::abort();
          (void)lzsfx::FormatEntryLine(entry);
        });
    if (dataStart < 0 || static_cast<std::size_t>(dataStart) > size) std::abort();
  } catch (const lzsfx::Exception&) {
    // A refused catalog is an expected outcome.
  }
  return 0;
}
