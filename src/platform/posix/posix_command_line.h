// How a Windows command line names its program and its arguments, as WinExec (that is
// CreateProcess without an application name) and a Windows program's run-time read it.
// Pure text rules, so that the POSIX launch follows them without a Windows system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lzsfx::platform::detail {

// One reading of the command line: this program, with the text after it.
struct ProgramCandidate {
  std::string program;  // Windows-style, as written (without the quotes)
  std::string_view rest;
};

// The readings in the order CreateProcess tries them. A first token in double quotes is
// the program, the only reading. Otherwise the line is cut at each blank (space or tab)
// in turn, shortest first: "c:\program files\sub dir\program name" tries "c:\program",
// "c:\program files\sub", "c:\program files\sub dir\program" and the whole line.
// Blanks before the program are skipped; an empty line has no reading.
std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine);

// The arguments of the text after the program, split as the Microsoft C run-time splits
// a command line: blanks separate arguments outside double quotes; 2n backslashes
// before a '"' give n backslashes and the quote opens or closes quoting, 2n+1 give n
// backslashes and a literal '"'; other backslashes are literal; "" inside quotes is a
// literal '"'.
std::vector<std::string> SplitArguments(std::string_view text);

}  // namespace lzsfx::platform::detail
