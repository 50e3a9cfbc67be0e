// The entry point of the Windows stub: reads the locale settings and runs the program.
// The stub takes no command-line arguments.
//
// Failures that RunProgram cannot catch end in the same failure report: a processor fault
// through the last-chance exception filter, and the run-time's end of the program
// (std::terminate) through its terminate handler. Both then end the process with code 1.
#include <windows.h>

#include "extract/failure_report.h"
#include "extract/program_entry.h"
#include "platform/system.h"

namespace {

constexpr UINT ExitFailure = 1;
// The run-time's own exceptions (GCC's C++ exceptions on SEH targets: "CCG" with a kind in
// the top byte); they belong to the filter that the run-time installed before ours.
constexpr DWORD RunTimeExceptionMask = 0x20FFFFFF;
constexpr DWORD RunTimeExceptionCode = 0x20474343;
constexpr ULONG_PTR AccessKindIndex = 0;
constexpr ULONG_PTR AccessedAddressIndex = 1;

LPTOP_LEVEL_EXCEPTION_FILTER RunTimeFilter = nullptr;

LONG WINAPI ReportFault(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if ((record.ExceptionCode & RunTimeExceptionMask) == RunTimeExceptionCode) {
    return RunTimeFilter != nullptr ? RunTimeFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
  }
  lzsfx::FaultRecord fault;
  fault.code = record.ExceptionCode;
  fault.address = record.ExceptionAddress;
  if (record.NumberParameters > AccessedAddressIndex) {
    fault.accessKind = static_cast<std::uint32_t>(record.ExceptionInformation[AccessKindIndex]);
    fault.accessedAddress = reinterpret_cast<const void*>(record.ExceptionInformation[AccessedAddressIndex]);
  }
  lzsfx::ShowFaultReport(fault);
  ExitProcess(ExitFailure);
}

}  // namespace

// Replaces the run-time's verbose terminate handler, whose name demangler would otherwise
// add some 45 KB: the failure in flight is reported as RunProgram would report it.
namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() {
  lzsfx::ShowCurrentExceptionReport();
  ExitProcess(ExitFailure);
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RunTimeFilter = SetUnhandledExceptionFilter(ReportFault);
  lzsfx::platform::InitializeLocale();
  return lzsfx::RunProgram();
}
