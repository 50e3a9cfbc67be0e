#include "input_tree.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "archive/catalog_format.h"
#include "archive/entry_name.h"
#include "common/code_page.h"
#include "file_date.h"
#include "platform/files.h"
#include "tool_files.h"

namespace lzsfx::tool {
namespace {

namespace fs = std::filesystem;

void Fail(const fs::path& path, const std::string& problem) {
  throw ToolError(Utf8FromPath(path) + ": " + problem);
}

std::int32_t AttributesOf(const fs::file_status& status) {
  const bool writable = (status.permissions() & fs::perms::owner_write) != fs::perms::none;
  return static_cast<std::int32_t>(writable ? platform::AttributeArchive : platform::AttributeReadOnly);
}

class Collector {
 public:
  explicit Collector(int codePage) : codePage_(codePage) {}

  void AddInput(const std::string& input) {
    const fs::path path = PathFromArgument(input);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) Fail(path, "no such file or folder");
    if (fs::is_directory(status)) {
      AddFolderContents(path, "");
    } else {
      AddFile(path, status, Utf8FromPath(path.filename()));  // stored under its own name
    }
  }

  std::vector<InputItem> Take() {
    std::vector<InputItem> items;
    for (auto& [key, item] : items_) items.push_back(std::move(item));
    std::sort(items.begin(), items.end(), [](const InputItem& a, const InputItem& b) { return a.name < b.name; });
    return items;
  }

 private:
  // Walks a folder in name order; prefix is the stored Name of the folder with its '\'.
  void AddFolderContents(const fs::path& folder, const std::string& prefix) {
    std::vector<fs::directory_entry> children;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      children.push_back(*it);
    }
    if (error) Fail(folder, "cannot read the folder: " + error.message());
    std::sort(children.begin(), children.end());
    if (children.empty() && !prefix.empty()) AddEmptyFolder(folder, prefix);
    for (const fs::directory_entry& child : children) {
      const std::string fileName = Utf8FromPath(child.path().filename());
      // '\' separates the components of a stored Name; inside a POSIX file name it would split it.
      if (fileName.find('\\') != std::string::npos) Fail(child.path(), "a backslash in a file name cannot be stored");
      const std::string name = prefix + fileName;
      const fs::file_status link = child.symlink_status(error);
      const fs::file_status status = child.status(error);
      if (error) Fail(child.path(), "cannot read: " + error.message());
      if (fs::is_directory(status)) {
        if (fs::is_symlink(link)) Fail(child.path(), "a symbolic link to a folder is not followed; copy the folder");
        AddFolderContents(child.path(), name + "\\");
      } else {
        AddFile(child.path(), status, name);
      }
    }
  }

  void AddEmptyFolder(const fs::path& folder, const std::string& utf8Name) {
    InputItem item;
    item.source = folder;
    item.displayName = utf8Name;
    item.name = StoredName(utf8Name, codePage_);
    item.directory = true;
    item.attributes = static_cast<std::int32_t>(platform::AttributeDirectory);
    item.date = DateOf(folder);
    Insert(std::move(item));
  }

  void AddFile(const fs::path& path, const fs::file_status& status, const std::string& utf8Name) {
    if (!fs::is_regular_file(status)) Fail(path, "not a regular file");
    InputItem item;
    item.source = path;
    item.displayName = utf8Name;
    item.name = StoredName(utf8Name, codePage_);
    std::error_code error;
    item.size = fs::file_size(path, error);
    if (error) Fail(path, "cannot read: " + error.message());
    if (item.size >= static_cast<std::uint64_t>(MaxProgramFileSize)) Fail(path, "2 GiB or larger; the format holds less");
    item.attributes = AttributesOf(status);
    item.date = DateOf(path);
    Insert(std::move(item));
  }

  long double DateOf(const fs::path& path) {
    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(path, error);
    if (error) Fail(path, "cannot read its date: " + error.message());
    const std::optional<long double> days = DayCountFromFileTime(time);
    if (!days) Fail(path, "its date cannot be expressed in local time");
    return *days;
  }

  void Insert(InputItem item) {
    const std::string key = FoldCase(item.name);  // two Names differing only in case meet on Windows
    const auto [it, inserted] = items_.emplace(key, item);
    if (!inserted) {
      throw ToolError("two inputs are stored under the same name " + item.displayName + ": " +
                      Utf8FromPath(it->second.source) + " and " + Utf8FromPath(item.source));
    }
  }

  int codePage_;
  std::map<std::string, InputItem> items_;
};

}  // namespace

std::string FoldCase(std::string name) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

std::string StoredName(const std::string& utf8Name, int codePage) {
  std::string portable = utf8Name;
  std::replace(portable.begin(), portable.end(), '/', '\\');
  const std::optional<std::string> name = Utf8ToCodePage(portable, codePage);
  if (!name) throw ToolError("the name " + utf8Name + " cannot be written in code page " + std::to_string(codePage));
  if (!IsSafeEntryName(*name, codePage)) throw ToolError("the name " + utf8Name + " is not allowed in an archive (the stub would refuse it)");
  return *name;
}

std::vector<InputItem> CollectInputs(const std::vector<std::string>& inputs, int codePage) {
  Collector collector(codePage);
  for (const std::string& input : inputs) collector.AddInput(input);
  return collector.Take();
}

}  // namespace lzsfx::tool
