// How the progress window's items read and compare texts, for the windows that are not the
// Win32 dialog (the terminal window, the recording window of the tests) and for the report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lzsfx {

// True when the texts are equal but for the case of ASCII letters. The report compares the
// label's text this way, so a path that differs only in letter case is not written again.
// Other bytes compare exactly: a false "different" only costs one more label write.
bool EqualIgnoringCase(std::string_view left, std::string_view right);

// An item's text as GetDlgItemInt reads it with signed conversion: optional leading blanks,
// an optional sign, decimal digits, optional trailing blanks. Anything else, and a value
// outside the 32-bit signed range, reads as 0.
std::int32_t ItemTextToInt(std::string_view text);

// The text as an item gives it back through its 260-byte read buffer.
std::string CutToItemTextBuffer(std::string_view text);

}  // namespace lzsfx
