// The file operations of the seam, with the results the Win32 calls give: natively over
// the POSIX layer and under wine64 over the real calls.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "platform/files.h"
#include "scratch_directory.h"

namespace lzsfx::platform {
namespace {

class PlatformFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(directory.Created()); }
  ScratchDirectory directory;
};

std::string ReadAll(FileHandle file, std::uint32_t count) {
  std::string bytes(count, '\0');
  std::uint32_t got = 0;
  if (!Read(file, bytes.data(), count, got)) return "<failed>";
  bytes.resize(got);
  return bytes;
}

TEST_F(PlatformFilesTest, WritesReadsAndSeeks) {
  const std::string path = directory / "data.bin";
  FileHandle file = CreateForWriting(path);
  ASSERT_NE(file, InvalidFileHandle);
  std::uint32_t written = 0;
  ASSERT_TRUE(Write(file, "0123456789", 10, written));
  EXPECT_EQ(written, 10u);
  EXPECT_EQ(FileSize(file), 10);
  EXPECT_EQ(Tell(file), 10);
  Close(file);

  file = OpenForReading(path);
  ASSERT_NE(file, InvalidFileHandle);
  EXPECT_TRUE(Seek(file, 4));
  EXPECT_EQ(ReadAll(file, 3), "456");
  EXPECT_FALSE(Seek(file, -1));
  EXPECT_EQ(Tell(file), 7) << "a failed seek leaves the position";
  EXPECT_EQ(ReadAll(file, 100), "789") << "fewer bytes at the end of the file";
  EXPECT_EQ(ReadAll(file, 100), "");
  Close(file);

  // Creating again empties the file.
  file = CreateForWriting(path);
  EXPECT_EQ(FileSize(file), 0);
  Close(file);
}

TEST_F(PlatformFilesTest, OpenFailsForMissingFilesAndDirectories) {
  EXPECT_EQ(OpenForReading(directory / "missing"), InvalidFileHandle);
  EXPECT_EQ(OpenForWriting(directory / "missing"), InvalidFileHandle);
  ASSERT_TRUE(NewDirectory(directory / "sub"));
  EXPECT_EQ(OpenForReading(directory / "sub"), InvalidFileHandle);
  EXPECT_EQ(CreateForWriting(directory / "sub"), InvalidFileHandle);
  EXPECT_EQ(CreateForWriting(directory / "missing\\file"), InvalidFileHandle);
}

TEST_F(PlatformFilesTest, DirectoriesAreNoFiles) {
  EXPECT_TRUE(NewDirectory(directory / "sub"));
  EXPECT_FALSE(NewDirectory(directory / "sub")) << "it exists already";
  EXPECT_FALSE(NewDirectory(directory / "a\\b")) << "no parents are made";
  EXPECT_EQ(GetAttributes(directory / "sub"), AttributeDirectory);
  EXPECT_FALSE(FileExists(directory / "sub"));
  EXPECT_FALSE(RemoveFile(directory / "sub"));

  ASSERT_TRUE(directory.WriteFile("f", "x"));
  EXPECT_TRUE(FileExists(directory / "f"));
  EXPECT_FALSE(FileExists(directory / "g"));
  EXPECT_EQ(GetAttributes(directory / "g"), InvalidFileAttributes);
}

TEST_F(PlatformFilesTest, ReadOnlyFileCanBeNeitherWrittenNorDeleted) {
  const std::string path = directory / "f";
  ASSERT_TRUE(directory.WriteFile("f", "x"));
  EXPECT_EQ(GetAttributes(path), AttributeArchive);

  ASSERT_TRUE(SetAttributes(path, AttributeReadOnly | AttributeArchive));
  EXPECT_EQ(GetAttributes(path), AttributeReadOnly | AttributeArchive);
#ifndef _WIN32
  // Windows refuses these too; Wine decides by the Unix permissions, which do not stop
  // root, and the tests may run as root.
  for (const FileHandle writer : {OpenForWriting(path), CreateForWriting(path)}) {
    EXPECT_EQ(writer, InvalidFileHandle);
    Close(writer);
  }
#endif
  EXPECT_FALSE(RemoveFile(path));
  const FileHandle reader = OpenForReading(path);
  EXPECT_NE(reader, InvalidFileHandle) << "reading is still allowed";
  Close(reader);

  // Value 0 clears the read-only bit, as the extraction does before it replaces a file.
  ASSERT_TRUE(SetAttributes(path, 0));
  EXPECT_EQ(GetAttributes(path) & AttributeReadOnly, 0u);
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(SetAttributes(path, 0)) << "nothing there";
}

// Packed MS-DOS date and time: date in the high 16 bits, time of day in the low 16.
constexpr std::uint32_t PackDos(int year, int month, int day, int hour, int minute, int second) {
  const std::uint32_t date = day + month * 32 + (year - 1980) * 512;
  const std::uint32_t time = second / 2 + minute * 32 + hour * 2048;
  return date << 16 | time;
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::time_t LastWriteTime(const std::string& path) {
  const auto written = std::filesystem::last_write_time(NativePath(path));
  return std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
}

TEST_F(PlatformFilesTest, DosTimeSetsTheLastWriteTimeAsLocalTime) {
  const std::string path = directory / "f";
  ASSERT_TRUE(directory.WriteFile("f", "x"));
  // Winter dates: the local offset of the date and of today agree in every zone rule.
  ASSERT_TRUE(SetLastWriteDosTime(path, PackDos(1999, 1, 12, 12, 20, 58)));
  EXPECT_EQ(LastWriteTime(path), LocalTime(1999, 1, 12, 12, 20, 58));
  ASSERT_TRUE(SetLastWriteDosTime(path, PackDos(2099, 12, 31, 23, 59, 59)));
  EXPECT_EQ(LastWriteTime(path), LocalTime(2099, 12, 31, 23, 59, 58)) << "two-second steps";
}

TEST_F(PlatformFilesTest, InvalidDosTimeSetsNothing) {
  const std::string path = directory / "f";
  ASSERT_TRUE(directory.WriteFile("f", "x"));
  ASSERT_TRUE(SetLastWriteDosTime(path, PackDos(2001, 2, 3, 4, 5, 6)));
  const std::time_t before = LastWriteTime(path);
  // Fields out of their range: the POSIX layer refuses them rather than move the time
  // to another day; the system's own call may normalize them instead (Wine does), so
  // there only the values without any reading are checked.
  enum class Refused { Everywhere, ByPosixLayer };
  const struct {
    const char* name;
    std::uint32_t packed;
    Refused refused;
  } invalid[] = {
      {"zero", 0, Refused::Everywhere},
      {"month 0", PackDos(2001, 0, 3, 4, 5, 6), Refused::Everywhere},
      {"month 13", PackDos(2001, 13, 3, 4, 5, 6), Refused::Everywhere},
      {"day 0", PackDos(2001, 2, 0, 4, 5, 6), Refused::Everywhere},
      {"February 29 of a common year", PackDos(2001, 2, 29, 4, 5, 6), Refused::ByPosixLayer},
      {"hour 24", PackDos(2001, 2, 3, 24, 5, 6), Refused::ByPosixLayer},
      {"minute 60", PackDos(2001, 2, 3, 4, 60, 6), Refused::ByPosixLayer},
      {"second 62", PackDos(2001, 2, 3, 4, 5, 62), Refused::ByPosixLayer},
  };
#ifdef _WIN32
  constexpr bool posixLayer = false;
#else
  constexpr bool posixLayer = true;
#endif
  for (const auto& row : invalid) {
    if (row.refused == Refused::ByPosixLayer && !posixLayer) continue;
    EXPECT_FALSE(SetLastWriteDosTime(path, row.packed)) << row.name;
    EXPECT_EQ(LastWriteTime(path), before) << row.name;
  }
  EXPECT_TRUE(SetLastWriteDosTime(path, PackDos(2004, 2, 29, 0, 0, 0))) << "leap day";
  EXPECT_FALSE(SetLastWriteDosTime(directory / "missing", PackDos(2004, 2, 29, 0, 0, 0)));
}

}  // namespace
}  // namespace lzsfx::platform
