// The top-level failure report: the one message box that a failure escaping the run ends
// in. Caption and pattern are the run-time texts 65439 and 65438; the pattern's five
// directives take, in order, the failure's class name, the program's file name (after
// the last '\', at most 63 characters), the code address at which the failure arose (at
// least eight upper-case hexadecimal digits), the message, and "." unless the message is
// empty or already ends with ".".
//
// Failures that escape the ordinary path end in the same report: a processor fault (the
// platform's last-chance handler describes it as a FaultRecord) and the run-time's end of
// the program (std::terminate), which reports the failure in flight.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lzsfx {

class Exception;

// A processor fault as the system reports it. For an access violation, the kind of access
// (0 read, 1 write, 8 execution of data) and the address accessed.
struct FaultRecord {
  std::uint32_t code = 0;
  const void* address = nullptr;  // of the faulting instruction
  std::uint32_t accessKind = 0;
  const void* accessedAddress = nullptr;
};

inline constexpr std::uint32_t AccessViolationCode = 0xC0000005;  // EXCEPTION_ACCESS_VIOLATION

// The class name and message under which a fault is reported: "EAccessViolation" with
// "Access violation at address 0040102A. Write of address 00000000", any other fault
// "EExternalException" with "External exception C0000094".
struct FaultDescription {
  std::string className;
  std::string message;
};
FaultDescription DescribeFault(const FaultRecord& fault);

inline constexpr std::size_t MaxReportedProgramNameLength = 63;  // characters

// The pattern filled in; "%%" gives '%', and an unknown directive stays as written.
std::string FormatFailureReport(std::string_view pattern, std::string_view className, std::string_view programPath,
                                const void* address, std::string_view message);

// Shows the report of a failure: no owner window, task-modal, stop icon (0x2010).
void ShowFailureReport(const Exception& failure);

// Shows the report of a fault, at the fault's address.
void ShowFaultReport(const FaultRecord& fault);

// Shows the report of the exception being handled: a failure of the system as it is, a
// failed allocation as EOutOfMemory, any other exception by its text. Without one (or for
// an exception of unknown type) it reports an abnormal end of the program.
void ShowCurrentExceptionReport();

}  // namespace lzsfx
