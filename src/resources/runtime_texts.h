/* The run-time texts that reach the user, as bytes of code page 1250 (octal escapes, so
   that the same lines serve the resource compiler and the C++ compiler). The string table
   of stub.rc and the core's RuntimeTextSource both take them from here. */
#ifndef LZSFX_RUNTIME_TEXTS_H
#define LZSFX_RUNTIME_TEXTS_H

#define LZSFX_TEXT_INVALID_INTEGER "'%s' nie je platn\341 integer hodnota"
#define LZSFX_TEXT_INVALID_FLOAT "'%s' nie je platn\341 floating point hodnota"
#define LZSFX_TEXT_OUT_OF_MEMORY "Mimo pam\354\235"
#define LZSFX_TEXT_FAILURE_REPORT "V\375jimka %s v modulu %s na %p.\n%s%s"
#define LZSFX_TEXT_FAILURE_CAPTION "Chyba aplikace"

/* String 1: the archive offset, nine decimal digits that the builder overwrites. */
#define LZSFX_TEXT_ARCHIVE_OFFSET "000000000"

#endif
