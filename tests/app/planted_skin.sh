#!/usr/bin/env bash
# A "skin" folder planted beside the installer, with a main layout of
# another size: the developer build shows it, the release-configured build
# (tests/KolvexSetup-releaseskin.exe, override off) shows its own package
# and says once in the log that it ignored the folder.
#   planted_skin.sh BUILD SOURCE
set -euo pipefail
bdir=$1
src=$2
source "$src/scripts/common.sh"
source "$src/scripts/window_driver.sh"
work="$bdir/tests/scratch/PlantedSkin"
rm -rf "$work"
mkdir -p "$work/skin"

started_display=0
if [[ -z ${DISPLAY:-} ]] || ! xdpyinfo >/dev/null 2>&1; then
  start_display
  started_display=1
fi
cleanup() {
  wd_stop
  (( started_display )) && stop_display
  return 0
}
trap cleanup EXIT
wd_init "$bdir" "$work"

cp "$bdir/KolvexSetup.exe" "$work/KolvexSetup.exe"
cp "$bdir/tests/KolvexSetup-releaseskin.exe" "$work/KolvexSetup-releaseskin.exe"
printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
  '<Window size="420,300"><VerticalLayout bkcolor="#FFC03030" /></Window>' >"$work/skin/mainframe.xml"
planted=$(wd_winpath "$work/skin")

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Starts a copy, waits for its first visible window and keeps its size in
# SIZE; then closes it and waits for its end.
window_size() { # <program file in the work folder>
  local size= wid
  wd_start "$work/$1"
  for _ in $(seq 200); do
    size=$(wd_windows | awk '{ print $2 "x" $3; exit }')
    [[ -n $size ]] && break
    sleep 0.1
  done
  sleep 0.5
  for wid in $(xdotool search --onlyvisible --classname "$WD_CLASS" 2>/dev/null); do
    xdotool key --window "$wid" Escape 2>/dev/null || true
  done
  wd_wait_exit 20 || true
  SIZE=${size:-none}
}

window_size KolvexSetup.exe
[[ $SIZE == 420x300 ]] || fail "the developer build showed $SIZE, not the planted 420x300 layout"
if wd_log | grep -qF "skin folder ignored"; then fail "the developer build ignored the folder"; fi

window_size KolvexSetup-releaseskin.exe
[[ $SIZE == 610x480 ]] || fail "the release build showed $SIZE, not its own 610x480 layout"
[[ $(wd_log | grep -cF "skin folder ignored: $planted") == 1 ]] ||
  fail "the release build did not say once that it ignored $planted"

if (( failures )); then
  echo "--- log of the last run"
  wd_log | tail -30
  exit 1
fi
echo "PlantedSkin: passed"
