#!/usr/bin/env bash
# End to end with the host build: `lzsfx create` on a tree with nested and empty folders,
# an empty file, a read-only file, Names of 255 and 256 bytes, sizes around the 4096-byte
# block, a code page 1252 name and a few MB of real files; `test`, `list`, `extract` and the
# host stub itself must give the tree back byte for byte with dates and attributes. Then
# bad input: each case a clear message, a non-zero exit and nothing half-written.
# Usage: tool_round_trip_test.sh LZSFX HOST_STUB
set -u
lzsfx=$1 stub=$2
work=$(mktemp -d /tmp/lzsfx-tool-test.XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# --- the tree ---------------------------------------------------------------------------
mkdir -p tree/src/deep/er tree/empty/inner tree/docs tree/real tree/long tree/long2
printf '' >tree/empty-file.txt
for n in 1 4095 4096 4097 8192 65536; do head -c $n /dev/urandom >"tree/src/random-$n.bin"; done
yes 'the same line again and again' | head -c 300000 >tree/src/deep/er/repetitive.txt
echo "read me, do not change me" >tree/docs/read-only.txt
echo "une café" >"tree/docs/café.txt"
name250=$(printf 'n%.0s' $(seq 250))
echo 255 >"tree/long/$name250"    # stored Name "long\" + 250 = 255 bytes: TagString
echo 256 >"tree/long2/$name250"   # "long2\" + 250 = 256 bytes: TagLongString
find /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows /usr/share/common-licenses -maxdepth 1 -type f -size -700k 2>/dev/null |
  sort | head -n 16 | while read -r f; do cp "$f" tree/real/; done
cat >tree/run.sh <<'SCRIPT'
#!/bin/sh
echo "started $*" >"$(dirname "$0")/started.txt"
SCRIPT
# Even seconds: the stub applies two-second MS-DOS times.
find tree -exec touch -h -d '2021-06-15 10:20:30' {} +
touch -d '1999-02-10 12:20:56' tree/docs/café.txt
chmod 444 tree/docs/read-only.txt
echo "tree: $(find tree -type f | wc -l) files, $(du -sb tree | cut -f1) bytes"

# Compares a copy with the tree: bytes, empty folders, dates, read-only attribute.
same_tree() {  # copy label
  diff -r tree "$1" >/dev/null || fail "$2: contents differ: $(diff -rq tree "$1" | head -3)"
  while IFS= read -r f; do
    [ "$(stat -c %Y "tree/$f")" = "$(stat -c %Y "$1/$f" 2>/dev/null)" ] || fail "$2: date of $f"
  done < <(cd tree && find . -type f)
  [ -d "$1/empty/inner" ] || fail "$2: empty folder missing"
  case $(stat -c %A "$1/docs/read-only.txt") in
    ?r-?r-?r-?) ;; *) fail "$2: read-only.txt is writable: $(stat -c %A "$1/docs/read-only.txt")" ;;
  esac
  case $(stat -c %A "$1/docs/café.txt") in
    ?rw*) ;; *) fail "$2: café.txt lost its write permission" ;;
  esac
}

# --- round trip ---------------------------------------------------------------------------
"$lzsfx" create -q -o setup --stub "$stub" --exec run.sh --params "one two" tree || fail "create"
"$lzsfx" test -q setup || fail "test of a sound installer"
"$lzsfx" list setup >list.txt || fail "list"
grep -q "Executable=run.sh" list.txt || fail "list lacks the configuration"
grep -q "Parameters=one two" list.txt || fail "list lacks the parameters"
grep -qF "docs\\café.txt" list.txt || fail "list lacks the 1252 name in UTF-8"
grep -q "1999-02-10 12:20:56" list.txt || fail "list shows the wrong date: $(grep café list.txt)"
grep -qE "^\s+0\s+[0-9]+\s+.*empty\\\\inner\\\\$" list.txt || fail "list lacks the empty folder"
"$lzsfx" extract -q setup -o out || fail "extract"
same_tree out extract
"$lzsfx" extract -q setup -o out 2>err.txt && fail "extract over existing files must refuse"
"$lzsfx" extract -q -f setup -o out || fail "extract --force"

"$lzsfx" create -q -o setup-again --stub "$stub" --exec run.sh --params "one two" tree || fail "create again"
cmp -s setup setup-again || fail "two builds of the same tree differ"

# The host stub itself: unpacks into TMPDIR and starts run.sh.
mkdir tmp
chmod +x setup
TMPDIR=$work/tmp timeout 120 ./setup </dev/null >stub-out.txt 2>&1 || fail "host stub exit code $?"
for _ in $(seq 100); do [ -f tmp/started.txt ] && break; sleep 0.1; done
grep -qx "started one two" tmp/started.txt 2>/dev/null || fail "the stub did not start run.sh with its parameters"
rm -f tmp/started.txt
same_tree tmp "host stub"
[ ! -e tmp/lzsfx.ini ] || fail "the stub left the configuration file behind"

# compress / decompress, through pipes and files.
"$lzsfx" compress <tree/src/deep/er/repetitive.txt | "$lzsfx" decompress >pipe.txt || fail "pipe round trip"
cmp -s pipe.txt tree/src/deep/er/repetitive.txt || fail "pipe round trip differs"
"$lzsfx" compress -i tree/src/random-4097.bin -o r.lzh && "$lzsfx" decompress -i r.lzh -o r.bin || fail "file round trip"
cmp -s r.bin tree/src/random-4097.bin || fail "file round trip differs"

# --- bad input ------------------------------------------------------------------------------
leftovers() { ls "$1" | grep -E '\.(partial|spool)-' ; }
expect_failure() {  # code message-pattern label -- command...
  local code=$1 pattern=$2 label=$3
  shift 4
  "$@" >out.txt 2>err.txt
  local status=$?
  [ $status = "$code" ] || fail "$label: exit code $status, expected $code ($(cat err.txt))"
  grep -qiE -- "$pattern" err.txt || fail "$label: message \"$(cat err.txt)\" lacks /$pattern/"
}
mkdir bad
expect_failure 1 "missing.*no such file" "missing input" -- "$lzsfx" create -q -o bad/x --stub "$stub" tree missing
expect_failure 1 "cannot write|cannot create" "output folder missing" -- "$lzsfx" create -q -o nowhere/x --stub "$stub" tree
expect_failure 1 "cannot|is a directory" "output is a folder" -- "$lzsfx" create -q -o bad --stub "$stub" tree
expect_failure 1 "not a stub" "stub that is not a stub" -- "$lzsfx" create -q -o bad/x --stub tree/docs/read-only.txt tree
expect_failure 1 "already carries an archive|not the placeholder" "stub with an archive" -- "$lzsfx" create -q -o bad/x --stub setup tree
expect_failure 1 "not one of the stored files" "exec not stored" -- "$lzsfx" create -q -o bad/x --stub "$stub" --exec nothere.exe tree
mkdir -p cp/a && echo x >"cp/a/日本.txt"
expect_failure 1 "code page 1252" "name outside the code page" -- "$lzsfx" create -q -o bad/x --stub "$stub" cp
mkdir -p dev && echo x >dev/CON.txt
expect_failure 1 "not allowed" "device name" -- "$lzsfx" create -q -o bad/x --stub "$stub" dev
echo secret >unreadable.txt && chmod 000 unreadable.txt
if ! cat unreadable.txt >/dev/null 2>&1; then
  expect_failure 1 "cannot open" "unreadable file" -- "$lzsfx" create -q -o bad/x --stub "$stub" unreadable.txt
fi
mkdir huge && truncate -s 2G huge/sparse.bin
expect_failure 1 "2 GiB" "a file of 2 GiB" -- "$lzsfx" create -q -o bad/x --stub "$stub" huge
rm -rf huge
[ -z "$(ls bad)" ] || fail "a failed build left files behind: $(ls bad)"
[ -z "$(leftovers .)" ] || fail "temporary files left behind: $(leftovers .)"
expect_failure 2 "required" "create without -o" -- "$lzsfx" create tree
expect_failure 2 "unknown option" "unknown option" -- "$lzsfx" list --bogus setup
expect_failure 2 "unknown command" "unknown command" -- "$lzsfx" frobnicate
expect_failure 1 "without an archive" "list of a bare stub" -- "$lzsfx" list "$stub"

# A file cut short inside the data: the catalog still reads, the last entries are damaged.
size=$(stat -c %s setup)
head -c $((size - 3000)) setup >cut
"$lzsfx" list cut >/dev/null || fail "list of a file cut in its data"
expect_failure 1 "damaged|reaches past" "test of a cut file" -- "$lzsfx" test -q cut
expect_failure 1 "not extracted" "extract of a cut file" -- "$lzsfx" extract -q cut -o cut-out
[ ! -e cut-out/src/random-65536.bin ] || [ "$(stat -c %s cut-out/src/random-65536.bin)" = 65536 ] ||
  fail "a damaged entry left a partial file"
# A catalog with a wrong tag: every command refuses the file.
offset=$("$lzsfx" list setup | sed -n 's/.*archive at offset \([0-9]*\).*/\1/p')
cp setup bad-catalog && printf '\x07' | dd of=bad-catalog bs=1 seek=$((offset + 1)) conv=notrunc 2>/dev/null
for command in list test extract; do
  expect_failure 1 "catalog .* is damaged" "$command of a damaged catalog" -- "$lzsfx" $command bad-catalog
done

[ $failures = 0 ] && echo "all passed"
exit $((failures > 0))
