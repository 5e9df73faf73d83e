#!/usr/bin/env bash
# Builds the installer and runs its main job under Wine, headless on Xvfb
# when there is no display, then prints what it logged.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$repo/scripts/setup.sh"

run_dir=$(runnable_build)
configure_and_build "$run_dir" "$(runnable_toolchain)" >/dev/null
if [[ $run_dir != "$build" ]]; then
  echo "note: this machine cannot run 32-bit programs; running the 64-bit build of the same sources"
fi

trap 'stop_wine "$run_dir"; stop_display' EXIT
start_display
"$run_dir/wine-run.sh" cmd /c exit >/dev/null 2>&1 # creates the prefix on first use
log="$run_dir/wineprefix/drive_c/users/$(whoami)/AppData/Roaming/Bexmoor2/log/vpinstall.log"
before=0
[[ -f "$log" ]] && before=$(stat -c %s "$log")

echo "== running $run_dir/KolvexSetup.exe under Wine (display $DISPLAY)"
set +e
"$run_dir/wine-run.sh" "$run_dir/KolvexSetup.exe"
code=$?
set -e
echo "== exit code: $code"
echo "== what it logged ($log):"
if [[ -f "$log" ]]; then
  size=$(stat -c %s "$log")
  if (( size >= before )); then tail -c +$((before + 1)) "$log"; else cat "$log"; fi | tr -d '\r'
fi
exit "$code"
