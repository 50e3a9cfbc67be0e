// The text of the top-level failure report.
#include "extract/failure_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/runtime_text.h"

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

TEST(FormatFailureReport, PercentSignsAndUnknownDirectives) {
  EXPECT_EQ(FormatFailureReport("100%% %d %s", "E", "", nullptr, ""), "100% %d E");
}

}  // namespace
}  // namespace lzsfx
