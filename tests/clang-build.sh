#!/usr/bin/env bash
# Configures (once) and builds a host project with the host's clang: the
# fuzz targets (tests/fuzz) or the native unit tests (tests/native).
#   tests/clang-build.sh <project folder> <build folder>
set -euo pipefail
source_dir=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
# Two builds at once (bench/fuzz beside a test run) must not collide.
exec 9>"$out/.build.lock"
flock 9
if [[ ! -f $out/build.ninja ]]; then
  cmake -S "$source_dir" -B "$out" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$out" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
