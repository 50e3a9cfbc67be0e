#include "tool_files.h"

#include <random>
#include <system_error>
#include <vector>

namespace lzsfx::tool {
namespace {

// A name beside `near` that nothing uses yet: near's name, a tag and a random number.
std::filesystem::path UnusedPathBeside(const std::filesystem::path& near, const char* tag) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = near;
    candidate += std::string(".") + tag + "-" + std::to_string(random() % 1000000000);
    std::error_code error;
    if (!std::filesystem::exists(candidate, error) && !error) return candidate;
  }
  throw ToolError("cannot find a free temporary name beside " + Utf8FromPath(near));
}

void OpenForWriting(std::fstream& stream, const std::filesystem::path& path) {
  stream.open(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
  if (!stream) throw ToolError("cannot write " + Utf8FromPath(path));
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromArgument(const std::string& argument) { return std::filesystem::path(argument); }

std::string ArgumentToUtf8(const std::string& argument) { return Utf8FromPath(PathFromArgument(argument)); }

InputFile::InputFile(const std::filesystem::path& path) : path_(path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw ToolError(Utf8FromPath(path) + " is a directory");
  stream_.open(path, std::ios::binary);
  if (!stream_) throw ToolError("cannot open " + Utf8FromPath(path));
  stream_.seekg(0, std::ios::end);
  const std::streamoff size = stream_.tellg();
  if (size < 0) throw ToolError("cannot read " + Utf8FromPath(path));
  size_ = static_cast<std::uint64_t>(size);
}

bool InputFile::ReadAt(std::uint64_t position, std::span<std::uint8_t> out) const {
  if (position > size_ || out.size() > size_ - position) return false;
  stream_.clear();
  stream_.seekg(static_cast<std::streamoff>(position));
  stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return stream_.gcount() == static_cast<std::streamsize>(out.size());
}

AtomicOutput::AtomicOutput(std::filesystem::path finalPath, OutputKind kind)
    : finalPath_(std::move(finalPath)), temporaryPath_(UnusedPathBeside(finalPath_, "partial")), kind_(kind) {
  OpenForWriting(stream_, temporaryPath_);
}

AtomicOutput::~AtomicOutput() {
  if (committed_) return;
  stream_.close();
  std::error_code ignored;
  std::filesystem::remove(temporaryPath_, ignored);
}

void AtomicOutput::Write(std::span<const std::uint8_t> bytes) {
  stream_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!stream_) throw ToolError("cannot write " + Utf8FromPath(temporaryPath_) + " (is the disk full?)");
}

void AtomicOutput::WriteAt(std::uint64_t position, std::span<const std::uint8_t> bytes) {
  stream_.seekp(static_cast<std::streamoff>(position));
  Write(bytes);
  stream_.seekp(0, std::ios::end);
}

void AtomicOutput::Commit() {
  stream_.flush();
  if (!stream_) throw ToolError("cannot write " + Utf8FromPath(temporaryPath_) + " (is the disk full?)");
  stream_.close();
  if (stream_.fail()) throw ToolError("cannot finish writing " + Utf8FromPath(temporaryPath_));
  std::error_code error;
  if (kind_ == OutputKind::Program) {
    std::filesystem::permissions(temporaryPath_,
                               std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                   std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, error);
  }
  std::filesystem::rename(temporaryPath_, finalPath_, error);
  if (error) throw ToolError("cannot create " + Utf8FromPath(finalPath_) + ": " + error.message());
  committed_ = true;
}

ScratchFile::ScratchFile(const std::filesystem::path& near) : path_(UnusedPathBeside(near, "spool")) {
  OpenForWriting(stream_, path_);
}

ScratchFile::~ScratchFile() {
  stream_.close();
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

}  // namespace lzsfx::tool
