// The entry point of the Windows stub: reads the locale settings and runs the program.
// The stub takes no command-line arguments.
#include <windows.h>

#include "extract/program_entry.h"
#include "platform/system.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  lzsfx::platform::InitializeLocale();
  return lzsfx::RunProgram();
}
