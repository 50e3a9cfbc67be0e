#include "interruption.h"

#include <csignal>

#include "tool_files.h"

namespace lzsfx::tool {
namespace {

volatile std::sig_atomic_t Interrupted = 0;

extern "C" void NoteInterruption(int) { Interrupted = 1; }

}  // namespace

void CatchInterruptions() {
  std::signal(SIGINT, NoteInterruption);
  std::signal(SIGTERM, NoteInterruption);
}

void ThrowIfInterrupted() {
  if (Interrupted) throw ToolError("interrupted");
}

}  // namespace lzsfx::tool
