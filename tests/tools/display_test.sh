# Shared by the tests on the X display; sourced with the build folder, the
# source folder and the test's name. Sets work (the test's scratch folder),
# shots (<build>/screenshots) and im (ImageMagick), starts a display when
# there is none, ends the program under test ($child) on exit, and counts
# failures.
bdir=$1
src=$2
source "$src/scripts/common.sh" # for start_display; sets its own names
work="$bdir/tests/scratch/$3"
shots="$bdir/screenshots"
rm -rf "$work"
mkdir -p "$work" "$shots"
im=/usr/bin/convert

started_display=0
if [[ -z ${DISPLAY:-} ]] || ! xdpyinfo >/dev/null 2>&1; then
  start_display
  started_display=1
fi
child=
cleanup() {
  [[ -n $child ]] && kill "$child" 2>/dev/null || true
  (( started_display )) && stop_display
  return 0
}
trap cleanup EXIT

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Mean grey level 0..1 of a rectangle of a screenshot.
mean() { # <name> <x> <y> <w> <h>
  "$im" "$shots/$1.png" -crop "$4x$5+$2+$3" -colorspace gray -format '%[fx:mean]' info:
}
