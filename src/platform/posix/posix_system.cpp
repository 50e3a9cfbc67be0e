// Module, directories and locale of the POSIX layer.
//
// The Windows and system directories have no Linux counterpart; the layer reports
//   WindowsDirectory() = "\etc"      where the system's own settings live, as win.ini
//                                    and system.ini lived in the Windows directory;
//   SystemDirectory()  = "\usr\lib"  where the shared libraries live, as the DLLs live
//                                    in the system directory.
// Both without a trailing '\', as the Win32 getters report a directory that is no root.
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cstdlib>

#include "common/code_page.h"
#include "common/number_text.h"
#include "platform/posix/posix_hook_state.h"
#include "platform/posix/posix_paths.h"
#include "platform/system.h"

namespace lzsfx::platform {
namespace {

using detail::FitDirectoryBuffer;
using detail::Hooks;
using detail::ToWindowsPath;

constexpr const char* CodePageVariable = "LZSFX_CODEPAGE";
constexpr std::size_t LinkBufferSize = 4096;  // bytes, PATH_MAX
constexpr char DefaultTemporaryDirectory[] = "/tmp";

int CodePageFromEnvironment() {
  const char* text = std::getenv(CodePageVariable);
  if (text == nullptr || *text == '\0') return DefaultAnsiCodePage;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return *end == '\0' && IsSupportedCodePage(static_cast<int>(value)) ? static_cast<int>(value)
                                                                      : DefaultAnsiCodePage;
}

// The first character of the user's numeric locale's radix, '.' when it cannot be read
// or has no single-byte form in the ANSI code page.
char DecimalSeparatorFromLocale() {
  const locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (numeric == static_cast<locale_t>(0)) return '.';
  const std::string radix = detail::Utf8ToAnsi(nl_langinfo_l(RADIXCHAR, numeric));
  freelocale(numeric);
  return radix.size() == 1 && radix[0] != '?' ? radix[0] : '.';
}

std::string RunningProgramPath() {
  char link[LinkBufferSize];
  const ssize_t length = readlink("/proc/self/exe", link, sizeof link);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof link) return {};
  // Without an exact form the catalog cannot be read, and says so.
  return ToWindowsPath(std::string_view(link, static_cast<std::size_t>(length))).value_or("");
}

// A TMPDIR that the code page cannot name gives way to /tmp; empty (nothing usable) only
// if that cannot be named either.
std::string TemporaryDirectoryOfSystem() {
  const char* variable = std::getenv("TMPDIR");
  std::string directory = variable != nullptr && variable[0] == '/' ? variable : DefaultTemporaryDirectory;
  if (directory.back() != '/') directory += '/';
  return ToWindowsPath(directory).value_or(ToWindowsPath(DefaultTemporaryDirectory + std::string("/")).value_or(""));
}

}  // namespace

void InitializeLocale() {
  SetAnsiCodePage(CodePageFromEnvironment());  // first: the separator is converted to it
  SetDecimalSeparator(DecimalSeparatorFromLocale());
}

std::string ProgramPath(std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::string path = Hooks().programPath ? *Hooks().programPath : RunningProgramPath();
  if (path.size() > bufferSize - 1) path.resize(bufferSize - 1);
  return path;
}

std::string TempDirectory() {
  return FitDirectoryBuffer(Hooks().tempDirectory ? *Hooks().tempDirectory : TemporaryDirectoryOfSystem());
}

std::string WindowsDirectory() { return "\\etc"; }

std::string SystemDirectory() { return "\\usr\\lib"; }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace lzsfx::platform
