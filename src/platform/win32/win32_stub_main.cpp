// The entry point of the Windows stub: reads the locale settings and runs the program.
// The stub takes no command-line arguments.
#include <windows.h>

#include <cstdlib>

#include "extract/program_entry.h"
#include "platform/system.h"

// RunProgram reports every failure itself, so an exception can reach the run-time only
// through a fault in the program, which then ends at once. This replaces the run-time's
// verbose terminate handler, whose name demangler would otherwise add some 45 KB.
namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  lzsfx::platform::InitializeLocale();
  return lzsfx::RunProgram();
}
