#!/usr/bin/env bash
# Checks that every folder of src/ includes only its own headers and those of the
# libraries below it, in the order that src/CMakeLists.txt writes down. The platform's
# stub entry points (*_stub_main.cpp) belong to the stub program, above everything.
set -u
src=${1:?usage: check_layering.sh SRC_DIR}
status=0
grep -rnE '#include[[:space:]]+"[^/"]+/' "$src" --include='*.cpp' --include='*.h' --include='*.inc' \
     --exclude='*_stub_main.cpp' |
awk -v src="$src/" '
  BEGIN {
    allowed["common"]    = " common resources "
    allowed["platform"]  = " common platform resources progress "
    allowed["lzhuf"]     = " common lzhuf "
    allowed["archive"]   = " common platform archive "
    allowed["progress"]  = " common platform progress "
    allowed["extract"]   = " common platform lzhuf archive progress extract "
    allowed["resources"] = " resources "
  }
  {
    file = substr($0, 1, index($0, ":") - 1)
    dir = substr(file, length(src) + 1); sub(/\/.*/, "", dir)
    match($0, /#include[[:space:]]+"[^\/"]+\//)
    target = substr($0, RSTART, RLENGTH); sub(/.*"/, "", target); sub(/\/$/, "", target)
    if ((dir in allowed) && index(allowed[dir], " " target " ") == 0) {
      print "layering: " file " includes from " target "/, which " dir "/ may not use"
      bad = 1
    }
  }
  END { exit bad }' || status=1
# Operating-system headers only under platform/.
if grep -rnE '#include[[:space:]]*<(windows|winbase|winuser|unistd|fcntl|sys/[a-z_]+)\.h>' \
     "$src" --include='*.cpp' --include='*.h' | grep -v "^$src/platform/"; then
  echo "layering: operating-system headers outside platform/"
  status=1
fi
[ $status = 0 ] && echo "layering: ok"
exit $status
