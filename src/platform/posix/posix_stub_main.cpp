// The entry point of the POSIX stub: reads the locale settings and runs the program.
// Like the Windows stub it takes no command-line arguments.
#include "extract/program_entry.h"
#include "platform/system.h"

int main() {
  lzsfx::platform::InitializeLocale();
  return lzsfx::RunProgram();
}
