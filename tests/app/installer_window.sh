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
# Wine's class root takes the machine's handlers, not the user's: the
# browser stand-in replaces the machine's https handler for one case, and
# the one it replaced comes back at the end.
handler_key='HKLM\Software\Classes\https\shell\open\command'
handler_saved=
mounted=
cleanup() {
  wd_stop
  [[ -n $mounted ]] && umount "$mounted" 2>/dev/null
  [[ -n $handler_saved ]] && "$bdir/wine-run.sh" reg add "$handler_key" /ve /d "$handler_saved" /f >/dev/null 2>&1
  (( started_display )) && stop_display
  return 0
}
trap cleanup EXIT
wd_init "$bdir" "$work"
# The installer's windows as Windows sees them (shown, minimised, enabled,
# in front): X cannot tell without a window manager.
probe() { "$bdir/wine-run.sh" "$bdir/tests/window-probe.exe" "$@" | tr -d '\r'; }
probe_line() { probe list updateMainframe | grep "^$1 " || true; }

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
# The program's exit code and the log's last line, which names it.
expect_end() { # <code> <reason>
  expect_code "$1"
  expect_log "exit code $1 ($2" 5
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
  expect_end 0 "the emulator was started"
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
  expect_end 1 "closed by the user"
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
  expect_end 1 "closed by the user"
  expect_no_log "start download player"
  ;;

ExitQuestion)
  start_slow_download
  wd_click closebtn
  wd_wait_box message || fail "no exit question"
  wd_shot window-exit-question "$WD_BOX"
  [[ $(probe_line MessageBoxWindow) == *visible=1* ]] || fail "no exit question: $(probe list updateMainframe)"
  # "cancel": the box goes, the window takes input again, the download
  # goes on (its file grows after it).
  wd_click_box 2 # "cancel"
  # Told from the Windows side: without a window manager Wine waits up to
  # 2 s for one before it takes a hidden box's X window off the screen.
  gone=0
  for _ in $(seq 60); do
    [[ -z $(probe_line MessageBoxWindow) ]] && { gone=1; break; }
    sleep 0.1
  done
  (( gone )) || fail "the question stayed open after cancel: $(probe list updateMainframe)"
  [[ $(probe_line updateMainframe) == *enabled=1* ]] || fail "the window stays disabled: $(probe_line updateMainframe)"
  part="$folder/vpplayer2/rizodi.exe.tmp"
  size_before=$(stat -c %s "$part" 2>/dev/null || echo 0)
  grew=0
  for _ in $(seq 100); do
    (( $(stat -c %s "$part" 2>/dev/null || echo 0) > size_before )) && { grew=1; break; }
    sleep 0.1
  done
  (( grew )) || fail "the download stopped on cancel ($size_before bytes)"
  kill -0 "$WD_PROGRAM_PID" 2>/dev/null || fail "the program ended on cancel"
  # "sure": the process ends at once; the download stops there, nothing
  # is installed or started, and no other address is asked afterwards.
  wd_click closebtn
  wd_wait_box message || fail "no exit question the second time"
  wd_click_box 1 # "sure"
  wd_wait_exit 10 || true
  expect_end 1 "closed by the user"
  sleep 1
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  expect_no_log "_threadProcInstallPlayer"
  expect_no_log "download failed"
  installer_requests=$(grep -c 'rizodi.exe' "$work/vendor-server.log" || true)
  [[ $installer_requests == 1 ]] ||
    fail "the vendor saw $installer_requests installer requests, wanted the one stopped: $(cat "$work/vendor-server.log")"
  ;;

EscapeCloses)
  start_slow_download
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_end 1 "closed by the user"
  expect_no_log "exit question"
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  ;;

SecondStart)
  wd_vendor normal
  wd_start
  first=$WD_PROGRAM_PID
  wd_main_window
  first_window=$WD_MAIN
  # Minimised from the Windows side: without a window manager nothing on X
  # can minimise it.
  probe minimize updateMainframe >"$work/minimised.txt" || fail "could not minimise: $(cat "$work/minimised.txt")"
  # The second start: ends with 0, shows nothing.
  "$bdir/wine-run.sh" "$bdir/KolvexSetup.exe" >"$work/second.out" 2>&1 &
  second=$!
  seen_second=0
  for _ in $(seq 200); do
    kill -0 "$second" 2>/dev/null || break
    [[ -n $(wd_windows | awk -v first="$first_window" '$1 != first && $2 == 610 && $3 == 480') ]] && seen_second=1
    sleep 0.1
  done
  set +e
  wait "$second"
  second_code=$?
  set -e
  [[ $second_code == 7 ]] || fail "second start ended with $second_code, wanted 7 (another installer runs)"
  (( seen_second == 0 )) || fail "the second start showed a window"
  expect_log "VPDownloaderModel::popupExistPwnd exist"
  expect_log "onHandleWindowIPC, msg = 11123"
  [[ $(wd_log | grep -c "player, create main window") == 2 ]] || fail "not one show request handled by the first"
  # The first comes back: restored, shown, in front, taking input.
  back=
  for _ in $(seq 50); do
    back=$(probe_line updateMainframe)
    [[ $back == "updateMainframe visible=1 iconic=0 enabled=1 foreground=1" ]] && break
    sleep 0.1
  done
  [[ $back == "updateMainframe visible=1 iconic=0 enabled=1 foreground=1" ]] ||
    fail "the first window was not restored and in front: $back (minimised: $(cat "$work/minimised.txt"))"
  [[ $(probe list updateMainframe | grep -c '^updateMainframe ') == 1 ]] || fail "more than one main window"
  wd_shot window-second-start
  WD_PROGRAM_PID=$first
  xdotool key --window "$first_window" Escape
  wd_wait_exit 20 || true
  expect_end 1 "closed by the user"
  ;;

DownloadError)
  # A browser stand-in takes the https links of the test prefix.
  cp "$bdir/tools/standin.exe" "$work/iexplore.exe"
  handler_saved=$("$bdir/wine-run.sh" reg query "$handler_key" /ve 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *//p')
  [[ -n $handler_saved ]] || fail "no https handler in the prefix to stand in for"
  "$bdir/wine-run.sh" reg add "$handler_key" /ve /d "\"$(wd_winpath "$work/iexplore.exe")\" \"%1\"" /f \
    >/dev/null 2>&1
  wd_vendor fail-all
  wd_install_into "$win"
  # Every try on both addresses fails first, a second apart: the box comes
  # after about ten seconds.
  expect_log "download failed, showing the error box: download_error_content" 60
  wd_wait_box message || fail "no download error box"
  wd_shot window-download-error "$WD_BOX"
  expect_log "loadingprogresslabel 下载失败"
  # Nothing downloads any more: the switch check (every 10 s) is silent
  # from the failure on, the box staying open.
  sleep 12
  wd_log | sed -n '/download failed, showing the error box/,$p' | grep -F "_needUseEnUrl" &&
    fail "the switch timer runs on after the failure"
  [[ $(probe_line MessageBoxWindow) == *visible=1* ]] || fail "no error box: $(probe list updateMainframe)"
  wd_click_box 1 # "go_homePage"
  for _ in $(seq 100); do [[ -s $work/standin-journal.txt ]] && break; sleep 0.1; done
  [[ $(wd_journal "$work") == "iexplore.exe	\"https://www.kolvex.com/\"" ]] ||
    fail "home page not opened once: $(wd_journal "$work")"
  # The box goes (told from the Windows side, see ExitQuestion); the window
  # stays, waiting to be closed.
  gone=0
  for _ in $(seq 60); do
    [[ -z $(probe_line MessageBoxWindow) ]] && { gone=1; break; }
    sleep 0.1
  done
  (( gone )) || fail "the box stayed after its button"
  kill -0 "$WD_PROGRAM_PID" 2>/dev/null || fail "the program ended after the error box"
  # The browser had the front: the user clicks the window, then Escape.
  wd_click logoControl
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_end 2 "download failed"
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
  # Slow enough that page 3 is still there for its screenshot.
  wd_vendor normal 0 --games hostile --apk-rate 100
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
  expect_end 1 "closed by the user"
  expect_log "package worker stopped before the installation" 1
  # What a late worker would have done has had time to show.
  sleep 3
  wd_journal "$folder/vpplayer2" | grep -E '^(vpconsole|vpplayer)\.exe' && fail "installed or started after the close"
  [[ -e "$folder/vpplayer2/Game 1.apk" || -e "$folder/vpplayer2/Game 2.apk" ]] && fail "a package was saved"
  ;;

InstallFailed)
  # The installer stand-in ends with 1 and installs nothing the first time.
  export STANDIN_RIZODI_FAIL_RUNS=1
  wd_vendor normal
  wd_install_into "$win"
  expect_log "installation failed: the installer failed and left no player, code 1" 60
  wd_wait_box message || fail "no box for the failed installation"
  wd_shot window-install-failed "$WD_BOX"
  expect_log "loadingprogresslabel 安装失败"
  # Closed without a retry: nothing started, the run says why.
  xdotool key --window "$WD_BOX" Escape
  wd_wait_no_box || true
  wd_click logoControl
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_end 6 "installation failed, 1"
  [[ $(wd_journal "$folder/vpplayer2" | cut -f1 | tr '\n' ' ') == "rizodi.exe " ]] ||
    fail "other programs than the installer started: $(wd_journal "$folder/vpplayer2")"
  [[ ! -e $folder/vpplayer2/vpplayer.exe ]] || fail "a player was left"

  # Again, and its retry button: the installation runs from the file that
  # is there (no second download), succeeds, and the player starts.
  rm -f "$folder/vpplayer2/standin-journal.txt"
  wd_install_into "$win"
  wd_wait_box message || fail "no box the second time"
  served_before=$(grep -c 'vendor-server: installer ' "$work/vendor-server.log" || true)
  wd_click_box 1 # retry
  expect_log "installation run again from the downloaded file" 10
  wd_wait_exit 60 || true
  expect_end 0 "the emulator was started"
  expect_player_line ""
  [[ $(wd_journal "$folder/vpplayer2" | grep -c '^rizodi.exe') == 2 ]] || fail "not run twice: $(wd_journal "$folder/vpplayer2")"
  [[ $(grep -c 'vendor-server: installer ' "$work/vendor-server.log" || true) == "$served_before" ]] ||
    fail "the retry downloaded again"

  # An installer that ends with 1 but leaves the player: the run goes on.
  unset STANDIN_RIZODI_FAIL_RUNS
  export STANDIN_RIZODI_EXIT=1
  rm -rf "$folder/vpplayer2"
  wd_install_into "$win"
  wd_wait_exit 90 || true
  expect_end 0 "the emulator was started"
  expect_log "installation: the installer reported a failure, but the player is there, code 1"
  expect_player_line ""
  [[ -z $(wd_boxes) ]] || fail "a box opened"
  ;;

DiskFull)
  # The install folder lies on a small file system of its own, too small
  # for the installer; the drive's root reports the host's free space, so
  # the check before the download passes as on a real machine.
  mkdir -p "$folder/vpplayer2"
  program=
  if mount -t tmpfs -o size=400k tmpfs "$folder/vpplayer2" 2>/dev/null; then
    mounted="$folder/vpplayer2"
    echo "the install folder is a 400 KiB file system"
  else
    # No small file system here: the twin whose writes meet a full disk.
    program="$bdir/tests/KolvexSetup-fulldisk.exe"
    echo "cannot mount a file system here: the twin with a full disk runs"
  fi
  wd_vendor normal 400
  wd_install_into "$win" "$program"
  expect_log "download failed, showing the error box: MsgBox_disk_notEnough" 60
  wd_wait_box message || fail "no disk box"
  wd_shot window-disk-full "$WD_BOX"
  expect_log "the disk is full: no further attempt"
  # One request, no retry, no other mirror.
  [[ $(grep -c 'vendor-server: installer ' "$work/vendor-server.log" || true) == 1 ]] ||
    fail "more than one installer request: $(grep 'vendor-server: installer ' "$work/vendor-server.log")"
  xdotool key --window "$WD_BOX" Escape
  wd_wait_no_box || true
  wd_click logoControl
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_end 3 "disk full"
  # The partial stays for a later run, with a record that never claims more.
  part="$folder/vpplayer2/rizodi.exe.tmp"
  [[ -s $part ]] || fail "the partial is gone"
  have=$(sed -n 's/^have //p' "$part.resume" 2>/dev/null)
  [[ -n $have ]] && (( have <= $(stat -c %s "$part") )) || fail "no record, or one that claims more than the file: $have"
  cmp -s -n "$(stat -c %s "$part")" "$part" "$work/root/rizodi.exe" || fail "the partial is not the file's beginning"
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  ;;

WebPage)
  # A hotel network's sign-in page at both addresses, with 200.
  wd_vendor html-all
  wd_install_into "$win"
  expect_log "download failed, showing the error box: download_webpage_content" 90
  wd_wait_box message || fail "no box"
  wd_shot window-web-page "$WD_BOX"
  expect_log "web page instead of the installer: status 200, Content-Type text/html; charset=utf-8"
  expect_log "loadingprogresslabel 下载失败"
  xdotool key --window "$WD_BOX" Escape
  wd_wait_no_box || true
  wd_click logoControl
  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  expect_end 4 "a web page instead of the installer"
  [[ -z $(wd_journal "$folder/vpplayer2") ]] || fail "programs started: $(wd_journal "$folder/vpplayer2")"
  left=$(find "$folder" -name 'rizodi.exe*')
  [[ -z $left ]] || fail "files left: $left"
  ;;

GamePackageMissing)
  # The second game's package is not there; the console tool hangs on the
  # resolution step past its bound.
  export STANDIN_VPCONSOLE_MODIFY_SLEEP_MS=34000
  wd_vendor normal 0 --games one-missing
  wd_install_into "$win" "$(game_copy)"
  expect_log "select page 3" 90
  if wd_wait_log "apkinstallprogresslabel 无法下载：Game 2" 60; then
    wd_shot window-game-missing
  else
    fail "page 3 did not name the missing game"
  fi
  expect_log "console tool still running after 30000 ms, going on without it" 45
  wd_wait_exit 90 || true
  expect_end 0 "the emulator was started"
  expect_player_line "package=com.example.game1"
  wd_journal "$folder/vpplayer2" | grep -F 'Game 2' && fail "the console tool was handed the missing game"
  [[ $(wd_journal "$folder/vpplayer2" | grep -c '^vpconsole.exe	installapk') == 1 ]] ||
    fail "not one package installed: $(wd_journal "$folder/vpplayer2")"
  ;;

ResumeRelaunch)
  # The installer comes slowly; the window is closed at about half of it.
  part="$folder/vpplayer2/rizodi.exe.tmp"
  size=$(stat -c %s "$bdir/tools/standin-signed.exe")
  cut_at_half() { # <how: close|kill>
    for _ in $(seq 300); do
      (( $(stat -c %s "$part" 2>/dev/null || echo 0) * 2 >= size )) && break
      sleep 0.1
    done
    if [[ $1 == close ]]; then
      xdotool key --window "$WD_MAIN" Escape
    else
      # As a power cut would: no chance to write anything more. The
      # program's own process, the one of this prefix.
      local pid
      for pid in $(pgrep -f 'KolvexSetup\.exe$' || true); do
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$bdir/wineprefix" && kill -9 "$pid"
      done
    fi
    wd_wait_exit 20 || true
  }
  served_line() { grep 'vendor-server: installer ' "$work/vendor-server.log" | tail -1; }
  wd_vendor normal 100
  wd_install_into "$win"
  cut_at_half close
  expect_end 1 "closed by the user"
  have=$(stat -c %s "$part" 2>/dev/null || echo 0)
  (( have > 0 && have < size )) || fail "no partial after the close: $have of $size bytes"
  [[ $(sed -n 's/^have //p' "$part.resume" 2>/dev/null) == "$have" ]] || fail "the record does not name the partial's size"
  wd_install_into "$win"
  wd_wait_exit 90 || true
  expect_end 0 "the emulator was started"
  line=$(served_line)
  echo "relaunch: $line"
  [[ $line == *"range \"bytes=$have-\" if-range \"\""* && $line == *"status 206 served $((size - have)) bytes"* ]] ||
    fail "the relaunch did not ask for the rest only: $line"
  cmp -s "$folder/vpplayer2/rizodi.exe" "$work/root/rizodi.exe" || fail "the continued file differs from the served one"
  [[ ! -e $part.resume ]] || fail "the record stayed"

  # Cut again (the process killed), then the server's file changes: the
  # relaunch starts over and ends with the new file.
  rm -rf "$folder/vpplayer2"
  wd_install_into "$win"
  cut_at_half kill
  [[ -s $part ]] || fail "no partial after the kill"
  osslsigncode sign -certs "$bdir/signing/test-publisher.pem" -key "$bdir/signing/test-publisher.key" -h sha256 \
    -n "Kolvex test material, second edition" -in "$bdir/tools/standin.exe" -out "$work/new.exe" >/dev/null
  mv "$work/new.exe" "$work/root/rizodi.exe"
  wd_install_into "$win"
  wd_wait_exit 90 || true
  expect_end 0 "the emulator was started"
  line=$(served_line)
  echo "after the change: $line"
  [[ $line == *"range \"bytes="*"if-range \"\""*"status 200 served $(stat -c %s "$work/root/rizodi.exe") bytes"* ]] ||
    fail "the relaunch did not start over with the new file: $line"
  cmp -s "$folder/vpplayer2/rizodi.exe" "$work/root/rizodi.exe" || fail "the result is not the new file"
  ;;

*)
  echo "unknown case $case" >&2
  exit 2
  ;;
esac
echo "$case: exit code $WD_CODE; stand-ins saw:"
wd_journal "$folder/vpplayer2" | sed 's/^/   /'
finish
