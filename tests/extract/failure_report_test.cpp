// The text of the top-level failure report.
#include "extract/failure_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/failure.h"
#include "common/runtime_text.h"
#ifndef _WIN32
#include "platform/posix/posix_test_hooks.h"
#endif

namespace lzsfx {
namespace {

const void* Address(std::uintptr_t value) { return reinterpret_cast<const void*>(value); }

struct ReportCase {
  const char* name;
  const char* programPath;
  std::uintptr_t address;
  const char* message;
  const char* expectedTail;  // what follows "Exception in " in the simple pattern below
};

// A pattern with the same five directives as the real one, in plain ASCII.
constexpr char Pattern[] = "%s in %s at %p.\n%s%s";

const ReportCase ReportCases[] = {
    {"adds the final stop", "C:\\INSTALL\\STUB.EXE", 0x401A2B, "This is not a valid directory name",
     "STUB.EXE at 00401A2B.\nThis is not a valid directory name."},
    {"keeps an existing stop", "STUB.EXE", 0xDEADBEEF, "Done.", "STUB.EXE at DEADBEEF.\nDone."},
    {"empty message gets no stop", "D:\\A\\B\\S.EXE", 0, "", "S.EXE at 00000000.\n"},
    {"name cut to 63 characters", "C:\\0123456789012345678901234567890123456789012345678901234567890123456789.EXE", 1, "x",
     "012345678901234567890123456789012345678901234567890123456789012 at 00000001.\nx."},
};

TEST(FormatFailureReport, FillsClassFileAddressMessageAndStop) {
  for (const ReportCase& row : ReportCases) {
    EXPECT_EQ(FormatFailureReport(Pattern, "Exception", row.programPath, Address(row.address), row.message),
              std::string("Exception in ") + row.expectedTail)
        << row.name;
  }
}

TEST(FormatFailureReport, WideAddressesKeepAllDigits) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "32-bit addresses";
  EXPECT_EQ(FormatFailureReport("%s%s%p", "", "", Address(0x12345678ABull << 4), ""), "12345678AB0");
}

TEST(FormatFailureReport, FillsTheSystemsOwnPattern) {
  const std::string text = FormatFailureReport(RuntimeTextSource(RuntimeTextId::FailureReport), "EConvertError",
                                               "C:\\STUB.EXE", Address(0xABCDEF12),
                                               "'12 ' nie je platn\341 integer hodnota");
  EXPECT_EQ(text, "V\375jimka EConvertError v modulu STUB.EXE na ABCDEF12.\n'12 ' nie je platn\341 integer hodnota.");
}

TEST(DescribeFault, AccessViolationsAndOtherFaults) {
  const struct {
    FaultRecord fault;
    const char* className;
    const char* message;
  } cases[] = {
      {{AccessViolationCode, Address(0x40102A), 0, nullptr}, "EAccessViolation",
       "Access violation at address 0040102A. Read of address 00000000"},
      {{AccessViolationCode, Address(0x40102A), 1, Address(0x1C)}, "EAccessViolation",
       "Access violation at address 0040102A. Write of address 0000001C"},
      {{AccessViolationCode, Address(0x1234), 8, Address(0x1234)}, "EAccessViolation",
       "Access violation at address 00001234. Execute of address 00001234"},
      {{0xC0000094, Address(0x401000), 0, nullptr}, "EExternalException", "External exception C0000094"},
  };
  for (const auto& row : cases) {
    const FaultDescription description = DescribeFault(row.fault);
    EXPECT_EQ(description.className, row.className) << row.message;
    EXPECT_EQ(description.message, row.message);
  }
  // As the report shows it, in the system's own pattern.
  const FaultDescription fault = DescribeFault(cases[0].fault);
  EXPECT_EQ(FormatFailureReport(RuntimeTextSource(RuntimeTextId::FailureReport), fault.className, "C:\\STUB.EXE",
                                Address(0x40102A), fault.message),
            "V\375jimka EAccessViolation v modulu STUB.EXE na 0040102A.\n"
            "Access violation at address 0040102A. Read of address 00000000.");
}

#ifndef _WIN32
// The report of whatever failure is in flight, as the terminate handlers show it.
TEST(ShowCurrentExceptionReport, ReportsTheFailureInFlight) {
  const struct {
    const char* name;
    void (*raise)();
    const char* expectedPart;
  } cases[] = {
      {"failure of the system", [] { throw EConvertError("'x' is no number", nullptr); }, "EConvertError v modulu"},
      {"allocation", [] { throw std::bad_alloc(); }, "EOutOfMemory v modulu"},
      {"other exception", [] { throw 42; }, "Abnormal program termination."},
      {"none", nullptr, "Abnormal program termination."},
  };
  for (const auto& row : cases) {
    platform::testing::ScriptMessageBoxAnswers({});
    if (row.raise == nullptr) {
      ShowCurrentExceptionReport();
    } else {
      try {
        row.raise();
      } catch (...) {
        ShowCurrentExceptionReport();
      }
    }
    const auto& boxes = platform::testing::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u) << row.name;
    EXPECT_NE(boxes[0].text.find(row.expectedPart), std::string::npos) << row.name << ": " << boxes[0].text;
    EXPECT_EQ(boxes[0].style, 0x2010u);
    platform::testing::ResetAll();
  }
}
#endif

TEST(FormatFailureReport, PercentSignsAndUnknownDirectives) {
  EXPECT_EQ(FormatFailureReport("100%% %d %s", "E", "", nullptr, ""), "100% %d E");
}

}  // namespace
}  // namespace lzsfx
