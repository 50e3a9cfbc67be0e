#!/usr/bin/env bash
# The Windows tool and the 64-bit stub under wine64:
#   1. lzsfx.exe builds an installer from a payload with the sample program; its CheckSum
#      is right (a second reader), and lzsfx.exe tests and lists it;
#   2. the installer signed afterwards (osslsigncode, a throw-away CA made by openssl)
#      verifies, still lists, tests and extracts, and cannot serve as a stub;
#   3. with a display, the signed installer unpacks into the temporary folder and starts
#      the program, whose report lists what it found.
# Usage: tool_windows_test.sh WINE_RUN LZSFX_EXE STUB_EXE HELLO_EXE
set -u
wine_run=$1 lzsfx_exe=$2 stub=$3 hello=$4
here=$(cd "$(dirname "$0")" && pwd)
export LZSFX_WINE_TIMEOUT=${LZSFX_WINE_TIMEOUT:-120}
work=$(mktemp -d /tmp/lzsfx-windows-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
lzsfx() { "$wine_run" "$lzsfx_exe" "$@"; }

# 1. Build with the Windows tool.
mkdir -p payload/docs payload/empty
cp "$hello" payload/hello.exe
echo "read me" >payload/docs/readme.txt
lzsfx create -q -o setup.exe --stub "$(winepath -w "$stub" 2>/dev/null || echo "Z:${stub//\//\\}")" \
  --exec hello.exe --params "--close-after 1" payload || fail "create under wine"
[ -f setup.exe ] || { echo "no installer built"; exit 1; }
read -r magic stored computed < <(python3 "$here/pe_checksum.py" setup.exe)
[ "$magic" = PE32+ ] || fail "optional header magic $magic"
[ "$stored" = "$computed" ] || fail "CheckSum $stored, computed $computed"
lzsfx test -q setup.exe || fail "test under wine"
lzsfx list setup.exe | tr -d '\r' | grep -qx "  Executable=hello.exe" || fail "list under wine"

# 2. Sign after building.
if command -v osslsigncode >/dev/null && command -v openssl >/dev/null; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=lzsfx test CA" \
    -keyout ca.key -out ca.pem 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=lzsfx test signer" -keyout signer.key -out signer.csr 2>/dev/null
  printf 'extendedKeyUsage=codeSigning\n' >ext.cnf
  openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile ext.cnf \
    -out signer.pem 2>/dev/null
  osslsigncode sign -certs signer.pem -key signer.key -n "lzsfx test" -in setup.exe -out signed.exe >/dev/null ||
    fail "osslsigncode sign"
  osslsigncode verify -CAfile ca.pem -in signed.exe >verify.txt 2>&1 || fail "osslsigncode verify: $(tail -3 verify.txt)"
  lzsfx list signed.exe | tr -d '\r' | head -n1 | grep -q ", signed$" || fail "list of the signed installer"
  lzsfx test -q signed.exe || fail "test of the signed installer"
  lzsfx extract -q signed.exe -o signed-out || fail "extract of the signed installer"
  diff -r payload signed-out >/dev/null || fail "the signed installer extracts different files"
  lzsfx create -q -o again.exe --stub signed.exe payload 2>err.txt && fail "a signed file accepted as stub"
  [ ! -e again.exe ] || fail "a refused build left again.exe"
  installer=signed.exe
else
  echo "no osslsigncode or openssl: signing not tested"
  installer=setup.exe
fi

# 3. Run it.
if [ -n "${DISPLAY:-}" ]; then
  temp=$("$wine_run" cmd /c echo %TEMP% | tr -d '\r')
  prefix=${LZSFX_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/lzsfx-wine}
  unix_temp="$prefix/drive_c/${temp:3}"
  unix_temp=${unix_temp//\\//}
  rm -rf "$unix_temp/hello.exe" "$unix_temp/hello-report.txt" "$unix_temp/docs" "$unix_temp/empty"
  "$wine_run" "$installer" || fail "installer exit code $?"
  for _ in $(seq 300); do [ -s "$unix_temp/hello-report.txt" ] && break; sleep 0.1; done
  report=$(tr -d '\r' <"$unix_temp/hello-report.txt" 2>/dev/null)
  grep -q "hello.exe --close-after 1" <<<"$report" || fail "the program did not report its command line: $report"
  grep -qF "docs\\readme.txt" <<<"$report" || fail "the program did not find docs\\readme.txt: $report"
  [ -d "$unix_temp/empty" ] || fail "the empty folder was not created"
  [ ! -e "$unix_temp/lzsfx.ini" ] || fail "the configuration file was left behind"
  rm -rf "$unix_temp/hello.exe" "$unix_temp/hello-report.txt" "$unix_temp/docs" "$unix_temp/empty"
else
  echo "no DISPLAY: the run under wine is not tested"
fi
[ $failures = 0 ] && echo "all passed"
exit $((failures > 0))
