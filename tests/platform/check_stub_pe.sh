#!/usr/bin/env bash
# Checks the 32-bit Windows stub without running it: a PE32 image for i386 with the GUI
# subsystem, importing from system DLLs only, carrying the progress dialog template and
# the string table (string 1 "000000000" and the run-time texts, as UTF-16).
# Usage: check_stub_pe.sh STUB.EXE   (exit 77, a skip, when there is no stub yet)
set -u
stub=${1:-}
if [ -z "$stub" ] || [ ! -f "$stub" ]; then
  echo "check_stub_pe: no stub built yet"; exit 77
fi
for tool in i686-w64-mingw32-objdump wrestool python3; do
  command -v "$tool" >/dev/null || { echo "check_stub_pe: $tool is missing"; exit 77; }
done
status=0
fail() { echo "check_stub_pe: $*"; status=1; }

headers=$(i686-w64-mingw32-objdump -p "$stub")
grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 image for i386"
grep -qE '^Magic[[:space:]]+010b' <<<"$headers" || fail "optional header is not PE32 (magic 010b)"
grep -qE '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || fail "subsystem is not the Windows GUI (2)"

# Only DLLs that every Windows system has.
allowed='^(kernel32|user32|gdi32|msvcrt|advapi32|shell32|comctl32)\.dll$'
while read -r dll; do
  grep -qiE "$allowed" <<<"$dll" || fail "imports from $dll"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
wrestool -x --raw --type=5 --name=TAVOPROGRESSCLASS "$stub" >"$dir/dialog" 2>/dev/null
[ -s "$dir/dialog" ] || fail "no dialog template TAVOPROGRESSCLASS"
wrestool -x --raw --type=6 "$stub" >"$dir/strings" 2>/dev/null
[ -s "$dir/strings" ] || fail "no string table"

python3 - "$dir/dialog" "$dir/strings" <<'PY' || status=1
import struct, sys
dialog = open(sys.argv[1], "rb").read()
strings = open(sys.argv[2], "rb").read().decode("utf-16-le", "replace")
ok = True
def check(condition, message):
    global ok
    if not condition:
        print("check_stub_pe:", message)
        ok = False
if len(dialog) >= 18:
    style, extended, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", dialog)
    check((style, extended, count, x, y, cx, cy) == (0x90C000C0, 0, 4, 15, 57, 207, 66),
          "dialog header %r" % ((hex(style), extended, count, x, y, cx, cy),))
    check("Setup   \0".encode("utf-16-le") in dialog, "dialog caption")
    check("Kopiruje se...".encode("utf-16-le") + " ".encode("utf-16-le") * 50 + b"\0\0" in dialog, "heading text")
else:
    check(False, "dialog template too short")
for text in ["000000000", "'%s' nie je platn\u00e1 integer hodnota", "'%s' nie je platn\u00e1 floating point hodnota",
             "Mimo pam\u011b\u0165", "V\u00fdjimka %s v modulu %s na %p.\n%s%s", "Chyba aplikace"]:
    check(text in strings, "string table lacks %r" % text)
sys.exit(0 if ok else 1)
PY

size=$(stat -c %s "$stub")
[ $status = 0 ] && echo "check_stub_pe: ok ($size bytes)"
exit $status
