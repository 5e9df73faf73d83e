#!/usr/bin/env bash
# One fuzz target over its committed corpus, then a short fixed-seed run
# with a bounded number of inputs: the same inputs on every run, so a
# failure is a regression, not luck.
#   tests/fuzz/run-regression.sh <build folder> <target> [runs]
set -uo pipefail
source_dir=$(cd "$(dirname "$0")" && pwd)
out=$1 target=$2 runs=${3:-4000}
binary=$out/fuzz_$target
corpus=$source_dir/corpus/$target
[[ -x $binary ]] || { echo "missing $binary: tests/clang-build.sh tests/fuzz $out"; exit 1; }
[[ -d $corpus ]] || { echo "no corpus for $target in $corpus"; exit 1; }
work=$(mktemp -d "$out/regression-$target.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1

"$binary" -runs=0 -artifact_prefix="$work/" "$corpus" >"$work/corpus.log" 2>&1
code=$?
if (( code != 0 )); then
  tail -40 "$work/corpus.log"
  echo "fuzz $target: the committed corpus fails (exit $code)"
  exit 1
fi
mkdir -p "$work/new"
"$binary" -seed=1 -runs="$runs" -max_len=8192 -timeout=20 -artifact_prefix="$work/" "$work/new" "$corpus" \
  >"$work/run.log" 2>&1
code=$?
if (( code != 0 )); then
  tail -40 "$work/run.log"
  echo "fuzz $target: crash within $runs fixed-seed inputs (exit $code)"
  exit 1
fi
echo "fuzz $target: corpus of $(ls "$corpus" | wc -l) and $runs fixed-seed inputs passed"
