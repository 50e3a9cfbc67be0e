#!/usr/bin/env bash
# Runs every test: builds host, host-asan, win32 and win64; runs the native tests, the
# same tests again under the sanitizers, the Windows tests under wine64 (with a private
# prefix and a virtual display), and the checks of the 32-bit product stub.
# Usage: scripts/test.sh [preset...]   (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(host host-asan win32 win64)
jobs=$(nproc)

# One private Wine prefix and one virtual display for the whole run.
export LZSFX_WINEPREFIX=${LZSFX_WINEPREFIX:-$PWD/build/wineprefix}
rm -rf "$LZSFX_WINEPREFIX"
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  WINEPREFIX=$LZSFX_WINEPREFIX wineserver -k 2>/dev/null || true
  rm -rf "$LZSFX_WINEPREFIX"
}
trap cleanup EXIT
if [[ " ${presets[*]} " == *" win64 "* ]] && [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do [ -e /tmp/.X11-unix/X$n ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
fi

for preset in "${presets[@]}"; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  ctest --test-dir "build/$preset" --output-on-failure -j "$jobs"
done
