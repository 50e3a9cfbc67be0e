// Dates as the catalog stores them: local time as a day count since 1899-12-30 (day 0),
// the time of day as the fraction. The builder keeps whole seconds, the precision that
// file systems and the stub (which applies two-second MS-DOS times) have in common.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace lzsfx::tool {

// The local day count of a file time, to the second. Empty when the time cannot be
// expressed in local time (before 1970 on some systems, far future).
std::optional<long double> DayCountFromFileTime(std::filesystem::file_time_type time);

// The file time of a local day count, rounded to the second. Empty for a value that is no
// date (NaN, out of the years 1601..9999).
std::optional<std::filesystem::file_time_type> FileTimeFromDayCount(long double days);

// "1999-02-10 12:20:56"; "-" for a value that is no date.
std::string FormatDayCount(long double days);

}  // namespace lzsfx::tool
