// The Windows stub's entry point with a run that faults at once (it reads address 0), for
// the end-to-end check that a processor fault ends in the failure report. Linked in place
// of the real RunProgram.
#include "extract/program_entry.h"

namespace lzsfx {

int RunProgram() {
  int* volatile nowhere = nullptr;  // volatile: the read is made, not reasoned away
  return *nowhere;
}

}  // namespace lzsfx
