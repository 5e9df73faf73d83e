#!/usr/bin/env bash
# One native unit test program; it fails on a failed test and on any
# sanitizer report, even one that would let the program end with 0.
#   tests/native/run.sh <build folder> <test name, e.g. url_test>
set -uo pipefail
out=$1 name=$2
binary=$out/native_$name
[[ -x $binary ]] || { echo "missing $binary: tests/clang-build.sh tests/native $out"; exit 1; }
log=$(mktemp "$out/$name.XXXXXX.log")
trap 'rm -f "$log"' EXIT
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$binary" --gtest_color=no >"$log" 2>&1
code=$?
if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$log"; then
  grep -m1 -A30 -E 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$log"
  echo "native $name: sanitizer report (exit $code)"
  exit 1
fi
if (( code != 0 )); then
  tail -60 "$log"
  echo "native $name: failed (exit $code)"
  exit 1
fi
grep -E '^\[  PASSED  \]|^\[  SKIPPED \]' "$log"
