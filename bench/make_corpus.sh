#!/usr/bin/env bash
# Assembles the benchmark corpus: a fixed list of files that Debian packages install on the
# build machine, shaped like an installer payload (Windows programs and libraries, license
# and readme texts, fonts, a configuration file), about 3.6 MB in all.
# Usage: bench/make_corpus.sh DIRECTORY
set -euo pipefail
out=${1:?usage: make_corpus.sh DIRECTORY}
mkdir -p "$out"

wine=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
files=(
  "$wine/notepad.exe"                                        # wine64: a small GUI program
  "$wine/clock.exe"
  "$wine/taskmgr.exe"
  /usr/lib/gcc/i686-w64-mingw32/12-win32/libgcc_s_dw2-1.dll  # mingw-w64: 32-bit runtime library
  /usr/lib/gcc/i686-w64-mingw32/12-win32/libssp-0.dll
  /usr/lib/gcc/x86_64-w64-mingw32/12-win32/libobjc-4.dll
  /usr/share/wine/fonts/tahoma.ttf                           # wine: fonts
  /usr/share/wine/fonts/courier.ttf
  /usr/share/common-licenses/GPL-3                           # base-files: license texts
  /usr/share/common-licenses/LGPL-2.1
  /usr/share/common-licenses/Apache-2.0
)
for file in "${files[@]}"; do
  [ -f "$file" ] || { echo "make_corpus: missing $file (install wine64 and mingw-w64)" >&2; exit 1; }
  cp "$file" "$out/$(basename "$file")"
done
zcat /usr/share/doc/wine/README.Debian.gz >"$out/README.txt"
# The configuration entry an installer carries, with CR LF line ends.
printf '[VESK Configuration]\r\nUseDirs=1\r\nOverWrite=1\r\nAttributes=1\r\nFileDate=1\r\nExecutable=setup.exe\r\n\r\n' \
  >"$out/setup.ini"
du -sb "$out"
