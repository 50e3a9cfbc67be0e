#include "archive/entry_name.h"

#include <gtest/gtest.h>

#include <string>

namespace lzsfx {
namespace {

using namespace std::string_literals;

TEST(EntryNameTest, AcceptsNamesThatStayBelowTheDestination) {
  const std::string safe[] = {
      "SETUP.EXE",
      "APP\\IMG\\LOGO.BMP",
      "\\SUB\\FILE.DAT",  // one leading '\' is part of the format
      "SUB\\DIR\\",       // a trailing '\' names a directory
      "",                 // a valid value; it names the destination itself
      ".\\a\\.\\b",       // Windows drops "." components
      "a\\\\b",           // doubled separators collapse
      "...a",
      "a..",
      "..a",
      "a.b.c",
      "CONFIG.SYS",
      "COM10",
      "COM0",
      "LPT",
      "CONSOLE.TXT",
      "AUXILIARY\\NULLIFY.DOC",
      "my con.txt",
      "n\xE1zov\xBE\xFD.txt",  // bytes above 0x7F are letters of the code page
  };
  for (const std::string& name : safe) EXPECT_TRUE(IsSafeEntryName(name)) << name;
}

TEST(EntryNameTest, RefusesNamesThatLeaveTheDestinationOrNameADevice) {
  const std::string unsafe[] = {
      // parent references, at '\' and at '/'
      "..", "..\\x", "a\\..\\..\\x", "a/../x", "../x", "a\\..",
      // what Windows takes as ".." once trailing dots and blanks are stripped
      ".. \\x", "...\\x", ". .\\x", "....", "x\\.. .",
      // drive prefixes and alternate data streams
      "C:\\WINDOWS\\x.dll", "C:x", "file.txt:stream", "file.txt::$DATA",
      // control characters, tab and NUL included
      "a\tb", "a\x01", "a\x1F", "a\x7F", "a\rb", "a\0b"s,
      // characters no Windows name holds; '?' and '*' are wildcards
      "a*b", "a?b", "a<b", "a>b", "a\"b",
      // devices, in any case, with extensions and trailing blanks or dots
      "CON", "con", "Prn", "AUX", "NUL", "CLOCK$", "CONIN$", "conout$", "COM1", "com9", "LPT1", "lpt9",
      "con.txt", "NUL.tar.gz", "Nul .tar.gz", "AUX  ", "PRN.", "dir\\LPT3\\file", "dir/com2.log",
      "COM\xB9", "LPT\xB2.txt", "com\xB3",
  };
  for (const std::string& name : unsafe) EXPECT_FALSE(IsSafeEntryName(name, 1252)) << name;
}

TEST(EntryNameTest, SuperscriptPortsFollowTheCodePage) {
  // In code page 1250 the bytes of the superscript digits are letters, and '|' is a second
  // byte of many double-byte characters: such names are ordinary.
  EXPECT_TRUE(IsSafeEntryName("COM\xB9.txt", 1250));
  EXPECT_TRUE(IsSafeEntryName("\x83\x7C\x83\x58.txt", 1250));
  EXPECT_TRUE(IsSafeEntryName("a|b", 1252));
  EXPECT_FALSE(IsSafeEntryName("COM\xB9.txt", 1252));
}

}  // namespace
}  // namespace lzsfx
