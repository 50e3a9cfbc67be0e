// Ctrl+C (SIGINT, SIGTERM) during a long command: the signal only sets a flag, and the
// command's loops call ThrowIfInterrupted, so the exception unwinds through the objects
// that remove temporary and partial files. Nothing half-written is left behind.
#pragma once

namespace lzsfx::tool {

void CatchInterruptions();
void ThrowIfInterrupted();  // throws ToolError("interrupted") once a signal has come

}  // namespace lzsfx::tool
