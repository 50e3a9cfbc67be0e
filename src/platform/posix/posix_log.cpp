#include "platform/posix/posix_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace lzsfx::platform::detail {
namespace {

std::string Escaped(std::string_view field) {
  std::string escaped;
  for (const char c : field) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

}  // namespace

void AppendLogRecord(const char* variable, std::initializer_list<std::string> fields) {
  const char* path = std::getenv(variable);
  if (path == nullptr || *path == '\0') return;
  std::string line;
  bool first = true;
  for (const std::string& field : fields) {
    line += first ? "" : "\t";
    line += Escaped(field);
    first = false;
  }
  line += '\n';
  // One write() of an O_APPEND file: records of processes that share the log stay whole.
  const int log = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (log < 0) return;
  [[maybe_unused]] const ssize_t written = write(log, line.data(), line.size());
  close(log);
}

std::string_view TrimLine(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t' || line.front() == '\r')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

}  // namespace lzsfx::platform::detail
