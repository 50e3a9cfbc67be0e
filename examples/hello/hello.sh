#!/bin/sh
# The sample setup program of the POSIX installer: reports what it was given (its command
# line, its folder, the files it finds there) on stdout and in hello-report.txt beside itself.
dir=$(cd "$(dirname "$0")" && pwd)
{
  echo "Hello from the installed program."
  echo
  echo "Command line:"
  echo "  $0 $*"
  echo
  echo "My folder:"
  echo "  $dir/"
  echo
  echo "Files I find there:"
  (cd "$dir" && find . -mindepth 1 | sort | sed 's|^\./|  |')
} > "$dir/hello-report.txt"
cat "$dir/hello-report.txt"
