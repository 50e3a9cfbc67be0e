#include "extract/failure_report.h"

#include <array>
#include <cstdint>
#include <exception>
#include <new>

#include "common/failure.h"
#include "common/runtime_text.h"
#include "platform/system.h"

namespace lzsfx {
namespace {

constexpr std::size_t ResourceTextBufferSize = 256;  // bytes
constexpr std::size_t ProgramPathBufferSize = 260;  // bytes
constexpr std::size_t MinimumAddressDigits = 8;
constexpr char AbnormalEndMessage[] = "Abnormal program termination";
constexpr std::uint32_t WriteAccess = 1;
constexpr std::uint32_t ExecuteAccess = 8;

// At least eight upper-case hexadecimal digits, as the report writes addresses.
std::string HexText(std::uintmax_t value) {
  constexpr char Digits[] = "0123456789ABCDEF";
  std::string text;
  while (value != 0 || text.size() < MinimumAddressDigits) {
    text.insert(text.begin(), Digits[value & 0xF]);
    value >>= 4;
  }
  return text;
}

std::string AddressText(const void* address) { return HexText(reinterpret_cast<std::uintptr_t>(address)); }

std::string ProgramFileName(std::string_view programPath) {
  const std::size_t separator = programPath.rfind('\\');
  if (separator != std::string_view::npos) programPath.remove_prefix(separator + 1);
  return std::string(programPath.substr(0, MaxReportedProgramNameLength));
}

void ShowReport(std::string_view className, const void* address, std::string_view message) {
  const std::string caption = platform::LoadStringResource(static_cast<unsigned>(RuntimeTextId::FailureCaption),
                                                           ResourceTextBufferSize);
  const std::string pattern = platform::LoadStringResource(static_cast<unsigned>(RuntimeTextId::FailureReport),
                                                           ResourceTextBufferSize);
  const std::string text =
      FormatFailureReport(pattern, className, platform::ProgramPath(ProgramPathBufferSize), address, message);
  platform::ShowMessageBox(text, caption, platform::MbTaskModal | platform::MbIconError);
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

FaultDescription DescribeFault(const FaultRecord& fault) {
  if (fault.code != AccessViolationCode) return {"EExternalException", "External exception " + HexText(fault.code)};
  const char* access = fault.accessKind == WriteAccess ? "Write" : fault.accessKind == ExecuteAccess ? "Execute" : "Read";
  return {"EAccessViolation", "Access violation at address " + AddressText(fault.address) + ". " + access +
                                  " of address " + AddressText(fault.accessedAddress)};
}

void ShowFailureReport(const Exception& failure) { ShowReport(failure.ClassName(), failure.Address(), failure.Message()); }

void ShowFaultReport(const FaultRecord& fault) {
  const FaultDescription description = DescribeFault(fault);
  ShowReport(description.className, fault.address, description.message);
}

void ShowCurrentExceptionReport() {
  if (!std::current_exception()) {
    ShowReport("Exception", nullptr, AbnormalEndMessage);
    return;
  }
  try {
    throw;
  } catch (const Exception& failure) {
    ShowFailureReport(failure);
  } catch (const std::bad_alloc&) {
    ShowFailureReport(EOutOfMemory(RuntimeText(RuntimeTextId::OutOfMemory), nullptr));
  } catch (const std::exception& failure) {
    ShowReport("Exception", nullptr, failure.what());
  } catch (...) {
    ShowReport("Exception", nullptr, AbnormalEndMessage);
  }
}

}  // namespace lzsfx
