#!/usr/bin/env bash
# Runs a Windows program under wine64: a private prefix (LZSFX_WINEPREFIX, made on first
# use), no debug output, no Mono or Gecko prompts, and a time limit (LZSFX_WINE_TIMEOUT
# seconds, 300 by default). The exit code is the program's, or 124 on time-out.
set -u
export WINEPREFIX=${LZSFX_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/lzsfx-wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  timeout 300 "$wine" wineboot --init >/dev/null 2>&1
  timeout 60 wineserver -w 2>/dev/null || true
fi
exec timeout --kill-after=10 "${LZSFX_WINE_TIMEOUT:-300}" "$wine" "$@"
