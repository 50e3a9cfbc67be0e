// Entry output: turns one line of the entry table into one file below the destination.
// ExtractEntry converts the line's fields, builds the target path (creating the missing
// directories), settles an existing file (replace it, or ask), creates the file and lets
// the decoder stream the entry into it through the extraction's two hooks, then applies
// the stored date and attributes when the options ask for them.
//
// Contract with hostile or damaged archives: no path outside the destination is created
// or written (every Name is checked again, whatever the catalog reader accepted); no byte
// beyond an entry's OriginalSize is written; an entry whose data ends early, decodes short,
// cannot be read, cannot be written or whose file cannot be created ends the run with a
// raised Exception that names the file. A cancelled entry (Aborted) ends quietly with what
// was decoded so far. Everything runs on one thread on the shared State.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lzsfx {

// The four options of a run, read from the configuration entry.
struct ExtractionOptions {
  bool UseDirs = true;     // keep the stored directory part below the destination
  bool OverWrite = true;   // replace existing files without asking
  bool Attributes = true;  // apply the stored attributes
  bool FileDate = true;    // apply the stored date as the last-write time
};

// The six fields of one entry line, converted.
struct EntryFields {
  std::string Name;
  std::int32_t OriginalSize = 0;
  std::int32_t CompressedSize = 0;
  std::int32_t Attributes = 0;
  long double Date = 0;  // days since 1899-12-30, local time, time of day as the fraction
  std::int32_t Offset = 0;
};

enum class OverwriteAnswer { Yes, No, Cancel };

// Converts the fields of a tab-separated entry line in the order 2, 3, 4, 5, 6; a field
// that does not convert raises EConvertError.
EntryFields ParseEntryLine(const std::string& line);

// Extracts entry `index` of the entry table below `destination`; gives its target path.
std::string ExtractEntry(std::int32_t index, const std::string& destination, const ExtractionOptions& options);

// The packed MS-DOS date (high 16 bits) and time (low 16 bits) of a Date; 0 when its year
// lies outside 1980..2099 or the value is no date at all.
std::uint32_t PackDosDateTime(long double date);

// The target path of a Name below a directory, without touching the disk: with useDirs the
// Name keeps its directory part (one leading '\' dropped), without it only its file name.
std::string TargetPath(std::string_view directory, std::string_view name, bool useDirs);

// TargetPath, after making sure that the target's directory exists.
std::string EntryTargetPath(std::string_view directory, std::string_view name, bool useDirs);

// Makes sure that a directory exists, creating missing parents from the outermost inwards.
// Raises Exception("This is not a valid directory name") for an empty path and for every
// directory that cannot be created. A path shorter than 3 characters (C:\) counts as existing.
void EnsureDirectory(std::string path);

bool IsDirectory(const std::string& path);
bool MakeDirectory(const std::string& path);

// True when the entry is to be written at path: nothing there, an existing file replaced
// (OverWrite, or the answer Yes). The answer Cancel sets Aborted.
bool PrepareTarget(const std::string& path, bool overWrite);

// The question "<path> exists. Overwrite?"; a box that cannot be shown counts as Yes.
OverwriteAnswer AskOverwrite(const std::string& path);

// Writes one entry at an already built target path. A path ending in '\' is a directory
// entry: its stream is read and counted, no file is created, and the directory takes the
// stored attributes (with UseDirs: without it the path is the destination itself).
void WriteEntryFile(const std::string& path, const EntryFields& entry, std::uint32_t packedDate,
                    const ExtractionOptions& options);

// The decoder's hooks during extraction. The input hook delivers at most the entry's
// remaining compressed bytes from ArchiveHandle (nothing once Aborted is set or the entry
// has failed); the output hook writes a block, never past the entry's OriginalSize, and
// reports progress after every block.
void ExtractionInputHook(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported);
void ExtractionOutputHook(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported);

}  // namespace lzsfx
