#!/usr/bin/env bash
# Nothing runs elevated that the vendor did not ship, end to end: the vendor
# stand-in serves wrongly signed installers, an installed copy is replaced,
# and programs and libraries are planted beside the programs under test.
# Everything lies in the build's Wine prefix (drive C:), so no host path is
# needed inside Windows; the registry key of the emulator is the prefix's
# own and is removed at the end (the test runs alone).
set -euo pipefail
build=$1
source=$2
"$build/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true # the prefix exists from here on
work="$build/wineprefix/drive_c/kolvex-tests/SignedInstaller"
win='C:\kolvex-tests\SignedInstaller'
rm -rf "$work"
mkdir -p "$work/root"
cases="$build/tests/signature-cases"
cp "$build/tools/standin-signed.exe" "$work/root/rizodi.exe"
cp "$cases/other-publisher.exe" "$cases/unsigned.exe" "$cases/one-byte-changed.exe" "$work/root/"
appdata=$(ls -d "$build/wineprefix/drive_c/users/"*/AppData/Roaming 2>/dev/null | grep -v /Public/ | head -1)
log="$appdata/Bexmoor2/log/vpinstall.log"

source "$source/tests/tools/vendor_stand_in.sh"
cleanup() {
  stop_server
  "$build/wine-run.sh" reg delete 'HKCU\Software\Bexmoor2\vpplayer' /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

fail() { echo "FAILED: $*"; echo "--- driver output"; tail -n 20 "$work"/out-*.txt 2>/dev/null; echo "--- server"; cat "$work/server.log"; exit 1; }

# Log lines written since the mark, without the time columns.
log_mark() { stat -c %s "$log" 2>/dev/null || echo 0; }
log_since() { # <mark>
  tail -c +$(($1 + 1)) "$log" 2>/dev/null | tr -d '\r' | cut -f4-
}
refusal() { # <mark> <file (Windows)> <reason>: prints the line, fails without it
  local line
  for _ in $(seq 30); do
    line=$(log_since "$1" | grep -F "signature refused, file = $2 reason = $3 " | head -1 || true)
    [[ -n $line ]] && { echo "$line"; return; }
    sleep 0.2
  done
  fail "no refusal \"$3\" for $2"
}

# Runs the driver (a copy in folder, under the given name) into an install folder.
run() { # <expected exit> <folder of the copy> <install folder below work> <out name> [driver options]
  local expected=$1 copy="$work/$2" out=$4
  local folder="$win\\$3"
  shift 4
  mkdir -p "$copy"
  cp "$build/tools/vpheadless.exe" "$copy/KolvexSetup.exe"
  set +e
  STANDIN_REGISTRY_KEY="${REGISTRY_KEY:-Software\\KolvexTests\\signed}" \
    "$build/wine-run.sh" "$copy/KolvexSetup.exe" "--hosts=127.0.0.1:$port" "--dir=$folder" "$@" \
    >"$work/out-$out.txt" 2>&1
  local code=$?
  set -e
  [[ $code == "$expected" ]] || fail "$out: exit $code, expected $expected"
}

journal_lines() { # <journal> <program name>
  tr -d '\r' <"$1" 2>/dev/null | grep -c "^$2	" || true
}

# 1. Wrongly signed on the main address, rightly on the spare: installs from the spare.
start_server --main-file other-publisher.exe --no-md5
mark=$(log_mark)
run 0 driver spare-wins spare-wins
cmp -s "$work/root/rizodi.exe" "$work/spare-wins/rizodi.exe" || fail "spare-wins: not the signed installer"
grep -q '"GET /spare/rizodi.exe HTTP/1.1" 200' "$work/server.log" || fail "spare-wins: spare not asked"
[[ $(journal_lines "$work/spare-wins/standin-journal.txt" rizodi.exe) == 1 ]] || fail "spare-wins: installer runs"
echo "refused: $(refusal "$mark" "$win\\spare-wins\\rizodi.exe.tmp" "unknown publisher")"

# 2. Wrongly signed on both: download error, nothing run, nothing left.
start_server --main-file unsigned.exe --spare-file one-byte-changed.exe --no-md5
mark=$(log_mark)
run 1 driver both-wrong both-wrong
grep -q "download failed on every address" "$work/out-both-wrong.txt" || fail "both-wrong: no download error"
[[ ! -e "$work/both-wrong/rizodi.exe" && ! -e "$work/both-wrong/rizodi.exe.tmp" ]] || fail "both-wrong: file left"
[[ ! -e "$work/both-wrong/standin-journal.txt" ]] || fail "both-wrong: something ran"
echo "refused: $(refusal "$mark" "$win\\both-wrong\\rizodi.exe.tmp" "no signature")"
echo "refused: $(refusal "$mark" "$win\\both-wrong\\rizodi.exe.tmp" "digest mismatch")"

# 3. Installed, then its installer replaced by an unsigned one: downloaded afresh.
start_server
REGISTRY_KEY='Software\Bexmoor2\vpplayer' run 0 driver installed installed-first
[[ $(journal_lines "$work/installed/standin-journal.txt" rizodi.exe) == 1 ]] || fail "installed: first run"
cp "$cases/unsigned.exe" "$work/installed/rizodi.exe"
requests=$(grep -c 'GET /main/rizodi.exe' "$work/server.log" || true)
mark=$(log_mark)
REGISTRY_KEY='Software\Bexmoor2\vpplayer' run 0 driver installed installed-again
[[ $(grep -c 'GET /main/rizodi.exe' "$work/server.log") == $((requests + 1)) ]] || fail "installed: no fresh download"
cmp -s "$work/root/rizodi.exe" "$work/installed/rizodi.exe" || fail "installed: unsigned installer kept"
# One run of the fresh installer; the unsigned one never ran.
[[ $(journal_lines "$work/installed/standin-journal.txt" rizodi.exe) == 2 ]] || fail "installed: runs of rizodi.exe"
echo "refused: $(refusal "$mark" "$win\\installed\\rizodi.exe" "no signature")"

# 4. Planted beside the program: taskkill.exe and libraries it loads at run
#    time. The driver runs the whole install path (the signature check loads
#    wintrust and crypt32, taskkill runs four times).
planted="$work/planted"
mkdir -p "$planted"
cp "$build/tools/standin.exe" "$planted/taskkill.exe"
# The libraries it loads at run time, and those it takes through delay-load
# stubs.
libraries="wintrust.dll crypt32.dll gdiplus.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll wininet.dll ws2_32.dll"
for dll in $libraries; do cp "$build/tests/planted.dll" "$planted/$dll"; done
run 0 planted planted-install planted
[[ $(journal_lines "$work/planted-install/standin-journal.txt" rizodi.exe) == 1 ]] || fail "planted: no installation"
[[ ! -e "$planted/standin-journal.txt" ]] || fail "planted taskkill.exe ran: $(cat "$planted/standin-journal.txt")"
grep -q "execute filename = \[.*\\\\taskkill.exe\]" <(log_since 0 | tr -d '\r') || fail "taskkill not by full path"
# The installer itself, from the same folder.
cp "$build/KolvexSetup.exe" "$planted/KolvexSetup.exe"
# It shows its window (closed here with Escape, as a user may) where there
# is a display; without one it ends at once.
"$build/wine-run.sh" "$planted/KolvexSetup.exe" >/dev/null 2>&1 &
installer=$!
if [[ -n ${DISPLAY:-} ]]; then
  for _ in $(seq 300); do
    wid=$(xdotool search --onlyvisible --classname kolvexsetup 2>/dev/null | head -1 || true)
    [[ -n $wid ]] && break
    kill -0 "$installer" 2>/dev/null || break
    sleep 0.1
  done
  [[ -n ${wid:-} ]] && xdotool key --window "$wid" Escape 2>/dev/null
fi
for _ in $(seq 300); do kill -0 "$installer" 2>/dev/null || break; sleep 0.1; done
set +e
wait "$installer"
code=$?
set -e
# Closed by the user (1), or, without a display, no window could be made (8).
[[ $code == 1 || $code == 8 ]] || fail "KolvexSetup.exe beside planted files: exit $code"
# The painter, the only user of GDI+, in a tools folder beside the installer.
if [[ -n ${DISPLAY:-} ]]; then
  mkdir -p "$planted/tools"
  cp "$build/tools/vpgallery.exe" "$planted/tools/"
  cp "$build/tests/planted.dll" "$planted/tools/gdiplus.dll"
  "$build/wine-run.sh" "$planted/tools/vpgallery.exe" --bench mainframe.xml >"$work/out-gallery.txt" 2>&1 ||
    fail "vpgallery beside a planted gdiplus.dll"
  grep -q "first paint ms" "$work/out-gallery.txt" || fail "vpgallery did not paint"
fi
loaded=$(find "$planted" -name '*.loaded')
[[ -z $loaded ]] || fail "planted libraries loaded: $loaded"
echo "planted: taskkill.exe never ran; none of $libraries loaded"
