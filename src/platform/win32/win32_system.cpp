// Module, directories, locale, resources, profile files, message boxes and WinExec over
// the Win32 API. Every text comes through a fixed buffer whose size is part of the
// behaviour; nothing is read past what the call reports it wrote.
#include <windows.h>

#include <algorithm>

#include "common/code_page.h"
#include "common/number_text.h"
#include "platform/system.h"

namespace lzsfx::platform {
namespace {

constexpr DWORD DirectoryBufferSize = 260;  // bytes, MAX_PATH
constexpr int LocaleBufferSize = 8;         // bytes; a decimal separator has at most 3 characters
constexpr UINT WinExecFailureLimit = 31;    // WinExec results up to this value are errors

// A directory getter's text: the getter reports the length without the terminating zero,
// or the size it would need when the buffer is too small, or 0 on failure. Neither of the
// last two leaves a usable text, so both give an empty one.
template <class Getter>
std::string DirectoryText(Getter getter) {
  char buffer[DirectoryBufferSize];
  const DWORD length = getter(buffer);
  if (length == 0 || length >= DirectoryBufferSize) return {};
  return std::string(buffer, length);
}

// The text in a buffer that a call has filled, up to its terminating zero or the
// buffer's end, whichever comes first.
std::string TerminatedText(const char* buffer, std::size_t limit) {
  return std::string(buffer, std::find(buffer, buffer + limit, '\0'));
}

}  // namespace

void InitializeLocale() {
  char separator[LocaleBufferSize] = {};
  const int length = GetLocaleInfoA(GetSystemDefaultLCID(), LOCALE_SDECIMAL, separator, LocaleBufferSize);
  SetDecimalSeparator(length > 0 && separator[0] != '\0' ? separator[0] : '.');
  SetAnsiCodePage(static_cast<int>(GetACP()));
}

std::string ProgramPath(std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::string buffer(bufferSize, '\0');
  const DWORD length = GetModuleFileNameA(GetModuleHandleA(nullptr), buffer.data(), static_cast<DWORD>(bufferSize));
  // A truncated result fills the whole buffer and, on older systems, has no terminating
  // zero: keep at most bufferSize - 1 characters, as the caller's buffer would hold.
  return TerminatedText(buffer.data(), std::min<std::size_t>(length, bufferSize - 1));
}

std::string TempDirectory() {
  return DirectoryText([](char* buffer) { return GetTempPathA(DirectoryBufferSize, buffer); });
}

std::string WindowsDirectory() {
  return DirectoryText([](char* buffer) { return GetWindowsDirectoryA(buffer, DirectoryBufferSize); });
}

std::string SystemDirectory() {
  return DirectoryText([](char* buffer) { return GetSystemDirectoryA(buffer, DirectoryBufferSize); });
}

std::string LoadStringResource(unsigned id, std::size_t bufferSize) {
  // A buffer size of 0 would make LoadStringA hand out a pointer into the resource instead.
  if (bufferSize == 0) return {};
  std::string buffer(bufferSize, '\0');
  const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer.data(), static_cast<int>(bufferSize));
  return TerminatedText(buffer.data(), std::clamp<std::size_t>(length, 0, bufferSize - 1));
}

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const std::string& file,
                              std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::string buffer(bufferSize, '\0');
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                buffer.data(), static_cast<DWORD>(bufferSize), file.c_str());
  return TerminatedText(buffer.data(), std::min<std::size_t>(length, bufferSize - 1));
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) {
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

bool LaunchCommand(const std::string& commandLine) {
  return WinExec(commandLine.c_str(), SW_SHOWNORMAL) > WinExecFailureLimit;
}

bool StandardErrorIsTerminal() { return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR; }

}  // namespace lzsfx::platform
