// Which stored Names are safe to write below a destination directory. A Name comes from
// the archive, so it is hostile input: it must neither leave the destination nor name
// anything but a plain file or directory there. The catalog reader refuses an archive
// holding an unsafe Name, the builder refuses to store one, and the extraction checks
// again before it builds a target path.
#pragma once

#include <string_view>

#include "common/code_page.h"

namespace lzsfx {

// True when every component of name (split at '\' and at '/') is safe. Refused are:
//  - any byte 0x00-0x1F or 0x7F (a tab would also shift the fields of the entry line);
//  - ':' anywhere (a drive prefix, or an alternate data stream);
//  - the characters '<', '>', '"', '?', '*', which the file-search calls take as wildcards
//    (FindFirstFileA tests a target's existence). '|' is not refused: it is a second byte
//    of many double-byte characters, and a name holding it cannot leave the destination;
//  - a component of dots and blanks with at least two dots: "..", and what Windows takes
//    as ".." once it strips trailing dots and blanks (".. ", "...", ". .");
//  - a device name as a component: CON, PRN, AUX, NUL, CLOCK$, CONIN$, CONOUT$, COM1-COM9,
//    LPT1-LPT9 and COM/LPT with a superscript 1, 2 or 3 where codePage has them (B9, B2,
//    B3 in code page 1252; in 1250 the same bytes are letters), in any letter case, alone
//    or before an extension, also with trailing blanks.
// Kept: the empty Name, empty components (a leading '\' is part of the format, a trailing
// '\' names a directory, doubled separators collapse) and "." components, which Windows
// drops; none of them reaches outside the destination.
// codePage is the one the Name's bytes are in: the system's, or the builder's target.
bool IsSafeEntryName(std::string_view name, int codePage = AnsiCodePage());

}  // namespace lzsfx
