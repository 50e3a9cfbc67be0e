// The files that go into an installer: the INPUT arguments of `lzsfx create` walked into a
// list of items with their stored Names, sizes, dates and attributes.
//
// Naming: a file given as INPUT is stored under its own name; a folder given as INPUT
// contributes its contents, stored relative to the folder (the folder's own name is not
// stored). Names use '\' and are converted from UTF-8 to the archive's code page. Folders
// without files are stored as Names ending in '\'. The list is sorted by stored Name (byte
// order), so the same tree always gives the same archive.
//
// Refused with ToolError, before anything is written: an input that does not exist or
// cannot be read, a Name the code page cannot hold, a Name the stub would refuse
// (IsSafeEntryName), two inputs with the same Name (compared without letter case, as
// Windows does), a file of 2 GiB or more, symbolic links to folders and special files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lzsfx::tool {

struct InputItem {
  std::filesystem::path source;   // where the bytes come from
  std::string name;               // stored Name, in the archive's code page
  std::string displayName;        // the same Name in UTF-8, for messages
  bool directory = false;         // an empty folder: Name ends in '\', no data
  std::uint64_t size = 0;         // bytes
  long double date = 0;           // local day count (file_date.h)
  std::int32_t attributes = 0;    // Windows attribute bits
};

std::vector<InputItem> CollectInputs(const std::vector<std::string>& inputs, int codePage);

// Converts a UTF-8 Name with '\' separators to the code page and checks that the stub
// accepts it; throws ToolError naming the problem otherwise.
std::string StoredName(const std::string& utf8Name, int codePage);

// A Name as Windows compares it: ASCII letters without case (what the file systems of the
// stub's users do for the names that matter here).
std::string FoldCase(std::string name);

}  // namespace lzsfx::tool
