// The file operations of the seam over the Win32 API, each the one call its declaration
// names, with the access, sharing and disposition written there.
#include <windows.h>

#include "platform/files.h"

namespace lzsfx::platform {
namespace {

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle FromHandle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

FileHandle Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return FromHandle(CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

FileHandle OpenForReading(const std::string& path) {
  return Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

FileHandle CreateForWriting(const std::string& path) {
  return Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
}

FileHandle OpenForWriting(const std::string& path) {
  return Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

void Close(FileHandle file) {
  if (file != InvalidFileHandle) CloseHandle(ToHandle(file));
}

bool Read(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& transferred) {
  DWORD moved = 0;
  const bool ok = ReadFile(ToHandle(file), buffer, count, &moved, nullptr);
  transferred = moved;
  return ok;
}

bool Write(FileHandle file, const void* buffer, std::uint32_t count, std::uint32_t& transferred) {
  DWORD moved = 0;
  const bool ok = WriteFile(ToHandle(file), buffer, count, &moved, nullptr);
  transferred = moved;
  return ok;
}

bool Seek(FileHandle file, std::int32_t position) {
  if (position < 0) return false;
  // Without a high part, a non-negative 32-bit position cannot legitimately come back as
  // INVALID_SET_FILE_POINTER, so that value alone means failure.
  return SetFilePointer(ToHandle(file), position, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

std::int64_t Tell(FileHandle file) {
  LARGE_INTEGER current{};
  if (!SetFilePointerEx(ToHandle(file), LARGE_INTEGER{}, &current, FILE_CURRENT)) return -1;
  return current.QuadPart;
}

std::int64_t FileSize(FileHandle file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(ToHandle(file), &size)) return -1;
  return size.QuadPart;
}

std::uint32_t GetAttributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

bool SetAttributes(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesA(path.c_str(), attributes);
}

bool NewDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr); }

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()); }

bool FileExists(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SetLastWriteDosTime(const std::string& path, std::uint32_t packedDateTime) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(static_cast<WORD>(packedDateTime >> 16),
                             static_cast<WORD>(packedDateTime & 0xFFFF), &local) ||
      !LocalFileTimeToFileTime(&local, &utc)) {
    return false;
  }
  const FileHandle file = OpenForWriting(path);
  if (file == InvalidFileHandle) return false;
  const bool ok = SetFileTime(ToHandle(file), nullptr, nullptr, &utc);
  Close(file);
  return ok;
}

}  // namespace lzsfx::platform
