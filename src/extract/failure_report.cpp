#include "extract/failure_report.h"

#include <array>
#include <cstdint>

#include "common/failure.h"
#include "common/runtime_text.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

constexpr std::size_t ResourceTextBufferSize = 256;  // bytes
constexpr std::size_t ProgramPathBufferSize = 260;  // bytes
constexpr std::size_t MinimumAddressDigits = 8;

std::string AddressText(const void* address) {
  constexpr char Digits[] = "0123456789ABCDEF";
  auto value = reinterpret_cast<std::uintptr_t>(address);
  std::string text;
  while (value != 0 || text.size() < MinimumAddressDigits) {
    text.insert(text.begin(), Digits[value & 0xF]);
    value >>= 4;
  }
  return text;
}

std::string ProgramFileName(std::string_view programPath) {
  const std::size_t separator = programPath.rfind('\\');
  if (separator != std::string_view::npos) programPath.remove_prefix(separator + 1);
  return std::string(programPath.substr(0, MaxReportedProgramNameLength));
}

}  // namespace

std::string FormatFailureReport(std::string_view pattern, std::string_view className, std::string_view programPath,
                                const void* address, std::string_view message) {
  const std::string fileName = ProgramFileName(programPath);
  const std::string addressText = AddressText(address);
  const bool needsStop = !message.empty() && message.back() != '.';
  const std::array<std::string_view, 5> arguments = {className, fileName, addressText, message, needsStop ? "." : ""};

  std::string text;
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char directive = i + 1 < pattern.size() && pattern[i] == '%' ? pattern[i + 1] : '\0';
    if (directive == '%') {
      text += '%';
      ++i;
    } else if ((directive == 's' || directive == 'p') && next < arguments.size()) {
      text += arguments[next++];
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

void ShowFailureReport(const Exception& failure) {
  const std::string caption = platform::LoadStringResource(static_cast<unsigned>(RuntimeTextId::FailureCaption),
                                                           ResourceTextBufferSize);
  const std::string pattern = platform::LoadStringResource(static_cast<unsigned>(RuntimeTextId::FailureReport),
                                                           ResourceTextBufferSize);
  const std::string text = FormatFailureReport(pattern, failure.ClassName(), platform::ProgramPath(ProgramPathBufferSize),
                                                failure.Address(), failure.Message());
  platform::ShowMessageBox(text, caption, platform::MbTaskModal | platform::MbIconError);
}

}  // namespace lzsfx
