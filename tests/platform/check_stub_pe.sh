#!/usr/bin/env bash
# Checks the 32-bit Windows stub without running it: a PE32 image for i386 with the GUI
# subsystem, importing from system DLLs only, carrying the progress dialog template (header,
# caption, font and its four controls field by field) and the string table (string 1 "000000000" and the run-time texts, as UTF-16).
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
class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0
    def take(self, form):
        values = struct.unpack_from(form, self.data, self.at)
        self.at += struct.calcsize(form)
        return values
    def text(self):  # a zero-terminated UTF-16 string
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value
    def text_or_ordinal(self):  # sz_Or_Ord: 0xFFFF and an ordinal, or a string
        if self.data[self.at:self.at + 2] == b"\xff\xff":
            return self.take("<HH")[1]
        return self.text()
    def align(self):
        self.at = (self.at + 3) & ~3

ClassOrdinals = {0x80: "Button", 0x82: "Static"}
Controls = [  # style, extended style, x, y, cx, cy, id, class, text
    (0x50010000, 0, 78, 49, 50, 14, 3, "Button", "Konec "),
    (0x50020000, 0, 6, 18, 195, 9, 1, "Static", ""),
    (0x5000000B, 0, 5, 27, 196, 14, 2, "Button", ""),
    (0x50020000, 0, 6, 6, 198, 8, 0xFFFF, "Static", "Kopiruje se..." + " " * 50),
]
try:
    template = Reader(dialog)
    header = template.take("<IIHhhhh")
    check(header == (0x90C000C0, 0, 4, 15, 57, 207, 66), "dialog header %r" % (header,))
    check(template.text_or_ordinal() == "", "dialog has a menu")
    check(template.text_or_ordinal() == "", "dialog has a window class")
    check(template.text() == "Setup   ", "dialog caption")
    font = (template.take("<H")[0], template.text())
    check(font == (8, "MS Sans Serif"), "dialog font %r" % (font,))
    for number, expected in enumerate(Controls, 1):
        template.align()
        fields = template.take("<IIhhhhH")
        kind = template.text_or_ordinal()
        kind = ClassOrdinals.get(kind, kind) if isinstance(kind, int) else kind.capitalize()
        control = fields + (kind, template.text_or_ordinal())
        shown = lambda fields: (hex(fields[0]),) + fields[1:]
        check(control == expected, "control %d is %r, not %r" % (number, shown(control), shown(expected)))
        check(template.take("<H")[0] == 0, "control %d has creation data" % number)
    check(template.at == len(dialog), "bytes after the last control")
except (struct.error, UnicodeDecodeError, IndexError) as error:
    check(False, "dialog template cannot be read: %s" % error)
for text in ["000000000", "'%s' nie je platn\u00e1 integer hodnota", "'%s' nie je platn\u00e1 floating point hodnota",
             "Mimo pam\u011b\u0165", "V\u00fdjimka %s v modulu %s na %p.\n%s%s", "Chyba aplikace"]:
    check(text in strings, "string table lacks %r" % text)
sys.exit(0 if ok else 1)
PY

size=$(stat -c %s "$stub")
[ $status = 0 ] && echo "check_stub_pe: ok ($size bytes)"
exit $status
