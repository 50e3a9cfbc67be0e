#include "file_date.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace lzsfx::tool {
namespace {

using namespace std::chrono;

constexpr std::int64_t SecondsPerDay = 86'400;
constexpr int FirstYear = 1601;  // the range of Windows file times
constexpr int LastYear = 9999;
constexpr sys_days DayZero = sys_days(year(1899) / December / 30);

struct LocalTime {
  sys_days day;          // the calendar day of the local date (as a plain day count)
  std::int64_t seconds;  // since local midnight
};

// Splits a day count into its calendar day and second of the day, rounding to the second.
std::optional<LocalTime> SplitDayCount(long double days) {
  if (!std::isfinite(days)) return std::nullopt;
  const long double totalSeconds = std::round(days * SecondsPerDay);
  const auto whole = static_cast<std::int64_t>(std::floor(totalSeconds / SecondsPerDay));
  LocalTime local{DayZero + std::chrono::days(whole), static_cast<std::int64_t>(totalSeconds) - whole * SecondsPerDay};
  const int y = static_cast<int>(year_month_day(local.day).year());
  if (y < FirstYear || y > LastYear) return std::nullopt;
  return local;
}

}  // namespace

std::optional<long double> DayCountFromFileTime(std::filesystem::file_time_type time) {
  const auto system = time_point_cast<seconds>(file_clock::to_sys(time));
  const std::time_t value = system_clock::to_time_t(system_clock::time_point(system.time_since_epoch()));
  const std::tm* local = std::localtime(&value);
  if (local == nullptr) return std::nullopt;
  const sys_days day = sys_days(year(local->tm_year + 1900) / month(local->tm_mon + 1) / local->tm_mday);
  const std::int64_t second = local->tm_hour * 3600 + local->tm_min * 60 + std::min(local->tm_sec, 59);
  return static_cast<long double>((day - DayZero).count()) + static_cast<long double>(second) / SecondsPerDay;
}

std::optional<std::filesystem::file_time_type> FileTimeFromDayCount(long double days) {
  const std::optional<LocalTime> local = SplitDayCount(days);
  if (!local) return std::nullopt;
  const year_month_day date(local->day);
  std::tm broken{};
  broken.tm_year = static_cast<int>(date.year()) - 1900;
  broken.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  broken.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  broken.tm_hour = static_cast<int>(local->seconds / 3600);
  broken.tm_min = static_cast<int>(local->seconds / 60 % 60);
  broken.tm_sec = static_cast<int>(local->seconds % 60);
  broken.tm_isdst = -1;  // let the system decide whether daylight saving time applies
  const std::time_t value = std::mktime(&broken);
  if (value == static_cast<std::time_t>(-1)) return std::nullopt;
  return file_clock::from_sys(system_clock::from_time_t(value));
}

std::string FormatDayCount(long double days) {
  const std::optional<LocalTime> local = SplitDayCount(days);
  if (!local) return "-";
  const year_month_day date(local->day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(local->seconds / 3600), static_cast<int>(local->seconds / 60 % 60),
                static_cast<int>(local->seconds % 60));
  return text;
}

}  // namespace lzsfx::tool
