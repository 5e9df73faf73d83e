#!/usr/bin/env bash
# Builds the installer and runs the real KolvexSetup.exe under Wine against
# the built-in loopback stand-ins (the vendor's services on 127.0.0.1:18080,
# the emulator's programs), on Xvfb when there is no display. It clicks
# through the window as a user would (custom view, folder, licence, exit
# question, install button), waits for the end and prints what happened;
# a second run meets a vendor whose every address fails; a third runs a copy
# of the installer made for one game (two games from the service: page 3
# fetches and installs both packages); a fourth closes the window halfway
# through a slow download and starts again, which continues the download; a
# fifth reaches the vendor only through a proxy stand-in named in the
# prefix's Internet options; a sixth installs from a copy of the emulator's
# installer lying beside the program; a seventh installs with the keyboard
# alone and prints what a screen reader hears; an eighth shows the window at
# 150 % display scaling (144 DPI). Screenshots of each state are left in
# the build folder.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$repo/scripts/setup.sh"

run_dir=$(runnable_build)
configure_and_build "$run_dir" "$(runnable_toolchain)" >/dev/null
if [[ $run_dir != "$build" ]]; then
  echo "note: this machine cannot run 32-bit programs; running the 64-bit build of the same sources"
fi

source "$repo/scripts/window_driver.sh"
cleanup() {
  wd_stop
  wd_restore_dpi
  stop_wine "$run_dir"
  stop_display
}
trap cleanup EXIT
start_display
"$run_dir/wine-run.sh" cmd /c exit >/dev/null 2>&1 # creates the prefix on first use
demo="$run_dir/demo"
rm -rf "$demo"
wd_init "$run_dir" "$demo"
# The stand-in installer records its installation under a key of the
# demo's own, so that every run starts as on a fresh machine; it runs for a
# few seconds, as a real one would.
export STANDIN_REGISTRY_KEY='Software\KolvexDemo\vpplayer'
export STANDIN_RIZODI_SLEEP_MS=4000
folder="$demo/Kolvex Demo"
mkdir -p "$folder"
win=$(wd_winpath "$folder")
shots=()
shot() { wd_shot "$1" "${2:-$WD_MAIN}" && shots+=("$WD_SHOTS/$1.png") || true; }
pages_seen() { # <run log>
  echo "== pages seen:"
  { echo "page 0 (start)"; sed -n 's/.*):select page \([0-9]*\)$/page \1/p' "$1"; } | sed 's/^/   /'
}
programs_started() { # <exit code>
  echo "== programs the stand-ins saw started ($win\vpplayer2):"
  wd_journal "$folder/vpplayer2" | sed 's/^/   /'
  echo "== exit code: $1"
}

echo "== run 1: install (display $DISPLAY)"
wd_vendor normal 150
wd_start
wd_main_window
shot demo-start-page
wd_click userdefinitionBtn
shot demo-custom-view
wd_type_folder 'Q:\no such drive'
wd_wait_log "install folder chosen: Q:" 10 && sleep 0.5
shot demo-invalid-folder
wd_type_folder "$win"
wd_click protocollinkbtn
if wd_wait_box; then
  shot demo-licence-window "$WD_BOX"
  xdotool key --window "$WD_BOX" Escape 2>/dev/null
  wd_wait_no_box || true
fi
wd_click closebtn
if wd_wait_box message; then
  shot demo-exit-question "$WD_BOX"
  xdotool key --window "$WD_BOX" Escape 2>/dev/null # as "cancel": the box closes
  wd_wait_no_box || true
fi
wd_click installnowbtn custom
wd_wait_log "start download player" 30 && sleep 1.5 && shot demo-downloading
wd_wait_log "installprogressbar 76" 60 && shot demo-installing
wd_wait_exit 120 || true
code=$WD_CODE
sleep 1 # the player is started without waiting for it
wd_log >"$demo/run1.log"

pages_seen "$demo/run1.log"
echo "== reports shown:"
grep -E '\):(exit question|licence window shown|install refused|download failed)' "$demo/run1.log" |
  sed 's/.*):/   /' || echo "   none"
echo "== bar values shown: $(wd_bar_values)"
programs_started "$code"
echo "== what the vendor stand-in served:"
sed 's/^/   /' "$demo/vendor-server.log"
echo "== log lines of this run ($WD_LOG):"
cat "$demo/run1.log"

echo "== run 2: every download address fails"
wd_vendor fail-all
wd_install_into "$win"
if wd_wait_box message; then
  shot demo-download-error "$WD_BOX"
  echo "   report shown: $(wd_log | grep -o 'download failed, showing.*' | head -1)"
  xdotool key --window "$WD_BOX" Escape 2>/dev/null
  sleep 0.5
fi
xdotool key --window "$WD_MAIN" Escape 2>/dev/null
wd_wait_exit 30 || true
echo "   exit code: $WD_CODE"

echo "== run 3: a copy for one game, Setup_com.example.game_12345.exe; the service names two games"
rm -f "$folder/vpplayer2/standin-journal.txt"
# The console tool takes its time, as the real one does, so the install
# bar is seen climbing.
export STANDIN_VPCONSOLE_SLEEP_MS=2000
wd_vendor normal 150 --games two --apk-rate 100
wd_install_into "$win" "$(wd_game_copy Setup_com.example.game_12345.exe)"
wd_wait_log "select page 3" 120 || echo "   page 3 not shown"
wd_wait_log "(1/2)" 30 && shot demo-game-1of2
wd_wait_log "(2/2)" 30 && shot demo-game-2of2
wd_wait_log "apkinstallprogresslabel 正在安装" 30 && sleep 3 && shot demo-game-installing
wd_wait_exit 120 || true
game_code=$WD_CODE
sleep 1 # the player is started without waiting for it
wd_log >"$demo/run3.log"
pages_seen "$demo/run3.log"
echo "== page 3 texts shown (mark-up removed):"
sed -n 's/.*):apkinstallprogresslabel //p' "$demo/run3.log" | sed 's/<[^>]*>//g; s/^/   /'
programs_started "$game_code"
[[ $code == 0 && $game_code != 0 ]] && code=1

echo "== run 4: the window closed halfway through a slow download, then started again"
unset STANDIN_VPCONSOLE_SLEEP_MS
rm -rf "$folder/vpplayer2"
: >"$demo/vendor-server.log"
wd_vendor normal 100
size=$(stat -c %s "$demo/root/rizodi.exe")
wd_install_into "$win"
for _ in $(seq 300); do
  (( $(stat -c %s "$folder/vpplayer2/rizodi.exe.tmp" 2>/dev/null || echo 0) * 2 >= size )) && break
  sleep 0.1
done
shot demo-resume-closing
xdotool key --window "$WD_MAIN" Escape
wd_wait_exit 30 || true
echo "   closed with $(stat -c %s "$folder/vpplayer2/rizodi.exe.tmp" 2>/dev/null || echo 0) of $size bytes; exit code $WD_CODE"
echo "   the record beside it ($win\vpplayer2\rizodi.exe.tmp.resume):"
sed 's/^/      /' "$folder/vpplayer2/rizodi.exe.tmp.resume" 2>/dev/null || echo "      none"
wd_install_into "$win"
wd_wait_log "continuing the partial download" 30 && shot demo-resume-continued
wd_wait_exit 120 || true
resume_code=$WD_CODE
echo "   what the vendor stand-in served for the installer:"
grep 'vendor-server: installer ' "$demo/vendor-server.log" | sed 's/^vendor-server: /      /'
echo "   served in all: $(grep 'vendor-server: installer ' "$demo/vendor-server.log" | tail -1 | sed 's/.*, \([0-9]*\) in all/\1/') bytes for a file of $size"
echo "   exit code: $resume_code ($(wd_log | sed -n 's/.*):exit code [0-9]* (\(.*\))$/\1/p' | tail -1))"
[[ $code == 0 && $resume_code != 0 ]] && code=1

echo "== run 5: a network whose only way out is a proxy (the installer's twin, vendor hosts no resolver knows)"
rm -f "$folder/vpplayer2/standin-journal.txt"
port=$(cat "$run_dir/standin-port")
wd_vendor normal 100 --public-host "vendor.kolvex.invalid:$port"
wd_proxy
wd_internet_settings fixed "127.0.0.1:$WD_PROXY_PORT" "<local>"
echo "   Internet options: proxy 127.0.0.1:$WD_PROXY_PORT, bypass <local>"
wd_install_into "$win" "$run_dir/tests/KolvexSetup-proxyonly.exe"
wd_wait_log "download rate shown:" 30 && shot demo-proxy-downloading
wd_wait_exit 120 || true
proxy_code=$WD_CODE
sleep 1
wd_log >"$demo/run4.log"
echo "== the installer's proxy decisions and the speed shown:"
grep -E '\):(proxy for|route for|proxy asks|download rate shown)' "$demo/run4.log" | sed 's/.*):/   /'
echo "== what the proxy stand-in passed on (time, form, request line, credentials, client):"
sed 's/^/   /' "$demo/proxy.log"
echo "== what reached the vendor stand-in:"
grep '"GET ' "$demo/vendor-server.log" | grep 'via=' | sed 's/^/   /'
programs_started "$proxy_code"
wd_proxy_stop
wd_internet_settings_restore
[[ $code == 0 && $proxy_code != 0 ]] && code=1

echo "== run 6: the emulator's installer already lies beside KolvexSetup.exe (on a stick, say)"
rm -f "$folder/vpplayer2/standin-journal.txt"
stick="$demo/stick"
mkdir -p "$stick"
cp "$run_dir/KolvexSetup.exe" "$stick/KolvexSetup.exe"
cp "$run_dir/tools/standin-signed.exe" "$stick/rizodi.exe"
wd_vendor normal
asked_before=$(grep -c 'rizodi.exe HTTP' "$demo/vendor-server.log" || true)
wd_install_into "$win" "$stick/KolvexSetup.exe"
wd_wait_exit 120 || true
copy_code=$WD_CODE
sleep 1
wd_log >"$demo/run5.log"
grep -E '\):(copy beside|installer taken|md5 mismatch|signature refused)' "$demo/run5.log" | sed 's/.*):/   /'
echo "   installer requests at the vendor stand-in in this run: $(( $(grep -c 'rizodi.exe HTTP' "$demo/vendor-server.log" || true) - asked_before ))"
echo "   bar values shown: $(wd_bar_values)"
programs_started "$copy_code"
[[ $code == 0 && $copy_code != 0 ]] && code=1

echo "== run 7: an install with the keyboard alone, and what a screen reader hears"
keys="$demo/Kolvex Keys"
mkdir -p "$keys"
keys_win=$(wd_winpath "$keys")
wd_vendor normal 150
wd_start
wd_main_window
echo "== page 0 as a screen reader hears it (role | name | states):"
wd_acc tree updateMainframe | sed 's/^/   /'
# No click from here on: the window has the keyboard, as after Alt+Tab.
xdotool windowfocus "$WD_MAIN"
echo "== keys pressed, and the control that then had the focus:"
key_step() { # <what was pressed> <keys...>
  wd_press "${@:2}"
  echo "   $1 -> $(wd_focused)"
}
key_step "Tab" Tab
key_step "Space (unticks)" space
echo "      install button: $(wd_acc get updateMainframe 快速安装)"
key_step "Space (ticks)" space
wd_tab_to 自定义安装 && key_step "Enter on 自定义安装" Return
if wd_tab_to 请选择安装路径; then
  wd_press ctrl+a
  xdotool type --delay 15 -- "$keys_win"
  echo "   typed $keys_win"
fi
wd_tab_to 立即安装 && shot demo-keyboard-focus-ring && key_step "Enter on 立即安装" Return
wd_wait_log "start download player" 30 && sleep 1.5 && shot demo-keyboard-downloading
echo "== page 2 as a screen reader hears it:"
wd_acc tree updateMainframe | sed 's/^/   /'
wd_wait_exit 120 || true
keys_code=$WD_CODE
sleep 1
echo "== programs the stand-ins saw started ($keys_win\vpplayer2):"
wd_journal "$keys/vpplayer2" | sed 's/^/   /'
echo "== exit code: $keys_code"
[[ $code == 0 && $keys_code != 0 ]] && code=1

echo "== run 8: the window at 150 % display scaling (144 DPI)"
wd_set_dpi 144
wd_start
if wd_main_window; then
  echo "   window: $(wd_windows | awk -v id="$WD_MAIN" '$1 == id { print $2 "x" $3 }'), log: $(wd_log | grep -o 'display scaling.*')"
  shot demo-144dpi-start-page
  wd_click userdefinitionBtn
  shot demo-144dpi-custom-view
  wd_click protocollinkbtn
  if wd_wait_box; then
    shot demo-144dpi-licence-window "$WD_BOX"
    xdotool key --window "$WD_BOX" Escape 2>/dev/null
    wd_wait_no_box || true
  fi
  wd_click closebtn
  if wd_wait_box message; then
    shot demo-144dpi-exit-question "$WD_BOX"
    xdotool key --window "$WD_BOX" Escape 2>/dev/null
    wd_wait_no_box || true
  fi
  xdotool key --window "$WD_MAIN" Escape 2>/dev/null
  wd_wait_exit 30 || true
  echo "   exit code: $WD_CODE"
else
  echo "   no window at 144 DPI"
  code=1
fi
wd_restore_dpi

echo "== screenshots:"
printf '   %s\n' "${shots[@]}"
exit "$code"
