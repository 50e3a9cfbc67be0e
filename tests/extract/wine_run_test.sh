#!/usr/bin/env bash
# End-to-end runs of the 64-bit Windows stub under wine on a virtual display:
#   1. the stub extracts a real archive into its temporary directory and starts the probe
#      from it, which records its command line (placeholders expanded) and the dates and
#      attributes it finds;
#   2. the overwrite question is answered No with xdotool;
#   3. an archive offset text that does not convert ends in the failure report, with the
#      progress window still up behind it; the probe reads the box's text and closes it;
#   4. a processor fault (the stub's entry point around a run that reads address 0) ends
#      in the same report.
# Usage: wine_run_test.sh WINE_RUN STUB_EXE FIXTURE_EXE PROBE_EXE FAULT_EXE
# Exit 77 (skipped) without a display or xdotool.
set -u
export LC_ALL=C  # the texts are ANSI bytes, not UTF-8
wine_run=$1 stub=$2 fixture=$3 probe=$4 fault=$5

if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null; then
  echo "no display or no xdotool: skipped"
  exit 77
fi
export LZSFX_WINE_TIMEOUT=${LZSFX_WINE_TIMEOUT:-120}

work=$(mktemp -d /tmp/lzsfx-wine-run.XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() {  # file, exact line
  grep -qxF -- "$2" "$1" || fail "$(basename "$1") lacks the line: $2"
}
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
# Waits up to $2 tenths of a second for a file.
await() { for _ in $(seq "$2"); do [ -f "$1" ] && return 0; sleep 0.1; done; return 1; }

tempdir=$("$wine_run" "$probe" tempdir | tr -d '\r')
prefix=${LZSFX_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/lzsfx-wine}
case $tempdir in
  [Cc]:\\*) rest=${tempdir:3}; unix_temp="$prefix/drive_c/${rest//\\//}" ;;
  *) echo "unexpected temporary directory: $tempdir"; exit 1 ;;
esac
[ -d "$unix_temp" ] || { echo "temporary directory not found: $unix_temp"; exit 1; }
clean_temp() {
  chmod -R u+w "$unix_temp" 2>/dev/null
  rm -rf "$unix_temp"/{SUB,EMPTY,B.TXT,C.TXT,LATER.TXT,probe.exe,record.txt,SETUP.INI}
}

build() {  # case -> $work/<case>.exe
  "$wine_run" "$fixture" "$(winpath "$stub")" "$(winpath "$probe")" "$(winpath "$work/$1.exe")" "$1" ||
    { echo "cannot build the $1 fixture"; exit 1; }
}

# 1. A full run.
clean_temp
build run
"$wine_run" "$work/run.exe"
status=$?
[ $status = 0 ] || fail "run: exit code $status"
if await "$unix_temp/record.txt" 300; then
  record="$unix_temp/record.txt"
  tr -d '\r' <"$record" >"$work/record.txt"
  echo "record:"; cat "$work/record.txt"
  command_line=$(head -n1 "$work/record.txt")
  expected_dir=$(winpath "$work")
  expected="${tempdir}probe.exe record record.txt $expected_dir\\ C:\\windows\\ C:\\windows\\system32\\ $tempdir SUB\\A.TXT B.TXT C.TXT EMPTY"
  [ "${command_line,,}" = "${expected,,}" ] || fail "command line: $command_line (expected $expected)"
  # The probe describes each of its arguments from the fourth on: the four directories,
  # then SUB\A.TXT, B.TXT, C.TXT and EMPTY.
  tail -n4 "$work/record.txt" >"$work/files.txt"
  year=$(date +%Y)
  [ "$(sed -n 1p "$work/files.txt")" = "21 1999-02-10 12:20:56" ] || fail "SUB\A.TXT: $(sed -n 1p "$work/files.txt")"
  sed -n 2,3p "$work/files.txt" | grep -qv "^20 $year-" &&
    fail "1979 and 2100 dates must leave the time of writing: $(sed -n 2,3p "$work/files.txt")"
  sed -n 4p "$work/files.txt" | grep -q "^10 " || fail "EMPTY is no directory: $(sed -n 4p "$work/files.txt")"
  [ ! -e "$unix_temp/SETUP.INI" ] || fail "the configuration file was left behind"
else
  fail "the probe did not record its start"
fi

# 2. The overwrite question, answered No.
clean_temp
printf old >"$unix_temp/B.TXT"
build overwrite
"$wine_run" "$work/overwrite.exe" &
stub_pid=$!
window=$(timeout 60 xdotool search --sync --name "^File Exists$" | head -n1)
if [ -n "$window" ]; then
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
  xdotool key n
else
  fail "no overwrite question appeared"
fi
wait $stub_pid
status=$?
[ $status = 0 ] || fail "overwrite: exit code $status"
[ "$(cat "$unix_temp/B.TXT")" = old ] || fail "the answer No replaced B.TXT"
[ "$(cat "$unix_temp/LATER.TXT" 2>/dev/null)" = later ] || fail "the entry after the question was not written"
await "$unix_temp/record.txt" 300 || fail "the probe was not started after the answer No"

# 3. The failure report for an offset text that does not convert.
clean_temp
build bad-offset
"$wine_run" "$work/bad-offset.exe" &
stub_pid=$!
timeout 60 xdotool search --sync --name "^Chyba aplikace$" >/dev/null || fail "no window captioned Chyba aplikace"
# The progress window stays up behind the report.
xdotool search --onlyvisible --name "^Setup" >/dev/null || fail "the progress window is gone behind the report"
"$wine_run" "$probe" readbox "Chyba aplikace" "$(winpath "$work/report.txt")" || fail "the failure report could not be read"
wait $stub_pid
status=$?
[ $status = 1 ] || fail "failure report: exit code $status"
if [ -f "$work/report.txt" ]; then
  report=$(tr -d '\r' <"$work/report.txt")
  echo "report: $report"
  grep -q "EConvertError v modulu bad-offset.exe na [0-9A-F]\{8,\}\." "$work/report.txt" ||
    fail "report's first line: $report"
  grep -q "^'ABCDEFGHI' nie je platn. integer hodnota\.$" <(tr -d '\r' <"$work/report.txt") ||
    fail "report's second line: $report"
fi
[ ! -e "$unix_temp/probe.exe" ] || fail "something was extracted after the failure"

# 4. The failure report for a processor fault.
"$wine_run" "$fault" &
fault_pid=$!
# Read once the box is on the screen, its texts filled in.
timeout 60 xdotool search --sync --name "^Chyba aplikace$" >/dev/null || fail "no window captioned Chyba aplikace after a fault"
"$wine_run" "$probe" readbox "Chyba aplikace" "$(winpath "$work/fault.txt")" || fail "no failure report after a fault"
wait $fault_pid
status=$?
[ $status = 1 ] || fail "fault: exit code $status"
if [ -f "$work/fault.txt" ]; then
  report=$(tr -d '\r' <"$work/fault.txt")
  echo "fault report: $report"
  grep -q "EAccessViolation v modulu extract_fault_program.exe na [0-9A-F]\{8,\}\." <<<"$report" ||
    fail "fault report's first line: $report"
  grep -q "^Access violation at address [0-9A-F]\{8,\}\. Read of address 0\{8,\}\.$" <<<"$report" ||
    fail "fault report's second line: $report"
fi

[ $failures = 0 ] && echo "wine runs: ok"
exit $((failures > 0))
