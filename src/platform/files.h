// The file operations of the platform seam. Paths are Windows-style byte strings in the
// ANSI code page; the POSIX implementation translates '\' to '/' and the code page to
// UTF-8 at this boundary. No operation raises a failure: results tell what happened.
#pragma once

#include <cstdint>
#include <string>

#include "common/extraction_state.h"  // FileHandle

namespace lzsfx::platform {

inline constexpr std::uint32_t InvalidFileAttributes = 0xFFFFFFFF;
inline constexpr std::uint32_t AttributeReadOnly = 0x01;
inline constexpr std::uint32_t AttributeHidden = 0x02;
inline constexpr std::uint32_t AttributeSystem = 0x04;
inline constexpr std::uint32_t AttributeDirectory = 0x10;
inline constexpr std::uint32_t AttributeArchive = 0x20;
inline constexpr std::uint32_t AttributeNormal = 0x80;

// An existing file for reading while others may read and write it
// (CreateFileA: GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING).
FileHandle OpenForReading(const std::string& path);

// A new or emptied file for reading and writing, not shared
// (CreateFileA: GENERIC_READ | GENERIC_WRITE, share 0, CREATE_ALWAYS).
FileHandle CreateForWriting(const std::string& path);

// An existing file for writing, shared (GENERIC_WRITE, FILE_SHARE_READ | WRITE, OPEN_EXISTING).
FileHandle OpenForWriting(const std::string& path);

void Close(FileHandle file);

// Reads up to count bytes at the current position; `transferred` gets how many moved
// (fewer at the end of the file). False when the read itself failed.
bool Read(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& transferred);

// Writes count bytes; `transferred` gets how many were written. False on failure.
bool Write(FileHandle file, const void* buffer, std::uint32_t count, std::uint32_t& transferred);

// Moves to a position from the start of the file (SetFilePointer, FILE_BEGIN). A negative
// position fails and leaves the position unchanged.
bool Seek(FileHandle file, std::int32_t position);

// Current position from the start of the file, -1 on failure.
std::int64_t Tell(FileHandle file);

// Size of an open file in bytes, -1 on failure.
std::int64_t FileSize(FileHandle file);

// Windows attribute bits (GetFileAttributesA); InvalidFileAttributes when nothing is there.
std::uint32_t GetAttributes(const std::string& path);

// SetFileAttributesA. On POSIX only what the file system can hold is applied: read-only
// clears the write permissions, its absence restores the owner's write permission. A
// directory keeps its permissions on POSIX: Windows lets files be made in a read-only
// directory, POSIX would not, and later entries are extracted into it.
bool SetAttributes(const std::string& path, std::uint32_t attributes);

// CreateDirectoryA without security attributes: one directory, no parents.
bool NewDirectory(const std::string& path);

// DeleteFileA.
bool RemoveFile(const std::string& path);

// True when a file (not a directory) exists at path (FindFirstFileA and FindClose).
bool FileExists(const std::string& path);

// Applies a packed MS-DOS date and time, taken as local time, as the last-write time
// (DosDateTimeToFileTime, LocalFileTimeToFileTime, SetFileTime); the creation and access
// times stay. False when the value is no valid date or the file cannot be opened. On POSIX
// the local time is read with the daylight-saving state of the date itself, so a date
// round-trips with the builder; Win32's LocalFileTimeToFileTime applies today's bias.
bool SetLastWriteDosTime(const std::string& path, std::uint32_t packedDateTime);

}  // namespace lzsfx::platform
