#!/usr/bin/env bash
# The 32-bit product stub, which this machine cannot run: an installer made from it by the
# host tool is a PE32 GUI program whose string resource 1 holds the archive offset, read
# back by our reader (lzsfx list) and by a second one (wrestool), whose CheckSum is right,
# and whose archive tests and extracts cleanly.
# Usage: tool_win32_stub_test.sh HOST_LZSFX STUB_EXE HELLO_EXE   (exit 77: no host tool)
set -u
lzsfx=$1 stub=$2 hello=$3
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$lzsfx" ] || { echo "no host lzsfx at $lzsfx (build the host preset first): skipped"; exit 77; }
command -v wrestool >/dev/null || { echo "no wrestool: skipped"; exit 77; }
work=$(mktemp -d /tmp/lzsfx-win32-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/payload/docs"
cp "$hello" "$work/payload/hello.exe"
echo "read me" >"$work/payload/docs/readme.txt"
"$lzsfx" create -q -o "$work/setup.exe" --stub "$stub" --exec hello.exe "$work/payload" || fail "create"

stub_size=$(stat -c %s "$stub")
expected=$(printf '%09d' "$stub_size")
file "$work/setup.exe" | grep -q "PE32 executable (GUI) Intel 80386" || fail "not a PE32 GUI program: $(file "$work/setup.exe")"
"$lzsfx" list "$work/setup.exe" | head -n1 | grep -q "^PE32 stub, archive at offset $stub_size," ||
  fail "our reader: $("$lzsfx" list "$work/setup.exe" | head -n1)"
wrestool -x --raw --type=6 --name=1 "$work/setup.exe" >"$work/block.bin" 2>/dev/null || fail "wrestool finds no string block 1"
[ "$(python3 "$here/string_one.py" "$work/block.bin")" = "$expected" ] ||
  fail "wrestool reads string 1 as $(python3 "$here/string_one.py" "$work/block.bin"), expected $expected"
read -r magic stored computed < <(python3 "$here/pe_checksum.py" "$work/setup.exe")
[ "$magic" = PE32 ] || fail "optional header magic $magic"
[ "$stored" = "$computed" ] || fail "CheckSum $stored, computed $computed"
"$lzsfx" test -q "$work/setup.exe" || fail "test"
"$lzsfx" extract -q "$work/setup.exe" -o "$work/out" || fail "extract"
diff -r "$work/payload" "$work/out" >/dev/null || fail "extracted files differ"
echo "stub $stub_size bytes, installer $(stat -c %s "$work/setup.exe") bytes"
[ $failures = 0 ] && echo "all passed"
exit $((failures > 0))
