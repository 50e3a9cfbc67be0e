#include "extract/entry_output.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "archive/entry_name.h"
#include "archive/entry_table.h"
#include "common/extraction_state.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "common/path_text.h"
#include "lzhuf/lzhuf_decoder.h"
#include "platform/files.h"
#include "platform/system.h"
#include "progress/progress_report.h"

namespace lzsfx {
namespace {

constexpr long double MillisecondsPerDay = 86'400'000.0L;
constexpr std::int64_t MillisecondsPerDayInt = 86'400'000;
constexpr int FirstPackedYear = 1980;
constexpr int LastPackedYear = 2099;
// Day counts (since 1899-12-30) safely around 1980-01-01 and 2100-01-01; outside them no
// packed date exists, and the millisecond count below cannot overflow inside them.
constexpr long double EarliestPackableDay = 29'000;
constexpr long double LatestPackableDay = 74'000;
// 1899-12-30 counted in days from 1970-01-01.
constexpr std::int64_t DateOriginFromUnixEpoch = -25'569;

constexpr std::string_view FieldDelimiter{&EntryFieldDelimiter, 1};
constexpr char InvalidDirectoryMessage[] = "This is not a valid directory name";
constexpr char OverwriteQuestionSuffix[] = " exists. Overwrite?";
constexpr char OverwriteCaption[] = "File Exists";

struct CivilDate {
  int Year;
  unsigned Month;
  unsigned Day;
};

// Days since 1970-01-01 to the proleptic Gregorian calendar (the well-known era algorithm).
CivilDate CivilFromDays(std::int64_t days) {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  const auto year = static_cast<int>(yearOfEra + era * 400) + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

// What happened to the entry being written, beyond the shared State: the hooks record a
// failure here instead of raising it (the decoder would swallow it), and WriteEntryFile
// raises it once DecodeStream has returned.
struct EntryProgress {
  std::int32_t OriginalSize = 0;  // bytes the stream should decode to
  std::int64_t Decoded = 0;       // bytes the decoder produced
  bool DirectoryEntry = false;    // the stream is read and counted, nothing is written
  std::string Failure;            // the first failure of this entry; empty while all is well
};

EntryProgress Current;

void RecordFailure(std::string message) {
  if (Current.Failure.empty()) Current.Failure = std::move(message);
}

bool IsDirectoryEntry(const std::string& path) { return !path.empty() && path.back() == '\\'; }

// The entry's stream is done: a cancel ends quietly, anything that left the file short or
// wrong ends the run.
void CheckEntryComplete(const std::string& path) {
  if (State.Aborted) return;
  if (!Current.Failure.empty()) Raise<Exception>(Current.Failure);
  if (State.EntryBytesRead < State.EntryLimit) Raise<Exception>("The archive ends inside the data of " + path);
  if (Current.Decoded < Current.OriginalSize) Raise<Exception>("The archive data of " + path + " is damaged");
}

void ApplyDateAndAttributes(const std::string& path, const EntryFields& entry, std::uint32_t packedDate,
                            const ExtractionOptions& options) {
  // The date first: a read-only attribute would keep it from being set.
  if (options.FileDate && packedDate != 0) platform::SetLastWriteDosTime(path, packedDate);
  if (options.Attributes) platform::SetAttributes(path, static_cast<std::uint32_t>(entry.Attributes));
}

// Closes the output file however the decoding ends.
class OutputFile {
 public:
  explicit OutputFile(FileHandle handle) { State.OutputHandle = handle; }
  ~OutputFile() { Close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  void Close() {
    if (State.OutputHandle != InvalidFileHandle) platform::Close(State.OutputHandle);
    State.OutputHandle = InvalidFileHandle;
  }
};

}  // namespace

EntryFields ParseEntryLine(const std::string& line) {
  EntryFields entry;
  entry.Name = ExtractField(line, FieldDelimiter, FieldName);
  entry.OriginalSize = ParseDecimal(ExtractField(line, FieldDelimiter, FieldOriginalSize));
  entry.CompressedSize = ParseDecimal(ExtractField(line, FieldDelimiter, FieldCompressedSize));
  entry.Attributes = ParseDecimal(ExtractField(line, FieldDelimiter, FieldAttributes));
  entry.Date = ParseFloatText(ExtractField(line, FieldDelimiter, FieldDate));
  entry.Offset = ParseDecimal(ExtractField(line, FieldDelimiter, FieldOffset));
  return entry;
}

std::string ExtractEntry(std::int32_t index, const std::string& destination, const ExtractionOptions& options) {
  const EntryFields entry = ParseEntryLine(EntryTableGet(index));
  const std::uint32_t packedDate = PackDosDateTime(entry.Date);
  // Hostile archives: whatever the catalog reader let through, nothing is written outside
  // the destination, and sizes that no builder writes are refused.
  if (!IsSafeEntryName(entry.Name)) Raise<Exception>("The archive holds an unsafe file name: " + entry.Name);
  if (entry.OriginalSize < 0 || entry.CompressedSize < 0 || entry.Offset < 0) {
    Raise<Exception>("The archive entry of " + entry.Name + " is damaged");
  }
  const std::string path = EntryTargetPath(destination, entry.Name, options.UseDirs);
  WriteEntryFile(path, entry, packedDate, options);
  return path;
}

std::uint32_t PackDosDateTime(long double date) {
  if (!(date >= EarliestPackableDay && date <= LatestPackableDay)) return 0;  // also NaN
  // Date and time come from one rounded millisecond count, so a Date a fraction of a
  // millisecond before midnight belongs to the next day.
  const auto milliseconds = static_cast<std::int64_t>(std::llround(date * MillisecondsPerDay));
  const std::int64_t days = milliseconds / MillisecondsPerDayInt;
  const std::int64_t millisecondOfDay = milliseconds % MillisecondsPerDayInt;
  const CivilDate civil = CivilFromDays(days + DateOriginFromUnixEpoch);
  if (civil.Year < FirstPackedYear || civil.Year > LastPackedYear) return 0;

  const auto secondOfDay = static_cast<std::uint32_t>(millisecondOfDay / 1000);
  const std::uint32_t hour = secondOfDay / 3600;
  const std::uint32_t minute = secondOfDay / 60 % 60;
  const std::uint32_t second = secondOfDay % 60;
  const std::uint32_t packedDay = civil.Day + civil.Month * 32 + static_cast<std::uint32_t>(civil.Year - FirstPackedYear) * 512;
  const std::uint32_t packedTime = second / 2 + minute * 32 + hour * 2048;
  return packedDay << 16 | packedTime;
}

std::string TargetPath(std::string_view directory, std::string_view name, bool useDirs) {
  std::string path = WithTrailingBackslash(directory);
  if (!useDirs) {
    path += FileNamePart(name);
  } else if (!name.empty() && name.front() == '\\') {
    path += name.substr(1);  // only one leading '\' is dropped
  } else {
    path += name;
  }
  return path;
}

std::string EntryTargetPath(std::string_view directory, std::string_view name, bool useDirs) {
  std::string path = TargetPath(directory, name, useDirs);
  EnsureDirectory(DirectoryPart(path));
  return path;
}

void EnsureDirectory(std::string path) {
  // Walks up to the first directory that exists, then creates the missing ones from the
  // outermost inwards. A loop, not recursion: a stored Name may hold any number of levels.
  constexpr std::size_t ShortestCreatablePath = 3;  // "C:" and shorter count as existing
  std::vector<std::string> missing;
  for (;;) {
    if (path.empty()) Raise<Exception>(InvalidDirectoryMessage);
    if (path.back() == '\\') path.pop_back();
    if (path.size() < ShortestCreatablePath || IsDirectory(path)) break;
    missing.push_back(path);
    path = DirectoryPart(path);
  }
  for (auto directory = missing.rbegin(); directory != missing.rend(); ++directory) {
    if (!MakeDirectory(*directory)) Raise<Exception>(InvalidDirectoryMessage);
  }
}

bool IsDirectory(const std::string& path) {
  const std::uint32_t attributes = platform::GetAttributes(path);
  return attributes != platform::InvalidFileAttributes && (attributes & platform::AttributeDirectory) != 0;
}

bool MakeDirectory(const std::string& path) { return platform::NewDirectory(path); }

bool PrepareTarget(const std::string& path, bool overWrite) {
  if (!platform::FileExists(path)) return true;
  OverwriteAnswer answer = OverwriteAnswer::Yes;
  if (!overWrite) answer = AskOverwrite(path);
  switch (answer) {
    case OverwriteAnswer::Cancel:
      State.Aborted = true;
      return false;
    case OverwriteAnswer::No:
      return false;
    case OverwriteAnswer::Yes:
      break;
  }
  // Cleared first so that a read-only file can go.
  platform::SetAttributes(path, 0);
  platform::RemoveFile(path);
  return true;
}

OverwriteAnswer AskOverwrite(const std::string& path) {
  const int result = platform::ShowMessageBox(path + OverwriteQuestionSuffix, OverwriteCaption,
                                              platform::MbYesNoCancel | platform::MbIconQuestion);
  if (result == platform::IdNo) return OverwriteAnswer::No;
  if (result == platform::IdCancel) return OverwriteAnswer::Cancel;
  return OverwriteAnswer::Yes;
}

void WriteEntryFile(const std::string& path, const EntryFields& entry, std::uint32_t packedDate,
                    const ExtractionOptions& options) {
  const bool directoryEntry = IsDirectoryEntry(path);
  if (!directoryEntry && !PrepareTarget(path, options.OverWrite)) return;

  OutputFile output(directoryEntry ? InvalidFileHandle : platform::CreateForWriting(path));
  if (!directoryEntry && State.OutputHandle == InvalidFileHandle) Raise<Exception>("Cannot create the file " + path);

  State.EntryBytesRead = 0;
  State.EntryLimit = entry.CompressedSize;
  State.CurrentFile = path;
  Current = EntryProgress{entry.OriginalSize, 0, directoryEntry, {}};
  // Data start plus offset lies beyond 2 GiB only in a damaged archive; the seek then fails
  // and the short read below ends the run.
  const std::int64_t streamStart = std::int64_t{State.DataStart} + entry.Offset;
  if (streamStart > INT32_MAX || !platform::Seek(State.ArchiveHandle, static_cast<std::int32_t>(streamStart))) {
    RecordFailure("Cannot read the archive data of " + path);
  }
  DecodeStream();
  output.Close();

  CheckEntryComplete(path);
  // A directory takes its attributes too (its date step fails by itself: a directory cannot
  // be opened as a file). Without UseDirs a directory entry names the destination itself,
  // which keeps its own.
  if (!directoryEntry || options.UseDirs) ApplyDateAndAttributes(path, entry, packedDate, options);
}

void ExtractionInputHook(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  reported = 0;
  const std::int32_t available = State.EntryLimit - State.EntryBytesRead;
  const std::int32_t wanted = std::min<std::int32_t>(count, available);
  if (State.Aborted || !Current.Failure.empty() || wanted <= 0) return;

  std::uint32_t transferred = 0;
  if (!platform::Read(State.ArchiveHandle, buffer, static_cast<std::uint32_t>(wanted), transferred)) {
    RecordFailure("Cannot read the archive data of " + State.CurrentFile);
    return;
  }
  transferred = std::min<std::uint32_t>(transferred, static_cast<std::uint32_t>(wanted));
  reported = static_cast<std::uint16_t>(transferred);
  State.EntryBytesRead += static_cast<std::int32_t>(transferred);
  // Overlapping entries of a hostile catalog may read more than 2 GiB in all: the sum
  // wraps like the 32-bit count it is (as SumCompressedSizes does); the progress report
  // copes with any value.
  State.TotalRead = static_cast<std::int32_t>(static_cast<std::uint32_t>(State.TotalRead) + transferred);
}

void ExtractionOutputHook(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  // A stream may decode to a little more than it encodes; nothing past OriginalSize is kept.
  const std::int64_t room = std::max<std::int64_t>(0, Current.OriginalSize - Current.Decoded);
  const auto keep = static_cast<std::uint32_t>(std::min<std::int64_t>(count, room));
  Current.Decoded += count;

  std::uint32_t written = 0;
  if (keep > 0 && !Current.DirectoryEntry && Current.Failure.empty()) {
    if (!platform::Write(State.OutputHandle, buffer, keep, written) || written < keep) {
      RecordFailure("Cannot write the file " + State.CurrentFile + " (is the disk full?)");
    }
  }
  reported = static_cast<std::uint16_t>(written);
  ReportProgress(State.CurrentFile, State.TotalRead, State.TotalCompressed);
}

}  // namespace lzsfx
