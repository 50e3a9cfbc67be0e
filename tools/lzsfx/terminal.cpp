// Whether stderr is a terminal. The C run-time's isatty, which POSIX systems and the
// Windows C run-time both export, is declared here alone so that no system header is needed.
#include "progress_meter.h"

extern "C" int isatty(int descriptor);

namespace lzsfx::tool {

bool StderrIsTerminal() {
  constexpr int StderrDescriptor = 2;
  return isatty(StderrDescriptor) != 0;
}

}  // namespace lzsfx::tool
