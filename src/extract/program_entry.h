// The program entry of the stub: the whole run sequence (progress window, extraction into
// the temporary directory, launch) and the top-level failure report. The platform's own
// entry point (WinMain, or main on POSIX) calls it once and ends with its result.
#pragma once

namespace lzsfx {

// Runs the program; gives the exit code: 0 after a normal end, 1 after the failure report.
int RunProgram();

}  // namespace lzsfx
