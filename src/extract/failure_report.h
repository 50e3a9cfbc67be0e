// The top-level failure report: the one message box that a failure escaping the run ends
// in. Caption and pattern are the run-time texts 65439 and 65438; the pattern's five
// directives take, in order, the failure's class name, the program's file name (after
// the last '\', at most 63 characters), the code address at which the failure arose (at
// least eight upper-case hexadecimal digits), the message, and "." unless the message is
// empty or already ends with ".".
#pragma once

#include <string>
#include <string_view>

namespace lzsfx {

class Exception;

inline constexpr std::size_t MaxReportedProgramNameLength = 63;  // characters

// The pattern filled in; "%%" gives '%', and an unknown directive stays as written.
std::string FormatFailureReport(std::string_view pattern, std::string_view className, std::string_view programPath,
                                const void* address, std::string_view message);

// Shows the report of a failure: no owner window, task-modal, stop icon (0x2010).
void ShowFailureReport(const Exception& failure);

}  // namespace lzsfx
