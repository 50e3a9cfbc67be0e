// A fresh directory below the temporary directory for one test, made and named through
// the platform seam itself (Windows-style path with a trailing '\'), removed afterwards.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "extract/native_path.h"
#include "platform/files.h"
#include "platform/system.h"

namespace lzsfx::platform {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    path_ = TempDirectory();
    path_.append("lzsfx-platform-").append(std::to_string(std::random_device{}())).append("\\");
    created_ = NewDirectory(path_.substr(0, path_.size() - 1));
  }
  ~ScratchDirectory() {
    // Read-only files would stop the removal on Windows.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(NativePath(path_), ignored)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(NativePath(path_), ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  bool Created() const { return created_; }
  // The Windows-style path of a name inside the directory.
  std::string operator/(const std::string& name) const { return path_ + name; }

  // Writes a file through the seam; false when it could not be written whole.
  bool WriteFile(const std::string& name, const std::string& content) const {
    const FileHandle file = CreateForWriting(*this / name);
    if (file == InvalidFileHandle) return false;
    std::uint32_t written = 0;
    const bool ok = Write(file, content.data(), static_cast<std::uint32_t>(content.size()), written);
    Close(file);
    return ok && written == content.size();
  }

 private:
  std::string path_;
  bool created_ = false;
};

}  // namespace lzsfx::platform
