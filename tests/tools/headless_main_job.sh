#!/usr/bin/env bash
# The installer's main job end to end: the vendor stand-in on a free
# loopback port, the headless driver under Wine, the stand-in installer and
# player. Writes only below the build folder.
set -euo pipefail
build=$1
source=$2
work="$build/tests/scratch/HeadlessMainJob"
rm -rf "$work"
mkdir -p "$work/root"
# The installer as the vendor ships it: signed (by the build's test publisher).
cp "$build/tools/standin-signed.exe" "$work/root/rizodi.exe"

source "$source/tests/tools/vendor_stand_in.sh"
trap 'stop_server; true' EXIT
start_server --mode normal

fail() { echo "FAILED: $*"; echo "--- driver output"; cat "$work"/out-*.txt 2>/dev/null; echo "--- server"; cat "$work/server.log"; exit 1; }

# Runs the driver under the given file name into the given folder.
run() { # <exe name> <install folder (unix)> <log name>
  local exe="$work/$1" folder
  folder=$("$build/wine-run.sh" --windows-path "$2")
  cp "$build/tools/vpheadless.exe" "$exe"
  set +e
  STANDIN_REGISTRY_KEY='Software\KolvexTests\headless' \
    "$build/wine-run.sh" "$exe" "--hosts=127.0.0.1:$port" "--dir=$folder" >"$work/out-$3.txt" 2>&1
  local code=$?
  set -e
  [[ $code == 0 ]] || fail "$1 exited with $code"
  echo "$folder"
}

# Waits for a line in a journal: the player is started without waiting.
expect_journal() { # <journal> <line>
  for _ in $(seq 100); do
    grep -qxF -- "$2" <(tr -d '\r' <"$1" 2>/dev/null) && return 0
    sleep 0.1
  done
  fail "journal $1 lacks: $2"
}

# The plain installer: default openID, a folder with a blank.
folder=$(run KolvexSetup.exe "$work/Kolvex Emu" plain)
# The end reports the installer's real size, not a stand-in figure.
size=$(stat -c %s "$work/root/rizodi.exe")
grep -q "progress 100% ($size of $size bytes)" "$work/out-plain.txt" || fail "no final progress of $size bytes"
grep -q 'installation succeeded' "$work/out-plain.txt" || fail "no success report"
journal="$work/Kolvex Emu/standin-journal.txt"
expect_journal "$journal" "rizodi.exe	-silence -downloader -openid=100 -path=$folder"
expect_journal "$journal" "vpplayer.exe	"
cmp -s "$work/root/rizodi.exe" "$work/Kolvex Emu/rizodi.exe" || fail "downloaded installer differs"
[[ ! -e "$work/Kolvex Emu/rizodi.exe.tmp" ]] || fail "temporary file left behind"

# A copy for one game: package and openID from its own file name.
folder=$(run Setup_com.example.game_12345.exe "$work/Game" game)
journal="$work/Game/standin-journal.txt"
expect_journal "$journal" "rizodi.exe	-silence -downloader -openid=12345 -path=$folder"
expect_journal "$journal" "vpplayer.exe	downloadpackage=com.example.game|package=com.example.game"

grep -q '"GET /kx/tarnwell HTTP/1.1" 200' "$work/server.log" || fail "version service not asked"

# Other framings and faults of the vendor's side still end in a good installation.
for mode in chunked no-length fail-main no-version; do
  start_server --mode "$mode"
  folder=$(run KolvexSetup.exe "$work/$mode" "$mode")
  cmp -s "$work/root/rizodi.exe" "$work/$mode/rizodi.exe" || fail "$mode: downloaded installer differs"
  expect_journal "$work/$mode/standin-journal.txt" "rizodi.exe	-silence -downloader -openid=100 -path=$folder"
done
grep -q '"GET /spare/rizodi.exe HTTP/1.1" 200' "$work/server.log" || fail "fail-main did not reach the spare"
grep -q '"GET /download/release/rizodi.exe HTTP/1.1" 200' "$work/server.log" || fail "no-version did not use the fallback"
