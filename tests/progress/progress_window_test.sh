#!/usr/bin/env bash
# Runs the progress window program under wine on the display in $DISPLAY and carries out
# what it asks for: clicks with xdotool at the screen positions it names, screenshots with
# ImageMagick. Passes when the program reports no failures.
# Usage: progress_window_test.sh PROGRAM.exe [--screenshot PERCENT OUTPUT.png]
# Without a window manager the caption is drawn only when the prefix lets wine draw it:
#   wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f
# (docs/progress-dialog.png was taken that way, at 37 %).
set -u
program=${1:?usage: progress_window_test.sh PROGRAM.exe [--screenshot PERCENT OUTPUT.png]}
shift
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
skip=77

if [ -z "${DISPLAY:-}" ]; then
  echo "skipped: no display (DISPLAY is not set)"
  exit $skip
fi
for tool in xdotool import; do
  command -v $tool >/dev/null || { echo "skipped: $tool is missing"; exit $skip; }
done

arguments=()
screenshot=
if [ "${1:-}" = --screenshot ]; then
  arguments=(--screenshot "$2")
  screenshot=$3
fi

export LZSFX_WINE_TIMEOUT=${LZSFX_WINE_TIMEOUT:-120}
coproc window { "$wine_run" "$program" "${arguments[@]}" 2>&1; }
to_program=${window[1]}
from_program=${window[0]}
program_pid=$window_PID

# The dialog appears on the display as an X window with the dialog's caption.
if ! timeout 60 xdotool search --sync --onlyvisible --name '^Setup' >/dev/null; then
  echo "FAIL: the dialog did not appear"
  kill "$program_pid" 2>/dev/null
  exit 1
fi

failures=
while IFS= read -r -t 90 line <&"$from_program"; do
  line=${line%$'\r'}
  echo "$line"
  case $line in
    click\ *)
      read -r _ x y _ <<<"$line"
      xdotool mousemove --sync "$x" "$y" click 1
      echo done >&"$to_program"
      ;;
    shoot\ *)
      read -r _ x y w h <<<"$line"
      sleep 0.5
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$screenshot"
      echo done >&"$to_program"
      ;;
    failures\ *)
      failures=${line#failures }
      ;;
  esac
done
wait "$program_pid"
status=$?
if [ -n "$screenshot" ]; then
  [ "$status" = 0 ] && [ -s "$screenshot" ]
  exit $?
fi
[ "$status" = 0 ] && [ "$failures" = 0 ]
