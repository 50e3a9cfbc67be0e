// The file operations of the seam over POSIX, with the results the Win32 calls give:
// a directory cannot be opened as a file, and a read-only file (no owner write
// permission, the POSIX form of the read-only attribute) can be neither opened for
// writing nor deleted, whatever the caller's own rights (root included). The Win32
// share modes have no POSIX counterpart and are not emulated.
//
// A symbolic link at a path is never followed by what writes or changes a file: it counts
// as an existing file (unless it leads to a directory), is deleted itself, and is neither
// opened for writing, re-dated nor given attributes, so a planted link cannot make the
// extraction write or change anything outside its destination.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/files.h"
#include "platform/posix/posix_paths.h"

namespace lzsfx::platform {
namespace {

using detail::ToPosixPath;

constexpr mode_t NewFileMode = 0666;       // narrowed by the umask
constexpr mode_t NewDirectoryMode = 0777;  // narrowed by the umask
constexpr mode_t AllWritePermissions = S_IWUSR | S_IWGRP | S_IWOTH;

bool IsReadOnly(const struct stat& status) { return (status.st_mode & S_IWUSR) == 0; }

bool IsLinkToDirectory(const std::string& posixPath) {
  struct stat target;
  return stat(posixPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
}

enum class Access { Read, Write };

// Refuses what the Win32 open refuses before the file is touched: a directory, and a
// read-only file for writing. A link is looked at itself when writing: open() refuses it.
bool MayOpen(const std::string& posixPath, Access access) {
  struct stat status;
  const int found = access == Access::Read ? stat(posixPath.c_str(), &status) : lstat(posixPath.c_str(), &status);
  if (found != 0) return true;  // open() reports what is missing
  if (S_ISDIR(status.st_mode)) return false;
  return access == Access::Read || !IsReadOnly(status);
}

FileHandle Open(const std::string& path, int flags, Access access) {
  const std::string posixPath = ToPosixPath(path);
  if (!MayOpen(posixPath, access)) return InvalidFileHandle;
  if (access == Access::Write) flags |= O_NOFOLLOW;
  int descriptor;
  do {
    descriptor = open(posixPath.c_str(), flags | O_CLOEXEC, NewFileMode);
  } while (descriptor < 0 && errno == EINTR);
  return descriptor < 0 ? InvalidFileHandle : descriptor;
}

int Descriptor(FileHandle file) { return static_cast<int>(file); }

// ReadFile and WriteFile move everything they can in one call; read() and write() may
// stop short, so both loop until done, at the end of the file, or at an error.
template <class Transfer, class Byte>
bool TransferAll(Transfer transfer, Byte* bytes, std::uint32_t count, std::uint32_t& transferred) {
  transferred = 0;
  while (transferred < count) {
    const ssize_t moved = transfer(bytes + transferred, count - transferred);
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0) return false;
    if (moved == 0) break;
    transferred += static_cast<std::uint32_t>(moved);
  }
  return true;
}

// DosDateTimeToFileTime's rule: the fields must form a real date and time of day.
bool DecodeDosDateTime(std::uint32_t packed, struct tm& local) {
  const unsigned date = packed >> 16, time = packed & 0xFFFF;
  const int year = 1980 + static_cast<int>(date >> 9);
  const int month = (date >> 5) & 0x0F, day = date & 0x1F;
  const int hour = time >> 11, minute = (time >> 5) & 0x3F, second = (time & 0x1F) * 2;
  static constexpr int DaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  local = {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;  // the local time of that date, summer or winter, as the zone says
  return true;
}

}  // namespace

FileHandle OpenForReading(const std::string& path) { return Open(path, O_RDONLY, Access::Read); }

FileHandle CreateForWriting(const std::string& path) {
  return Open(path, O_RDWR | O_CREAT | O_TRUNC, Access::Write);
}

FileHandle OpenForWriting(const std::string& path) { return Open(path, O_WRONLY, Access::Write); }

void Close(FileHandle file) {
  if (file != InvalidFileHandle) close(Descriptor(file));
}

bool Read(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& transferred) {
  const int descriptor = Descriptor(file);
  return TransferAll([descriptor](char* at, std::uint32_t n) { return read(descriptor, at, n); },
                     static_cast<char*>(buffer), count, transferred);
}

bool Write(FileHandle file, const void* buffer, std::uint32_t count, std::uint32_t& transferred) {
  const int descriptor = Descriptor(file);
  return TransferAll([descriptor](const char* at, std::uint32_t n) { return write(descriptor, at, n); },
                     static_cast<const char*>(buffer), count, transferred);
}

bool Seek(FileHandle file, std::int32_t position) {
  if (position < 0) return false;
  return lseek(Descriptor(file), position, SEEK_SET) >= 0;
}

std::int64_t Tell(FileHandle file) { return lseek(Descriptor(file), 0, SEEK_CUR); }

std::int64_t FileSize(FileHandle file) {
  struct stat status;
  if (fstat(Descriptor(file), &status) != 0) return -1;
  return status.st_size;
}

std::uint32_t GetAttributes(const std::string& path) {
  struct stat status;
  if (stat(ToPosixPath(path).c_str(), &status) != 0) return InvalidFileAttributes;
  if (S_ISDIR(status.st_mode)) return AttributeDirectory;
  return AttributeArchive | (IsReadOnly(status) ? AttributeReadOnly : 0);
}

// Only the read-only bit has a POSIX form. A directory keeps its permissions: on
// Windows its read-only bit does not stop files being made in it, on POSIX it would.
// A link keeps its target's permissions; fchmodat refuses a link that appears in the
// meantime instead of changing what it leads to.
bool SetAttributes(const std::string& path, std::uint32_t attributes) {
  const std::string posixPath = ToPosixPath(path);
  struct stat status;
  if (lstat(posixPath.c_str(), &status) != 0) return false;
  if (S_ISDIR(status.st_mode) || S_ISLNK(status.st_mode)) return true;
  const mode_t permissions = status.st_mode & 07777;
  const mode_t wanted = (attributes & AttributeReadOnly) ? permissions & ~AllWritePermissions
                                                         : permissions | S_IWUSR;
  return wanted == permissions || fchmodat(AT_FDCWD, posixPath.c_str(), wanted, AT_SYMLINK_NOFOLLOW) == 0;
}

bool NewDirectory(const std::string& path) {
  return mkdir(ToPosixPath(path).c_str(), NewDirectoryMode) == 0;
}

// A link is deleted itself, whatever it leads to (links carry no permissions of their own).
bool RemoveFile(const std::string& path) {
  const std::string posixPath = ToPosixPath(path);
  struct stat status;
  if (lstat(posixPath.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
  if (S_ISREG(status.st_mode) && IsReadOnly(status)) return false;
  return unlink(posixPath.c_str()) == 0;
}

// A link counts as the file it is, also when it leads nowhere, as the search finds the
// link's own entry; only a link to a directory counts as the directory.
bool FileExists(const std::string& path) {
  const std::string posixPath = ToPosixPath(path);
  struct stat status;
  if (lstat(posixPath.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
  return !S_ISLNK(status.st_mode) || !IsLinkToDirectory(posixPath);
}

bool SetLastWriteDosTime(const std::string& path, std::uint32_t packedDateTime) {
  struct tm local;
  if (!DecodeDosDateTime(packedDateTime, local)) return false;
  const time_t lastWrite = mktime(&local);
  if (lastWrite == static_cast<time_t>(-1)) return false;
  // Opened for writing as the Win32 sequence does, so a read-only file keeps its time
  // (and, as every open for writing, not through a link).
  const FileHandle file = OpenForWriting(path);
  if (file == InvalidFileHandle) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, {lastWrite, 0}};
  const bool ok = futimens(Descriptor(file), times) == 0;
  Close(file);
  return ok;
}

}  // namespace lzsfx::platform
