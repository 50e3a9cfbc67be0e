#!/bin/sh
# The sample setup program of the POSIX installer: writes what it was given (its command
# line, its folder, the files it finds there) to hello-report.txt beside itself.
dir=$(cd "$(dirname "$0")" && pwd)
{
  printf '%s\n\n' "Hello from the installed program."
  printf 'Command line:\n  %s\n\n' "$0 $*"
  printf 'My folder:\n  %s/\n\n' "$dir"
  printf 'Files I find there:\n'
  (cd "$dir" && find . -mindepth 1 ! -name '*.part' | sort | sed 's|^\./|  |')
} >"$dir/hello-report.txt.part"
# Renamed when complete, so that whoever waits for the report never reads half of it.
mv "$dir/hello-report.txt.part" "$dir/hello-report.txt"
