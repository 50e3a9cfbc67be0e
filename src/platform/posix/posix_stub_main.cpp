// The entry point of the POSIX stub: reads the locale settings and runs the program.
// Like the Windows stub it takes no command-line arguments.
//
// Failures that RunProgram cannot catch end with exit code 1 as there: the run-time's end
// of the program (std::terminate) shows the failure report of the failure in flight, and a
// processor fault writes one line to the standard error (nothing more is safe inside a
// signal handler), also when the stack has run out.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>

#include "extract/failure_report.h"
#include "extract/program_entry.h"
#include "platform/system.h"

namespace {

constexpr int ExitFailure = 1;
constexpr std::size_t FaultStackSize = 64 * 1024;  // bytes, enough for the handler below

alignas(16) char FaultStack[FaultStackSize];

const char* FaultLine(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "Access violation: the program ends.\n";
    case SIGBUS:
      return "Bus error: the program ends.\n";
    case SIGFPE:
      return "Arithmetic fault: the program ends.\n";
    default:
      return "Illegal instruction: the program ends.\n";
  }
}

void ReportFault(int signal) {
  const char* line = FaultLine(signal);
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, std::strlen(line));
  _exit(ExitFailure);
}

void InstallFaultHandlers() {
  stack_t stack{};
  stack.ss_sp = FaultStack;
  stack.ss_size = sizeof FaultStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = ReportFault;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(signal, &action, nullptr);
}

[[noreturn]] void ReportTermination() {
  lzsfx::ShowCurrentExceptionReport();
  std::_Exit(ExitFailure);
}

}  // namespace

int main() {
  InstallFaultHandlers();
  std::set_terminate(ReportTermination);
  lzsfx::platform::InitializeLocale();
  return lzsfx::RunProgram();
}
