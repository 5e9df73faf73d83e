#!/usr/bin/env bash
# The real installer on the X display, driven with clicks and keys as a user
# would, against the vendor stand-in on the build's service port. Each case
# ends with the program's exit code and what the stand-ins saw.
#   installer_window.sh BUILD SOURCE CASE
set -euo pipefail
bdir=$1
src=$2
case=$3
source "$src/scripts/common.sh"
source "$src/scripts/window_driver.sh"
work="$bdir/tests/scratch/InstallerWindow/$case"
rm -rf "$work"

started_display=0
if [[ -z ${DISPLAY:-} ]] || ! xdpyinfo >/dev/null 2>&1; then
  start_display
  started_display=1
fi
# The emulator's installer stand-in records its installation under a key of
# this test, not the emulator's own.
export STANDIN_REGISTRY_KEY='Software\KolvexTests\window'
handler_key='HKCU\Software\Classes\https\shell\open\command'
cleanup() {
  wd_stop
  [[ $case == DownloadError ]] && "$bdir/wine-run.sh" reg delete "$handler_key" /f >/dev/null 2>&1
  (( started_display )) && stop_display
  return 0
}
trap cleanup EXIT
wd_init "$bdir" "$work"

failures=0
fail() { echo "FAILED ($case): $*"; failures=$((failures + 1)); }
finish() {
  if (( failures )); then
    echo "--- log of the run"
    wd_log | tail -60
    echo "--- vendor stand-in"
    cat "$work/vendor-server.log" 2>/dev/null || true
    exit 1
  fi
  echo "$case: passed"
  exit 0
}
expect_code() { # <code>
  [[ $WD_CODE == "$1" ]] || fail "exit code $WD_CODE, wanted $1"
}
expect_log() { # <text> [seconds]
  wd_wait_log "$1" "${2:-10}" || fail "no log line with: $1"
}
expect_no_log() { # <text>
  if wd_log | grep -qF -- "$1"; then fail "unexpected log line with: $1"; fi
}

# The folder a user of the custom view types: inside this test's folder.
folder="$work/Kolvex Inst"
mkdir -p "$folder"
win=$(wd_winpath "$folder")
installed="$win\\vpplayer2\\"

# Filled width of page 3's bar in a screenshot of the main window: its
# blue pixels on the bar's middle row.
bar_fill() { # <png>
  /usr/bin/convert "$1" -crop 610x1+0+313 +repage -depth 8 txt:- | python3 -c '
import re, sys
n = 0
for line in sys.stdin:
    m = re.match(r"(\d+),0: \((\d+),(\d+),(\d+)", line)
    if m and int(m.group(2)) < 120 and int(m.group(4)) > 170:
        n += 1
print(n)'
}

# A copy of the installer for one game (package and openID in its name).
game_copy() { wd_game_copy Setup_com.example.game_12345.exe; }

# Waits for the player's start (the shell starts it without waiting) and
# checks its argument text exactly.
expect_player_line() { # <argument text>
  for _ in $(seq 50); do wd_journal "$folder/vpplayer2" | grep -q '^vpplayer.exe' && break; sleep 0.1; done
  wd_journal "$folder/vpplayer2" | grep -qxF -- "vpplayer.exe	$1" ||
    fail "player not started with: $1; saw: $(wd_journal "$folder/vpplayer2" | grep '^vpplayer.exe' || true)"
}

# A download that lasts: every mirror dribbles.
start_slow_download() {
  wd_vendor slow-all
  wd_install_into "$win"
  expect_log "start download player"
}

case $case in
FastInstall)
  # Installer runs for a while, so the creeping bar is seen.
  export STANDIN_RIZODI_SLEEP_MS=4000
  wd_vendor normal 200
  wd_start
  wd_main_window
  wd_click userdefinitionBtn
  wd_type_folder "$win"
  wd_click backBtn custom
  wd_click installnowbtn
  expect_log "select page 2"
  expect_log "player download ok" 60
  expect_log "installprogressbar 76" 30
  wd_wait_exit 90 || true
  expect_code 0
  wd_journal "$folder/vpplayer2" >"$work/journal.txt"
  grep -qxF "rizodi.exe	-silence -downloader -openid=100 -path=$installed" "$work/journal.txt" ||
    fail "installer not started with the folder: $(cat "$work/journal.txt")"
  for _ in $(seq 50); do grep -qx 'vpplayer.exe	' "$work/journal.txt" && break; sleep 0.1; wd_journal "$folder/vpplayer2" >"$work/journal.txt"; done
  grep -qx 'vpplayer.exe	' "$work/journal.txt" || fail "player not started: $(cat "$work/journal.txt")"
  [[ $(grep -c . "$work/journal.txt") == 2 ]] || fail "other programs started: $(cat "$work/journal.txt")"
  # The bar: download values up to 75, the creep from 75, then 99; never
  # back, never 100.
  bars=$(wd_bar_values)
  echo "bar values: $bars"
  python3 - "$bars" <<'EOF' || fail "bar values out of order: $bars"
import sys
v = [int(x) for x in sys.argv[1].split()]
assert v and v[-1] == 99, v
assert all(a < b for a, b in zip(v, v[1:])), v
assert any(x < 75 for x in v) and 75 in v and 76 in v, v
assert 100 not in v and max(x for x in v if x != 99) <= 97, v
EOF
  ;;

CustomFolder)
  wd_vendor normal
  wd_start
  wd_main_window
  # Forward slashes and a blank at both ends, as a hurried user types.
  wd_click userdefinitionBtn
  wd_type_folder " $(echo "$win" | tr '\\' /)/ "
  wd_shot window-custom-typed
  expect_log "install folder chosen: $installed"
  wd_click installnowbtn custom
  wd_wait_exit 90 || true
  expect_code 0
  for _ in $(seq 50); do wd_journal "$folder/vpplayer2" | grep -q vpplayer.exe && break; sleep 0.1; done
  wd_journal "$folder/vpplayer2" | grep -qxF "rizodi.exe	-silence -downloader -openid=100 -path=$installed" ||
    fail "installer's -path= is not the composed folder: $(wd_journal "$folder/vpplayer2")"
  ;;

LicenceUnticked)
  wd_vendor slow-all
  wd_start
  wd_main_window
  wd_click userdefinitionBtn
  wd_type_folder "$win"
  wd_click backBtn custom
  wd_shot window-licence-ticked
  wd_click acceptprotocolopt
  wd_shot window-licence-unticked
  wd_click installnowbtn
  wd_click installnowbtn
  sleep 1
  expect_no_log "select page"
  expect_no_log "install refused"
  [[ -z $(wd_boxes) ]] || fail "a window opened for a disabled button"
  # The disabled button is drawn differently from the enabled one.
  a=$(/usr/bin/convert "$WD_SHOTS/window-licence-ticked.png" -crop 240x44+185+354 -format '%#' info:)
  b=$(/usr/bin/convert "$WD_SHOTS/window-licence-unticked.png" -crop 240x44+185+354 -format '%#' info:)
  [[ $a != "$b" ]] || fail "the install button looks the same without the licence"
  wd_click acceptprotocolopt
  wd_click installnowbtn
  expect_log "select page 2"
  expect_log "start download player"
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_code 0
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  ;;

LowSpace)
  # The same program with every drive reporting 1023 MiB free.
  wd_vendor normal
  wd_install_into "$win" "$bdir/tests/KolvexSetup-lowspace.exe"
  wd_wait_box message || fail "no error box"
  wd_shot window-low-space "$WD_BOX"
  expect_log "install refused: MsgBox_disk_notEnough"
  expect_no_log "select page"
  xdotool key --window "$WD_BOX" Escape
  sleep 0.5
  wd_shot window-low-space-after
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_code 0
  expect_no_log "start download player"
  ;;

ExitQuestion)
  start_slow_download
  wd_click closebtn
  wd_wait_box message || fail "no exit question"
  wd_shot window-exit-question "$WD_BOX"
  # "cancel": the box closes, the download goes on.
  wd_click_box 2 # "cancel"
  sleep 1
  if wd_box_drawn; then fail "the question stayed open after cancel"; fi
  kill -0 "$WD_PROGRAM_PID" 2>/dev/null || fail "the program ended on cancel"
  wd_click closebtn
  wd_wait_box message || fail "no exit question the second time"
  wd_click_box 1 # "sure"
  wd_wait_exit 20 || true
  expect_code 0
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  expect_no_log "_threadProcInstallPlayer"
  ;;

EscapeCloses)
  start_slow_download
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_code 0
  expect_no_log "exit question"
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  ;;

SecondStart)
  wd_vendor normal
  wd_start
  first=$WD_PROGRAM_PID
  wd_main_window
  first_window=$WD_MAIN
  # Without a window manager the X window stays mapped; the program's own
  # log tells that it was minimised and restored.
  wd_click minbtn
  sleep 0.5
  # The second start: ends with 0, shows nothing.
  "$bdir/wine-run.sh" "$bdir/KolvexSetup.exe" >"$work/second.out" 2>&1 &
  second=$!
  seen_second=0
  for _ in $(seq 200); do
    kill -0 "$second" 2>/dev/null || break
    [[ $(wd_windows | awk '$2 == 610 && $3 == 480' | wc -l) -gt 1 ]] && seen_second=1
    sleep 0.1
  done
  set +e
  wait "$second"
  second_code=$?
  set -e
  [[ $second_code == 0 ]] || fail "second start ended with $second_code"
  (( seen_second == 0 )) || fail "the second start showed a window"
  expect_log "VPDownloaderModel::popupExistPwnd exist"
  expect_log "onHandleWindowIPC, msg = 11123"
  # The first comes back: restored from the minimised state, in front.
  expect_log "showWndOnTop begin"
  expect_log "11111"
  expect_log "22222"
  back=0
  for _ in $(seq 50); do wd_windows | grep -q "^$first_window " && { back=1; break; }; sleep 0.1; done
  (( back )) || fail "the first window was not restored"
  wd_shot window-second-start
  WD_PROGRAM_PID=$first
  xdotool key --window "$first_window" Escape
  wd_wait_exit 20 || true
  expect_code 0
  ;;

DownloadError)
  # A browser stand-in takes the https links of the test prefix.
  cp "$bdir/tools/standin.exe" "$work/browser.exe"
  "$bdir/wine-run.sh" reg add "$handler_key" /ve /d "\"$(wd_winpath "$work/browser.exe")\" \"%1\"" /f \
    >/dev/null 2>&1
  wd_vendor fail-all
  wd_install_into "$win"
  wd_wait_box message || fail "no download error box"
  expect_log "download failed, showing the error box" 5
  wd_shot window-download-error "$WD_BOX"
  wd_click_box 1 # "go_homePage"
  for _ in $(seq 100); do [[ -s $work/standin-journal.txt ]] && break; sleep 0.1; done
  grep -qF "browser.exe	https://www.kolvex.com/" <(wd_journal "$work") ||
    fail "home page not opened: $(wd_journal "$work")"
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_code 0
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  ;;

GameTwoPackages)
  # A copy of the installer for one game; the service answers with two
  # games with addresses, whose packages take a few seconds each, and the
  # console tool takes its time, so the install bar is seen climbing.
  export STANDIN_VPCONSOLE_SLEEP_MS=2500
  wd_vendor normal 0 --games two --apk-rate 100
  wd_install_into "$win" "$(game_copy)"
  expect_log "select page 3" 90
  if wd_wait_log "(1/2)" 30; then wd_shot window-game-1of2; else fail "no (1/2) on page 3"; fi
  if wd_wait_log "(2/2)" 30; then wd_shot window-game-2of2; else fail "no (2/2) on page 3"; fi
  if wd_wait_log "apkinstallprogresslabel 正在安装Game 1" 30; then
    # The bar's first step comes half a second after the label.
    sleep 1
    wd_shot window-game-installing
    sleep 1.5
    wd_shot window-game-installing-later
    early=$(bar_fill "$WD_SHOTS/window-game-installing.png")
    later=$(bar_fill "$WD_SHOTS/window-game-installing-later.png")
    echo "install bar fill: $early px, then $later px"
    (( early > 0 && later > early )) || fail "the install bar does not climb: $early px, then $later px"
  else
    fail "no installing label"
  fi
  wd_wait_exit 90 || true
  expect_code 0
  expect_player_line "package=com.example.game2"
  wd_journal "$folder/vpplayer2" >"$work/journal.txt"
  printf '%s\n' \
    "rizodi.exe	-silence -downloader -openid=12345 -path=$installed" \
    "vpconsole.exe	modify --index 0 --resolution 1280x720" \
    "vpconsole.exe	installapk --index 0 --filename \"$installed\\Game 1.apk\" --wait --hide" \
    "vpconsole.exe	installapk --index 0 --filename \"$installed\\Game 2.apk\" --wait --hide" \
    "vpplayer.exe	package=com.example.game2" >"$work/expected.txt"
  diff "$work/expected.txt" "$work/journal.txt" >"$work/journal.diff" ||
    fail "programs started differ from the expected order: $(cat "$work/journal.diff")"
  for n in 1 2; do
    [[ $(stat -c %s "$folder/vpplayer2/Game $n.apk" 2>/dev/null) == 300000 ]] || fail "package $n not saved whole"
  done
  [[ -z $(find "$folder" -name '*.tmp') ]] || fail "part files left: $(find "$folder" -name '*.tmp')"
  ;;

GameHandover)
  # The service hands the game over in each of its forms: the player
  # fetches it, the installer shows no package page.
  program=$(game_copy)
  for form in store gameid package; do
    case $form in
    store) args="apk=|show=true|package=com.example.game1|downloadapkurl=http://127.0.0.1:$WD_PORT/apk/game1.apk;S.package=com.example.game1;S.appname=Game 1;S.appicon=http://127.0.0.1:$WD_PORT/icon/game1.png;S.appsize=96" ;;
    gameid) args="apk=|show=true|package=|downloadgameid=501" ;;
    package) args="apk=|show=true|package=com.example.bypackage|downloadpackage=com.example.bypackage" ;;
    esac
    rm -f "$folder/vpplayer2/standin-journal.txt"
    wd_vendor normal 0 --games "$form"
    wd_install_into "$win" "$program"
    wd_wait_exit 90 || true
    expect_code 0
    expect_no_log "select page 3"
    expect_player_line "$args"
    [[ $(wd_journal "$folder/vpplayer2" | grep -c '^vpplayer.exe') == 1 ]] ||
      fail "$form: the player started other than once: $(wd_journal "$folder/vpplayer2")"
    wd_journal "$folder/vpplayer2" | grep -q '^vpconsole.exe' && fail "$form: the console tool ran"
    echo "$form: $(wd_journal "$folder/vpplayer2" | grep '^vpplayer.exe')"
  done
  ;;

GameHostileName)
  # Game names with separators, "..", a device name and quotes.
  touch "$work/.start"
  wd_vendor normal 0 --games hostile
  wd_install_into "$win" "$(game_copy)"
  expect_log "select page 3" 90
  wd_wait_log "apkinstallprogresslabel" 30 && wd_shot window-game-hostile
  wd_wait_exit 90 || true
  expect_code 0
  expect_player_line "package=com.example.game3"
  wd_journal "$folder/vpplayer2" >"$work/journal.txt"
  n=0
  for stem in '.._.._CON_ --evil _x' '_NUL' '.._.._up'; do
    n=$((n + 1))
    [[ $(stat -c %s "$folder/vpplayer2/$stem.apk" 2>/dev/null) == 300000 ]] ||
      fail "package $n not saved as '$stem.apk' in the install folder"
    line="vpconsole.exe	installapk --index 0 --filename \"$installed\\$stem.apk\" --wait --hide"
    [[ $(grep -cxF -- "$line" "$work/journal.txt") == 1 ]] || fail "console command line $n not intact: $line"
  done
  [[ $(grep -c '^vpconsole.exe	installapk' "$work/journal.txt") == 3 ]] || fail "other install lines: $(cat "$work/journal.txt")"
  outside=$(find "$bdir" -newer "$work/.start" \( -name '*.apk' -o -name '*.tmp' -o -iname 'CON*' -o -iname 'NUL*' -o -name 'up*' \) \
    -not -path "$folder/vpplayer2/*" -not -path "$bdir/wineprefix/drive_c/windows/*" 2>/dev/null || true)
  [[ -z $outside ]] || fail "files outside the install folder: $outside"
  ;;

GameClosedDuringDownload)
  # The packages come slowly; the window is closed on page 3.
  wd_vendor normal 0 --games two --apk-rate 20
  wd_install_into "$win" "$(game_copy)"
  expect_log "select page 3" 90
  wd_wait_log "(1/2)" 30 || fail "no package download seen"
  wd_shot window-game-closing
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_code 0
  expect_log "package worker stopped before the installation" 1
  # What a late worker would have done has had time to show.
  sleep 3
  wd_journal "$folder/vpplayer2" | grep -E '^(vpconsole|vpplayer)\.exe' && fail "installed or started after the close"
  [[ -e "$folder/vpplayer2/Game 1.apk" || -e "$folder/vpplayer2/Game 2.apk" ]] && fail "a package was saved"
  ;;

*)
  echo "unknown case $case" >&2
  exit 2
  ;;
esac
echo "$case: exit code $WD_CODE; stand-ins saw:"
wd_journal "$folder/vpplayer2" | sed 's/^/   /'
finish
