// Files as the builder sees them: its failures, paths given as UTF-8, random access to an
// input file, and an output that appears under its final name only once it is complete.
// Portable: std::filesystem and standard streams only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "stub_image.h"

namespace lzsfx::tool {

// A failure that ends a command with exit code 1 and its message on stderr.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command line that makes no sense: exit code 2, with a hint to --help.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Paths travel through the tool as UTF-8 text (what is printed, and what code pages convert).
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// Command-line arguments are in the system's narrow encoding (UTF-8 on POSIX systems, the
// ANSI code page on Windows): these read them as a path, or as UTF-8 text.
std::filesystem::path PathFromArgument(const std::string& argument);
std::string ArgumentToUtf8(const std::string& argument);

// A file opened for reading by position. Throws ToolError when it cannot be opened.
class InputFile final : public ByteSource {
 public:
  explicit InputFile(const std::filesystem::path& path);
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t position, std::span<std::uint8_t> out) const override;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  mutable std::ifstream stream_;
  std::uint64_t size_ = 0;
};

// Writes to a temporary file beside the final path; Commit renames it into place. An
// output that is never committed (a failure, an exception passing through) is removed.
enum class OutputKind { Data, Program };  // a Program becomes executable where that means something

class AtomicOutput {
 public:
  AtomicOutput(std::filesystem::path finalPath, OutputKind kind);
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  std::fstream& Stream() { return stream_; }
  void Write(std::span<const std::uint8_t> bytes);
  // Writes bytes at an absolute position and returns to the end.
  void WriteAt(std::uint64_t position, std::span<const std::uint8_t> bytes);
  void Commit();

 private:
  std::filesystem::path finalPath_;
  std::filesystem::path temporaryPath_;
  std::fstream stream_;
  OutputKind kind_;
  bool committed_ = false;
};

// A scratch file beside a given path, removed when this object ends.
class ScratchFile {
 public:
  explicit ScratchFile(const std::filesystem::path& near);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  std::fstream& Stream() { return stream_; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::fstream stream_;
};

}  // namespace lzsfx::tool
