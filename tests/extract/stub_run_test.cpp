// End-to-end runs of the host stub: a self-extracting file is built from the real stub
// program, run as its own process with a private temporary directory (TMPDIR), and the
// files, message boxes (LZSFX_MESSAGEBOX_LOG), launches and exit code are checked.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "extract/native_path.h"
#include "extract/sfx_fixture.h"

namespace lzsfx {
namespace {

namespace fs = std::filesystem;
using namespace test_fixture;

// A message box as the POSIX layer logged it.
struct Box {
  unsigned style = 0;
  std::string caption;
  std::string text;
};

struct RunResult {
  int exitCode = -1;
  std::vector<Box> boxes;
  std::vector<std::string> launches;  // command lines
  long maxResidentKiB = 0;
  double seconds = 0;
};

struct RunOptions {
  std::string answers = {};      // LZSFX_MESSAGEBOX_ANSWERS
  std::string shellPrefix = {};  // shell commands run before the stub (limits, traps)
  std::function<void(pid_t)> whileRunning = {};
  // Runs the stub under /usr/bin/time: a process forked from this large test process would
  // carry its resident size into the figure.
  bool measureMemory = false;
  std::string programName = "setup-sfx";  // below the test's directory, in UTF-8
};

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, '\t')) fields.push_back(Unescape(field));
  return fields;
}

std::vector<std::vector<std::string>> ReadLog(const fs::path& path) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(SplitTabs(line));
  return lines;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const ByteBuffer& HostStub() {
  static const ByteBuffer stub = ReadWholeFile(LZSFX_HOST_STUB);
  return stub;
}

// Seconds since the epoch of a local time that is UTC (the runs set TZ=UTC).
std::time_t UtcTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  return timegm(&parts);
}

std::time_t ModificationTime(const fs::path& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_mtime : 0;
}

bool IsReadOnly(const fs::path& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

// Dates of the fixture files: 1999-02-10 12:20:57, and two that no packed date holds.
constexpr long double Date1999 = 36201 + (12 * 3600 + 20 * 60 + 57) / 86400.0L;
constexpr long double Date1979 = 29000.25L;
constexpr long double Date2100 = 73100.75L;

// A script that writes each of its arguments on a line of the file named by the first.
// Arguments keep their '\' on POSIX, so the script turns its first one into a POSIX path.
constexpr char RecorderScript[] = "#!/bin/sh\nout=$(printf '%s' \"$1\" | tr '\\\\' /)\nshift\nprintf '%s\\n' \"$@\" > \"$out.part\" && mv \"$out.part\" \"$out\"\n";

class StubRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    work_ = fs::temp_directory_path() / ("lzsfx-stub-run-" + std::string(info->name()) + "-" + std::to_string(getpid()));
    Reset();
  }
  void TearDown() override {
    MakeWritable();
    fs::remove_all(work_);
  }

  void Reset() {
    MakeWritable();
    fs::remove_all(work_);
    fs::create_directories(tmp());
  }

  // Read-only files left by a run would stop remove_all.
  void MakeWritable() {
    std::error_code ignored;
    if (!fs::exists(work_)) return;
    for (const auto& item : fs::recursive_directory_iterator(work_, ignored)) {
      fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }

  fs::path tmp() const { return work_ / "tmp"; }
  std::string CoreTmp() const { return CorePath(tmp()) + "\\"; }

  RunResult Run(const ByteBuffer& program, const RunOptions& options = {}) {
    const fs::path sfx = work_ / options.programName;
    fs::create_directories(sfx.parent_path());
    WriteWholeFile(sfx.string(), program);
    fs::permissions(sfx, fs::perms::owner_all);
    fs::remove(work_ / "boxes.log");
    fs::remove(work_ / "launch.log");
    const std::string timer = options.measureMemory ? "/usr/bin/time -f %M -o '" + (work_ / "rss.txt").string() + "' " : "";
    const std::string command = options.shellPrefix + " exec " + timer + "'" + sfx.string() + "' </dev/null >'" +
                                (work_ / "output.txt").string() + "' 2>&1";
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("TMPDIR", tmp().c_str(), 1);
      setenv("TZ", "UTC", 1);
      setenv("LZSFX_MESSAGEBOX_ANSWERS", options.answers.c_str(), 1);
      setenv("LZSFX_MESSAGEBOX_LOG", (work_ / "boxes.log").c_str(), 1);
      setenv("LZSFX_LAUNCH_LOG", (work_ / "launch.log").c_str(), 1);
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const auto start = std::chrono::steady_clock::now();
    if (options.whileRunning) options.whileRunning(pid);
    int status = 0;
    waitpid(pid, &status, 0);

    RunResult result;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (options.measureMemory) std::ifstream(work_ / "rss.txt") >> result.maxResidentKiB;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    for (const auto& fields : ReadLog(work_ / "boxes.log")) {
      if (fields.size() >= 3) result.boxes.push_back({static_cast<unsigned>(std::stoul(fields[0], nullptr, 16)), fields[1], fields[2]});
    }
    for (const auto& fields : ReadLog(work_ / "launch.log")) {
      if (!fields.empty()) result.launches.push_back(fields[0]);
    }
    return result;
  }

  RunResult Run(const Fixture& fixture, const RunOptions& options = {}) {
    return Run(BuildSelfExtractor(HostStub(), fixture), options);
  }

  // Waits for a file that a launched program writes (it runs on after the stub ends).
  std::string AwaitFile(const fs::path& path) {
    for (int attempt = 0; attempt < 1000 && !fs::exists(path); ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ReadText(path);
  }

  fs::path work_;
};

// The three dated files of the configuration tests and the recorder script.
Fixture DatedFiles(std::vector<std::string> configLines) {
  Fixture fixture;
  fixture.Files = {
      {"SUB\\DIR\\A.TXT", "alpha", ReadOnlyArchive, Date1999},
      {"B.TXT", "bravo", ArchiveAttribute, Date1979},
      {"\\LEAD\\C.TXT", std::string(10000, 'c'), ArchiveAttribute, Date2100},
  };
  fixture.ConfigText = ConfigText(configLines);
  return fixture;
}

struct ConfigRow {
  const char* name;
  std::vector<std::string> lines;
  bool useDirs;
  bool attributes;
  bool fileDate;
};

const ConfigRow ConfigRows[] = {
    {"section only: all on", {}, true, true, true},
    {"all on spelt out", {"UseDirs=1", "OverWrite=1", "Attributes=1", "FileDate=1"}, true, true, true},
    {"not exactly 0 stays on", {"UseDirs=00", "Attributes=no", "FileDate=false"}, true, true, true},
    {"UseDirs off", {"UseDirs=0"}, false, true, true},
    {"Attributes off", {"Attributes=0"}, true, false, true},
    {"FileDate off", {"FileDate=0"}, true, true, false},
};

TEST_F(StubRun, ConfigurationOptionsShapeTheFiles) {
  for (const ConfigRow& row : ConfigRows) {
    SCOPED_TRACE(row.name);
    Reset();
    const std::time_t before = std::time(nullptr);
    const RunResult result = Run(DatedFiles(row.lines));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.boxes.empty());
    EXPECT_TRUE(result.launches.empty());
    EXPECT_FALSE(fs::exists(tmp() / "SETUP.INI")) << "the configuration file is deleted";

    const fs::path a = row.useDirs ? tmp() / "SUB/DIR/A.TXT" : tmp() / "A.TXT";
    const fs::path c = row.useDirs ? tmp() / "LEAD/C.TXT" : tmp() / "C.TXT";
    ASSERT_EQ(ReadText(a), "alpha");
    EXPECT_EQ(ReadText(tmp() / "B.TXT"), "bravo");
    EXPECT_EQ(ReadText(c), std::string(10000, 'c'));
    EXPECT_EQ(fs::exists(tmp() / "SUB"), row.useDirs);

    EXPECT_EQ(IsReadOnly(a), row.attributes);
    EXPECT_FALSE(IsReadOnly(tmp() / "B.TXT"));
    // 12:20:57 is stored with two-second precision; 1979 and 2100 have no packed date, so
    // those files keep the time at which they were written.
    if (row.fileDate) EXPECT_EQ(ModificationTime(a), UtcTime(1999, 2, 10, 12, 20, 56));
    else EXPECT_GE(ModificationTime(a), before);
    EXPECT_GE(ModificationTime(tmp() / "B.TXT"), before);
    EXPECT_GE(ModificationTime(c), before);
  }
}

TEST_F(StubRun, DirectoryEntriesMakeDirectoriesOnly) {
  Fixture fixture;
  // A read-only directory stays writable here: its files follow it.
  fixture.Files = {{"EMPTY\\", ""}, {"DEEP\\ER\\", ""}, {"RO\\", "", ReadOnlyArchive}, {"RO\\F.TXT", "in"}, {"F.TXT", "f"}};
  EXPECT_EQ(Run(fixture).exitCode, 0);
  EXPECT_TRUE(fs::is_directory(tmp() / "EMPTY"));
  EXPECT_TRUE(fs::is_directory(tmp() / "DEEP/ER"));
  EXPECT_EQ(ReadText(tmp() / "F.TXT"), "f");
  EXPECT_EQ(ReadText(tmp() / "RO/F.TXT"), "in");
  EXPECT_FALSE(IsReadOnly(tmp() / "RO"));

  Reset();
  fixture.ConfigText = ConfigText({"UseDirs=0"});
  EXPECT_EQ(Run(fixture).exitCode, 0);
  EXPECT_FALSE(fs::exists(tmp() / "EMPTY"));
  EXPECT_EQ(ReadText(tmp() / "F.TXT"), "f");
}

struct OverwriteRow {
  const char* answer;
  const char* firstContent;  // B.TXT afterwards
  bool laterEntryWritten;
  bool launched;
};

const OverwriteRow OverwriteRows[] = {
    {"yes", "new", true, true},
    {"no", "old", true, true},
    {"cancel", "old", false, false},
    {"none", "new", true, true},  // a box that cannot be shown counts as Yes
};

TEST_F(StubRun, OverwriteQuestionAnswers) {
  for (const OverwriteRow& row : OverwriteRows) {
    SCOPED_TRACE(row.answer);
    Reset();
    std::ofstream(tmp() / "B.TXT") << "old";
    Fixture fixture;
    fixture.Files = {{"B.TXT", "new"}, {"LATER.TXT", "later"}, {"REC.SH", RecorderScript}};
    fixture.ConfigText = ConfigText({"OverWrite=0", "Executable=REC.SH", "Parameters=<TD>argv.txt"});
    const RunResult result = Run(fixture, {.answers = row.answer});
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, CoreTmp() + "B.TXT exists. Overwrite?");
    EXPECT_EQ(result.boxes[0].caption, "File Exists");
    EXPECT_EQ(result.boxes[0].style, 0x23u);
    EXPECT_EQ(ReadText(tmp() / "B.TXT"), row.firstContent);
    EXPECT_EQ(fs::exists(tmp() / "LATER.TXT"), row.laterEntryWritten);
    EXPECT_EQ(result.launches.size(), row.launched ? 1u : 0u);
  }
}

TEST_F(StubRun, OverWriteReplacesReadOnlyFileSilently) {
  std::ofstream(tmp() / "B.TXT") << "old";
  fs::permissions(tmp() / "B.TXT", fs::perms::owner_read);
  std::ofstream(tmp() / "SETUP.INI") << "stale";
  Fixture fixture;
  fixture.Files = {{"B.TXT", "new"}};
  fixture.ConfigText = ConfigText({"OverWrite=0", "Attributes=0"});  // the configuration itself is always replaced
  const RunResult result = Run(fixture, {.answers = "cancel"});
  EXPECT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.boxes.size(), 1u);  // only B.TXT is asked about
  EXPECT_EQ(ReadText(tmp() / "B.TXT"), "old");

  Reset();
  std::ofstream(tmp() / "B.TXT") << "old";
  fs::permissions(tmp() / "B.TXT", fs::perms::owner_read);
  fixture.ConfigText = ConfigText({"Attributes=0"});
  EXPECT_EQ(Run(fixture).boxes.size(), 0u);
  EXPECT_EQ(ReadText(tmp() / "B.TXT"), "new");
}

// Links planted at the targets are replaced, never written through.
TEST_F(StubRun, LinksAtTargetsAreReplacedNotFollowed) {
  const fs::path outside = work_ / "outside";
  fs::create_directory(outside);
  std::ofstream(outside / "B.TXT") << "outside";
  fs::permissions(outside / "B.TXT", fs::perms::owner_read);
  fs::create_symlink(outside / "A.TXT", tmp() / "A.TXT");  // dangling
  fs::create_symlink(outside / "B.TXT", tmp() / "B.TXT");
  Fixture fixture;
  fixture.Files = {{"A.TXT", "alpha", ArchiveAttribute, Date1999}, {"B.TXT", "bravo", ReadOnlyArchive, Date1999}};
  const RunResult result = Run(fixture);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  for (const char* name : {"A.TXT", "B.TXT"}) EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tmp() / name))) << name;
  EXPECT_EQ(ReadText(tmp() / "A.TXT"), "alpha");
  EXPECT_EQ(ReadText(tmp() / "B.TXT"), "bravo");
  EXPECT_FALSE(fs::exists(outside / "A.TXT"));
  EXPECT_EQ(ReadText(outside / "B.TXT"), "outside");
  EXPECT_TRUE(IsReadOnly(outside / "B.TXT"));
  EXPECT_NE(ModificationTime(outside / "B.TXT"), UtcTime(1999, 2, 10, 12, 20, 56));
}

TEST_F(StubRun, LaunchesCommandWithExpandedPlaceholders) {
  Fixture fixture;
  fixture.Files = {{"BIN\\REC.SH", RecorderScript}};
  fixture.ConfigText = ConfigText({"Executable=BIN\\REC.SH", "Parameters=<TD>argv.txt <ad> <WD> <SD> <TD> \"two words\" <TD>"});
  const RunResult result = Run(fixture);
  EXPECT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.launches.size(), 1u);
  EXPECT_EQ(result.launches[0], CoreTmp() + "BIN\\REC.SH " + CoreTmp() +
                                    "argv.txt " + CorePath(work_) + "\\ \\etc\\ \\usr\\lib\\ <TD> \"two words\" <TD>");
  const std::string expected = CorePath(work_) + "\\\n\\etc\\\n\\usr\\lib\\\n<TD>\ntwo words\n<TD>\n";
  EXPECT_EQ(AwaitFile(tmp() / "argv.txt"), expected);
}

TEST_F(StubRun, ConfigurationWithoutExecutableStartsNothing) {
  Fixture fixture;
  fixture.Files = {{"REC.SH", RecorderScript}};
  fixture.ConfigText = ConfigText({"Parameters=/s"});
  const RunResult result = Run(fixture);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.launches.empty());
  EXPECT_TRUE(result.boxes.empty());
}

TEST_F(StubRun, LaunchThatFailsIsReported) {
  Fixture fixture;
  fixture.ConfigText = ConfigText({"Executable=MISSING.EXE", "Parameters=/q"});
  const RunResult result = Run(fixture);
  EXPECT_EQ(result.exitCode, 1);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].caption, "Error");
  EXPECT_NE(result.boxes[0].text.find(CoreTmp() + "MISSING.EXE /q"), std::string::npos) << result.boxes[0].text;
}

// Bytes that compress a little, like typical program files: runs and repeats among noise.
std::string SampleData(std::size_t size) {
  std::string data(size, '\0');
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    data[i] = (state >> 28) < 6 ? static_cast<char>(state >> 16) : data[i >= 64 ? i - 64 : 0];
  }
  return data;
}

TEST_F(StubRun, MemoryStaysFlatWhateverTheEntrySize) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer keeps freed memory in quarantine";
#endif
  long residentKiB[2] = {};
  const std::size_t sizes[2] = {1u << 20, 64u << 20};  // bytes
  for (int i = 0; i < 2; ++i) {
    Reset();
    Fixture fixture;
    fixture.Files = {{"DATA.BIN", SampleData(sizes[i])}};
    const RunResult result = Run(fixture, {.measureMemory = true});
    ASSERT_EQ(result.exitCode, 0);
    ASSERT_TRUE(ReadText(tmp() / "DATA.BIN") == fixture.Files[0].Data);
    residentKiB[i] = result.maxResidentKiB;
    std::printf("  entry of %zu MiB: max RSS %ld KiB, %.1f MiB/s\n", sizes[i] >> 20, result.maxResidentKiB,
                static_cast<double>(sizes[i]) / (1 << 20) / result.seconds);
  }
  // An entry is streamed: 63 MiB more data may not cost more than a little noise.
  constexpr long AllowedGrowthKiB = 2048;
  EXPECT_LT(residentKiB[1] - residentKiB[0], AllowedGrowthKiB);
}

// Sends the stub a signal (by default the terminal's interrupt, a cancel) as soon as the
// target has its first bytes; sizeWhenCancelled tells how far it had got.
std::function<void(pid_t)> CancelOnceWritten(const fs::path& target, std::uintmax_t& sizeWhenCancelled,
                                             int signal = SIGINT) {
  return [target, &sizeWhenCancelled, signal](pid_t pid) {
    std::error_code error;
    for (int attempt = 0; attempt < 100000; ++attempt) {
      if (fs::file_size(target, error) > 0 && !error) break;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    // Frozen while the size is read, so the cancel arrives mid-entry if the size says so.
    kill(pid, SIGSTOP);
    sizeWhenCancelled = fs::file_size(target, error);
    kill(pid, signal);
    kill(pid, SIGCONT);
  };
}

TEST_F(StubRun, CancelStopsInsideALargeEntry) {
  constexpr std::size_t LargeSize = 16u << 20;  // bytes: long enough to be caught mid-way
  const std::string large = SampleData(LargeSize);
  Fixture fixture;
  fixture.Files = {{"LARGE.BIN", large}, {"AFTER.TXT", "after"}, {"REC.SH", RecorderScript}};
  fixture.ConfigText = ConfigText({"Executable=REC.SH", "Parameters=<TD>argv.txt"});
  const ByteBuffer program = BuildSelfExtractor(HostStub(), fixture);

  std::uintmax_t sizeWhenCancelled = 0;
  const RunResult result = Run(program, {.whileRunning = CancelOnceWritten(tmp() / "LARGE.BIN", sizeWhenCancelled)});
  if (sizeWhenCancelled >= LargeSize) GTEST_SKIP() << "the entry was complete before the cancel";
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty()) << "a cancel ends quietly";
  EXPECT_TRUE(result.launches.empty());
  EXPECT_LT(fs::file_size(tmp() / "LARGE.BIN"), LargeSize);
  EXPECT_FALSE(fs::exists(tmp() / "AFTER.TXT"));
}

// A processor fault ends the run with one line on the standard error and exit code 1.
TEST_F(StubRun, FaultSignalEndsTheRunWithALine) {
  constexpr std::size_t LargeSize = 16u << 20;  // bytes: long enough to be caught mid-way
  Fixture fixture;
  fixture.Files = {{"LARGE.BIN", SampleData(LargeSize)}, {"AFTER.TXT", "after"}};
  std::uintmax_t sizeWhenFaulted = 0;
  const RunResult result =
      Run(fixture, {.whileRunning = CancelOnceWritten(tmp() / "LARGE.BIN", sizeWhenFaulted, SIGSEGV)});
  if (sizeWhenFaulted >= LargeSize) GTEST_SKIP() << "the entry was complete before the signal";
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(ReadText(work_ / "output.txt"), "Access violation: the program ends.\n");
  EXPECT_TRUE(result.boxes.empty());
}

// A cancel inside the configuration entry: what was written is read and deleted, nothing
// else is extracted and nothing is started.
TEST_F(StubRun, CancelInsideTheConfigurationEntry) {
  constexpr std::size_t PaddingSize = 16u << 20;  // bytes: long enough to be caught mid-way
  Fixture fixture;
  fixture.Files = {{"FIRST.TXT", "first"}, {"REC.SH", RecorderScript}};
  fixture.ConfigText = ConfigText({"Executable=REC.SH", "Parameters=<TD>argv.txt"}) + "[Padding]\r\n" +
                       SampleData(PaddingSize);
  std::uintmax_t sizeWhenCancelled = 0;
  const RunResult result =
      Run(fixture, {.whileRunning = CancelOnceWritten(tmp() / "SETUP.INI", sizeWhenCancelled)});
  if (sizeWhenCancelled >= fixture.ConfigText.size()) GTEST_SKIP() << "the entry was complete before the cancel";
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty()) << "a cancel ends quietly";
  EXPECT_TRUE(result.launches.empty());
  EXPECT_FALSE(fs::exists(tmp() / "SETUP.INI"));
  EXPECT_FALSE(fs::exists(tmp() / "FIRST.TXT"));
  EXPECT_FALSE(fs::exists(tmp() / "REC.SH"));
}

// Archives that must end without anything started.
struct BrokenRow {
  const char* name;
  std::function<ByteBuffer(const ByteBuffer& stub)> build;
  int exitCode;
  const char* caption;
  const char* textPart;  // found in the box's text; "$TMP" stands for the destination
};

ByteBuffer WithOffsetText(ByteBuffer program, const char* text) {
  OverwriteOffsetText(program, text);
  return program;
}

// The parts with one entry's stream moved to the end of the data, where a cut lands.
ArchiveParts WithStreamLast(ArchiveParts parts, std::size_t index) {
  std::rotate(parts.Streams.begin() + static_cast<std::ptrdiff_t>(index),
              parts.Streams.begin() + static_cast<std::ptrdiff_t>(index) + 1, parts.Streams.end());
  std::vector<CatalogEntry> order = parts.Entries;
  std::rotate(order.begin() + static_cast<std::ptrdiff_t>(index), order.begin() + static_cast<std::ptrdiff_t>(index) + 1,
              order.end());
  std::int32_t offset = 0;
  for (const CatalogEntry& stored : order) {
    for (CatalogEntry& entry : parts.Entries) {
      if (entry.Name == stored.Name) entry.Offset = offset;
    }
    offset += stored.CompressedSize;
  }
  return parts;
}

Fixture PlainFiles() {
  Fixture fixture;
  fixture.Files = {{"FIRST.TXT", "first"}, {"DATA.BIN", std::string(5000, 'd') + "tail"}, {"REC.SH", RecorderScript}};
  fixture.ConfigText = ConfigText({"Executable=REC.SH", "Parameters=<TD>argv.txt"});
  return fixture;
}

const BrokenRow BrokenRows[] = {
    {"bad catalog",
     [](const ByteBuffer& stub) { return WithOffsetText(BuildSelfExtractor(stub, PlainFiles()), "000000001"); }, 0,
     "Archive read error", "This is not a valid archive"},
    {"catalog without entries",
     [](const ByteBuffer& stub) { return Assemble(stub, {}); }, 0, "Archive read error", "This is not a valid archive"},
    {"offset text that does not convert",
     [](const ByteBuffer& stub) { return WithOffsetText(BuildSelfExtractor(stub, PlainFiles()), "12345678x"); }, 1,
     "Chyba aplikace", "EConvertError"},
    {"archive cut short inside an entry",
     [](const ByteBuffer& stub) {
       ByteBuffer program = Assemble(stub, WithStreamLast(Compress(PlainFiles()), 1));
       program.resize(program.size() - 20);
       return program;
     },
     1, "Chyba aplikace", "$TMPDATA.BIN"},
    {"stream shorter than its size says",
     [](const ByteBuffer& stub) {
       ArchiveParts parts = Compress(PlainFiles());
       parts.Entries[1].OriginalSize += 100;
       return Assemble(stub, parts);
     },
     1, "Chyba aplikace", "$TMPDATA.BIN"},
};

TEST_F(StubRun, BrokenArchivesStartNothing) {
  for (const BrokenRow& row : BrokenRows) {
    SCOPED_TRACE(row.name);
    Reset();
    const RunResult result = Run(row.build(HostStub()));
    EXPECT_EQ(result.exitCode, row.exitCode);
    EXPECT_TRUE(result.launches.empty());
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].caption, row.caption);
    std::string part = row.textPart;
    if (part.starts_with("$TMP")) part = CoreTmp() + part.substr(4);
    EXPECT_NE(result.boxes[0].text.find(part), std::string::npos) << result.boxes[0].text;
  }
}

TEST_F(StubRun, ConfigurationCutShortIsReported) {
  ByteBuffer program = BuildSelfExtractor(HostStub(), PlainFiles());
  program.resize(program.size() - 20);
  const RunResult result = Run(program);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.launches.empty());
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_NE(result.boxes[0].text.find(CoreTmp() + "SETUP.INI"), std::string::npos) << result.boxes[0].text;
}

TEST_F(StubRun, FullDiskEndsTheRun) {
  // 4 KiB per file: DATA.BIN (5004 bytes) cannot be written whole.
  const RunResult result = Run(PlainFiles(), {.shellPrefix = "ulimit -f 4; trap '' XFSZ;"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.launches.empty());
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].caption, "Chyba aplikace");
  EXPECT_EQ(result.boxes[0].style, 0x2010u);
  EXPECT_NE(result.boxes[0].text.find(CoreTmp() + "DATA.BIN"), std::string::npos) << result.boxes[0].text;
  EXPECT_FALSE(fs::exists(tmp() / "REC.SH")) << "no entry after the failing one";
}

TEST_F(StubRun, TargetThatCannotBeCreatedEndsTheRun) {
  fs::create_directory(tmp() / "DATA.BIN");
  const RunResult result = Run(PlainFiles());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.launches.empty());
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_NE(result.boxes[0].text.find(CoreTmp() + "DATA.BIN"), std::string::npos) << result.boxes[0].text;
  EXPECT_EQ(ReadText(tmp() / "FIRST.TXT"), "first");
}

TEST_F(StubRun, NothingIsWrittenPastOriginalSize) {
  ArchiveParts parts = Compress(PlainFiles());
  parts.Entries[1].OriginalSize -= 4;  // the stream decodes to four bytes more
  const RunResult result = Run(Assemble(HostStub(), parts));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadText(tmp() / "DATA.BIN"), std::string(5000, 'd'));
}

// A configuration Name with a directory part: written, read and deleted at one path.
TEST_F(StubRun, ConfigurationNameWithDirectoryIsOneFile) {
  Fixture fixture = PlainFiles();
  fixture.ConfigText = ConfigText({"UseDirs=0", "Executable=REC.SH", "Parameters=<TD>argv.txt"});
  ArchiveParts parts = Compress(fixture);
  parts.Entries.back().Name = "CONF\\SETUP.INI";
  fs::create_directory(tmp() / "CONF");
  std::ofstream(tmp() / "CONF/SETUP.INI") << "[VESK Configuration]\r\nExecutable=NOTHING\r\n";
  const RunResult result = Run(Assemble(HostStub(), parts));
  EXPECT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.launches.size(), 1u);
  EXPECT_EQ(result.launches[0], CoreTmp() + "REC.SH " + CoreTmp() + "argv.txt");
  EXPECT_FALSE(fs::exists(tmp() / "SETUP.INI"));
  EXPECT_TRUE(fs::exists(tmp() / "CONF/SETUP.INI")) << "a file of the same name elsewhere stays";
}

// A program path that the code page cannot name is not read under a look-alike name.
TEST_F(StubRun, ProgramPathWithoutAnsiFormIsNotRead) {
  const ByteBuffer program = BuildSelfExtractor(HostStub(), PlainFiles());
  fs::create_directory(work_ / "ct");
  WriteWholeFile((work_ / "ct/setup-sfx").string(), program);  // the look-alike
  const RunResult result = Run(program, {.programName = "\xC4\x8Dt/setup-sfx"});  // c with caron
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.launches.empty());
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "This is not a valid archive");
  EXPECT_TRUE(fs::is_empty(tmp()));
}

// The configuration entry is written without its stored attributes and date, so that a
// read-only one can still be deleted.
TEST_F(StubRun, ReadOnlyDatedConfigurationIsDeleted) {
  Fixture fixture = PlainFiles();
  fixture.ConfigText = ConfigText({"UseDirs=0", "Executable=REC.SH", "Parameters=<TD>argv.txt"});
  ArchiveParts parts = Compress(fixture);
  parts.Entries.back().Attributes = static_cast<std::int32_t>(ReadOnlyArchive);
  parts.Entries.back().Date = Date1999;
  const RunResult result = Run(Assemble(HostStub(), parts));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_FALSE(fs::exists(tmp() / "SETUP.INI"));
  EXPECT_EQ(result.launches.size(), 1u) << "its options were read";
}

}  // namespace
}  // namespace lzsfx
