#!/usr/bin/env bash
# Builds the 32-bit program, its 64-bit twin and their tests, then runs the
# whole suite under Wine (windows on an Xvfb display).
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$repo/scripts/setup.sh"

configure_and_build "$build" mingw-i686.cmake
configure_and_build "${build}64" mingw-x86_64.cmake

run_dir=$(runnable_build)
if [[ $run_dir != "$build" ]]; then
  echo "note: this machine cannot run 32-bit programs; testing the 64-bit build in $run_dir"
fi
trap 'stop_wine "$run_dir"; stop_display' EXIT
start_display
status=0
if [[ $run_dir != "$build" ]]; then
  # The shipped program's own checks (its import list) run on the host.
  ctest --test-dir "$build" -L host --output-on-failure "$@" || status=1
fi
cd "$run_dir"
ctest --output-on-failure -j "$jobs" --timeout 300 "$@" || status=1
exit "$status"
