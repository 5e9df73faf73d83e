#!/usr/bin/env bash
# Configures (once) and builds the native unit tests with the host's clang.
#   tests/native/build.sh <build folder>
set -euo pipefail
source_dir=$(cd "$(dirname "$0")" && pwd)
out=$1
mkdir -p "$out"
exec 9>"$out/.build.lock"
flock 9
if [[ ! -f $out/build.ninja ]]; then
  cmake -S "$source_dir" -B "$out" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$out" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
