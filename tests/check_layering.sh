#!/usr/bin/env bash
# Checks that every folder of src/ includes only its own headers and those of the
# libraries below it, in the order that src/CMakeLists.txt writes down. The platform's
# stub entry points (*_stub_main.cpp) belong to the stub program, above everything.
set -u
src=${1:?usage: check_layering.sh SRC_DIR}
declare -A allowed=(
  [common]="common resources"
  [platform]="common platform resources progress"
  [lzhuf]="common lzhuf"
  [archive]="common platform archive"
  [progress]="common platform progress"
  [extract]="common platform lzhuf archive progress extract"
  [resources]="resources"
)
status=0
for dir in "${!allowed[@]}"; do
  [ -d "$src/$dir" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include[[:space:]]+"([^/"]+)\/.*/\1/' <<<"${line#*:}")
    ok=0
    for a in ${allowed[$dir]}; do [ "$target" = "$a" ] && ok=1; done
    if [ $ok = 0 ]; then
      echo "layering: $file includes from $target/, which $dir/ may not use"
      status=1
    fi
  done < <(grep -rnE '#include[[:space:]]+"[^/"]+/' "$src/$dir" --exclude='*_stub_main.cpp' \
           | sed -E 's/^([^:]*):[0-9]+:/\1:/')
done
# Operating-system headers only under platform/.
if grep -rnE '#include[[:space:]]*<(windows|winbase|winuser|unistd|fcntl|sys/[a-z_]+)\.h>' \
     "$src" --include='*.cpp' --include='*.h' | grep -v "^$src/platform/"; then
  echo "layering: operating-system headers outside platform/"
  status=1
fi
[ $status = 0 ] && echo "layering: ok"
exit $status
