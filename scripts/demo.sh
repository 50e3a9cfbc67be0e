#!/usr/bin/env bash
# The demo: builds everything (host, win32, win64), makes installers from examples/hello
# and runs them:
#   hello-setup.exe        64-bit Windows stub, run under wine64 on a virtual display (or
#                          yours when DISPLAY is set); a screenshot of the progress window
#                          goes to build/demo/demo-progress.png (docs/ keeps one of each)
#   hello-setup-posix      the POSIX stub, run natively
#   hello-setup-win32.exe  the product: the 32-bit Windows stub, built and inspected
# and prints where the files went and what the started program reported.
# Usage: scripts/demo.sh     (output in build/demo)
# LZSFX_BUILD_ROOT=DIR puts the three builds in DIR/<preset> instead of build/<preset>;
# LZSFX_DEMO_SKIP_BUILD=1 uses builds that are there already.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)
step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
jobs=$(nproc)

step "dependencies"
scripts/install-deps.sh

builds=$(realpath -m "${LZSFX_BUILD_ROOT:-build}")
for preset in host win32 win64; do
  [ "${LZSFX_DEMO_SKIP_BUILD:-0}" = 1 ] && break
  step "build: $preset"
  cmake --preset "$preset" -B "$builds/$preset" >/dev/null
  timeout 3600 cmake --build "$builds/$preset" -j "$jobs" | tail -n 1
done
lzsfx=$builds/host/tools/lzsfx/lzsfx
stub_host=$builds/host/src/resources/lzsfx-stub
stub_win32=$builds/win32/src/resources/lzsfx-stub.exe
stub_win64=$builds/win64/src/resources/lzsfx-stub.exe

step "payloads"
demo=$builds/demo
rm -rf "$demo" && mkdir -p "$demo"
make_payload() {  # folder, program file
  mkdir -p "$1"
  cp -r examples/hello/files/. "$1/"
  cp "$2" "$1/"
  # A larger file, so that the progress window stays up long enough to be seen.
  seq 1 2800000 >"$1/data/numbers.txt"
}
make_payload "$demo/payload-win64" "$builds/win64/examples/hello/hello.exe"
make_payload "$demo/payload-win32" "$builds/win32/examples/hello/hello.exe"
make_payload "$demo/payload-posix" examples/hello/hello.sh
find "$demo/payload-win64" -type f | sed "s|$demo/payload-win64/|  |"

step "create the installers"
"$lzsfx" create -o "$demo/hello-setup.exe" --stub "$stub_win64" --exec hello.exe \
  --params "--close-after 5 <AD>" "$demo/payload-win64"
"$lzsfx" create -o "$demo/hello-setup-win32.exe" --stub "$stub_win32" --exec hello.exe \
  --params "--close-after 5 <AD>" "$demo/payload-win32"
"$lzsfx" create -o "$demo/hello-setup-posix" --stub "$stub_host" --exec hello.sh --params "<AD>" "$demo/payload-posix"
"$lzsfx" list "$demo/hello-setup.exe"
"$lzsfx" test -q "$demo/hello-setup.exe" && echo "lzsfx test: all entries sound"

step "run hello-setup.exe under wine64"
export LZSFX_WINEPREFIX=${LZSFX_WINEPREFIX:-$root/build/demo-wineprefix}
export LZSFX_WINE_TIMEOUT=120
xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 130); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  sleep 1
  echo "virtual display $DISPLAY"
fi
wine_temp=$(scripts/wine-run.sh cmd /c echo %TEMP% | tr -d '\r')
unix_temp=$LZSFX_WINEPREFIX/drive_c/${wine_temp:3}
unix_temp=${unix_temp//\\//}
# What an earlier demo run left in the (demo's own) temporary folder.
(cd "$unix_temp" && rm -rf hello.exe hello-report.txt readme.txt data docs)
scripts/wine-run.sh "$demo/hello-setup.exe" &
installer_pid=$!
# The progress window: its caption is "Setup"; shot while it shows progress.
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Setup' 2>/dev/null | head -n1 || true)
if [ -n "$window" ]; then
  sleep 0.7
  import -window root "$demo/progress-screen.png" 2>/dev/null &&
    convert "$demo/progress-screen.png" -trim +repage "$demo/demo-progress.png" 2>/dev/null &&
    echo "screenshot of the progress window: $demo/demo-progress.png"
else
  echo "the progress window did not show (or went by too fast for a screenshot)"
fi
hello_window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Hello from the installer' 2>/dev/null | head -n1 || true)
if [ -n "$hello_window" ]; then
  sleep 0.5
  import -window "$hello_window" "$demo/demo-hello.png" 2>/dev/null && echo "screenshot of the started program: $demo/demo-hello.png"
fi
wait "$installer_pid" || echo "installer exit code $?"
for _ in $(seq 100); do [ -s "$unix_temp/hello-report.txt" ] && break; sleep 0.1; done
echo "files went to $wine_temp (on this machine: $unix_temp)"
echo "the started program reported:"
tr -d '\r' <"$unix_temp/hello-report.txt" | sed 's/^/  | /' || echo "  (no report found)"
timeout 30 wineserver -w 2>/dev/null || true

step "run hello-setup-posix natively"
posix_temp=$demo/posix-temp
rm -rf "$posix_temp" && mkdir -p "$posix_temp"
TMPDIR=$posix_temp timeout 120 "$demo/hello-setup-posix" </dev/null
for _ in $(seq 100); do [ -s "$posix_temp/hello-report.txt" ] && break; sleep 0.1; done
echo "files went to $posix_temp"
echo "the started program reported:"
sed 's/^/  | /' "$posix_temp/hello-report.txt" || echo "  (no report found)"

step "hello-setup-win32.exe (the product)"
file "$demo/hello-setup-win32.exe" | sed "s|$demo/||"
"$lzsfx" list "$demo/hello-setup-win32.exe" | head -n1
echo "string resource 1 (wrestool): $(wrestool -x --raw --type=6 --name=1 "$demo/hello-setup-win32.exe" |
  python3 -c 'import sys; b=sys.stdin.buffer.read(); n=b[2]; print(b[4:4+2*n].decode("utf-16-le"))')"
"$lzsfx" test -q "$demo/hello-setup-win32.exe" && echo "lzsfx test: all entries sound"

step "sizes"
size() { printf '  %-28s %9d bytes\n' "$1" "$(stat -c %s "$2")"; }
size "stub win32 (the product)" "$stub_win32"
size "stub win64" "$stub_win64"
size "stub host (POSIX)" "$stub_host"
size "hello-setup-win32.exe" "$demo/hello-setup-win32.exe"
size "hello-setup.exe (win64)" "$demo/hello-setup.exe"
size "hello-setup-posix" "$demo/hello-setup-posix"
echo
echo "demo done in $(($(date +%s) - started)) s; everything is in $demo"
