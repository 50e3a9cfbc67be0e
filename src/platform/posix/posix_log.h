// The record logs of the POSIX layer (LZSFX_MESSAGEBOX_LOG, LZSFX_LAUNCH_LOG): one line
// per event, fields separated by tabs, with backslash, tab, CR and LF inside a field
// written as \\, \t, \r and \n, so that every line splits back into its fields.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace lzsfx::platform::detail {

// Appends one record to the file that the environment variable names; nothing when the
// variable is unset or the file cannot be written.
void AppendLogRecord(const char* variable, std::initializer_list<std::string> fields);

// A line without the blanks (space, tab, CR) around it.
std::string_view TrimLine(std::string_view line);

}  // namespace lzsfx::platform::detail
