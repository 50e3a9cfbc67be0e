// The shared state of one extraction run, one instance per process. Its life across a run
// is the extraction driver's business (RunExtraction); who reads and writes each field
// is noted beside it. Everything runs on one thread, so plain fields suffice.
#pragma once

#include <cstdint>
#include <string>

namespace lzsfx {

class ProgressDialog;  // the progress window, src/platform/progress_dialog.h

// A file handle of the platform: a Win32 HANDLE or a POSIX descriptor.
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFileHandle = -1;

struct ExtractionState {
  bool Aborted = false;                        // set by cancel; read by InputHook and the driver
  bool FirstProgress = false;                  // the next report repaints the whole window first
  ProgressDialog* ProgressWindow = nullptr;    // the dialog of the run
  std::string ArchivePath;                     // full path of the running program file
  FileHandle ArchiveHandle = InvalidFileHandle;
  FileHandle OutputHandle = InvalidFileHandle;
  std::int32_t DataStart = 0;                  // file position after the catalog's end tag
  std::int32_t EntryBytesRead = 0;             // compressed bytes delivered for this entry
  std::int32_t EntryLimit = 0;                 // this entry's CompressedSize
  std::string CurrentFile;                     // target path of the entry being written
  std::int32_t TotalRead = 0;                  // compressed bytes delivered in the whole run
  std::int32_t TotalCompressed = 0;            // sum of all CompressedSize fields
};

extern ExtractionState State;

}  // namespace lzsfx
