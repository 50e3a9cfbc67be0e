// Test hooks of the POSIX platform layer, for tests that run the core in-process: they
// replace what the layer would otherwise take from the system, and record what it would
// otherwise show or start. Every hook stays in force until it is reset; ResetAll() puts
// the layer back to its normal behaviour and forgets all records. Texts are byte strings
// in the ANSI code page (AnsiCodePage()), as they cross the seam.
//
// Programs that run as separate processes (the host stub in end-to-end tests) use the
// environment instead:
//   LZSFX_MESSAGEBOX_ANSWERS  comma list of ok, yes, no, cancel, none: the answers of the
//                             boxes shown, one consumed per box in order; "none" and a
//                             list that has run out give 0 (the box could not be shown).
//   LZSFX_MESSAGEBOX_LOG      file to which each box appends one line in UTF-8:
//                             style (0x%X) TAB caption TAB text TAB result (decimal),
//                             where backslash, tab, CR and LF in the texts are written
//                             as \\, \t, \r and \n.
//   LZSFX_LAUNCH_LOG          file to which each launch appends one line in UTF-8:
//                             the command line TAB the program found (empty if none)
//                             TAB 1 if started, else 0; escaped as above.
//   LZSFX_CODEPAGE            the ANSI code page (default 1252; 65001 passes UTF-8 through).
#pragma once

#include <string>
#include <vector>

namespace lzsfx::platform::testing {

// ProgramPath() reports this Windows-style path (cut to bufferSize - 1 as usual) instead
// of the running program's.
void SetProgramPath(std::string windowsPath);

// TempDirectory() reports this Windows-style text unchanged (give it its trailing '\').
void SetTempDirectory(std::string windowsPath);

// LoadStringResource(id, ...) finds this text instead of the compiled-in one; an id that
// has no string otherwise gets one. E.g. SetStringResource(1, "000004096") places the
// archive at offset 4096 without patching a program file.
void SetStringResource(unsigned id, std::string text);

// LoadStringResource(id, ...) finds no string at all, as if the resource were missing.
void RemoveStringResource(unsigned id);

// Message boxes: from now on each box takes the next of these results (IdOk, IdYes,
// IdNo, IdCancel, or 0 for a box that could not be shown) instead of asking on the
// terminal; once they have run out, every further box gives 0.
void ScriptMessageBoxAnswers(std::vector<int> answers);

// One message box as it was asked for, with the result it gave.
struct MessageBoxRecord {
  unsigned style = 0;
  std::string caption;
  std::string text;
  int result = 0;
};

// Every box shown since the last ResetAll(), in order; recorded whether scripted or not.
const std::vector<MessageBoxRecord>& MessageBoxesShown();

// From now on LaunchCommand splits and resolves the command line as usual but starts
// nothing; it records the launch and reports true when a program was found.
void RecordLaunchesInstead();

// One launch: the command line as given, the program it named as a POSIX path (empty
// when no program was found) and the arguments after it, split by the rules a Windows
// program's run-time uses.
struct LaunchRecord {
  std::string commandLine;
  std::string program;
  std::vector<std::string> arguments;
};

// Every launch recorded since the last ResetAll(), in order (only while recording).
const std::vector<LaunchRecord>& LaunchesRecorded();

// Back to normal: no overrides, no script, launches really start, records forgotten.
void ResetAll();

}  // namespace lzsfx::platform::testing
