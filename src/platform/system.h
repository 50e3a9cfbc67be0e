// Module, directories, locale, string resources, profile files, message boxes and the
// launch of a command: the rest of the platform seam. Texts are in the ANSI code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lzsfx::platform {

// Reads the locale settings once: the decimal separator of the system's default locale
// and the ANSI code page, stored with SetDecimalSeparator and SetAnsiCodePage.
void InitializeLocale();

// Full path of the running program file (GetModuleFileNameA for the process's own
// module), cut to bufferSize - 1 characters as a buffer of that size would cut it.
std::string ProgramPath(std::size_t bufferSize);

// GetTempPathA, GetWindowsDirectoryA, GetSystemDirectoryA into 260-byte buffers, the text
// as the system reports it (the temporary directory ends with '\'; the other two may not).
std::string TempDirectory();
std::string WindowsDirectory();
std::string SystemDirectory();

// LoadStringA from the program's own resources into a buffer of bufferSize bytes: at most
// bufferSize - 1 characters; empty when there is no such string.
std::string LoadStringResource(unsigned id, std::size_t bufferSize);

// GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, file).
std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const std::string& file,
                              std::size_t bufferSize);

// Message box styles and results, with their Win32 values.
inline constexpr unsigned MbOk = 0x00;
inline constexpr unsigned MbYesNoCancel = 0x03;
inline constexpr unsigned MbIconError = 0x10;
inline constexpr unsigned MbIconQuestion = 0x20;
inline constexpr unsigned MbIconExclamation = 0x30;
inline constexpr unsigned MbTaskModal = 0x2000;
inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;

// MessageBoxA with no owner window. 0 when the box could not be shown.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style);

// WinExec(commandLine, SW_SHOWNORMAL): starts the command without waiting for it.
// True when it was started.
bool LaunchCommand(const std::string& commandLine);

// True when the standard error stream is a terminal (a console on Windows): where a
// command-line program may draw a progress line.
bool StandardErrorIsTerminal();

}  // namespace lzsfx::platform
