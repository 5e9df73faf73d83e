# Drives the real installer on the X display as a user would: the vendor
# stand-in on the build's service port, the program under Wine, clicks and
# keys through xdotool, screenshots of its windows, its log and the
# stand-ins' journal. Sourced by the demo and by the window tests after
# scripts/common.sh; every wait is bounded.
#
#   wd_init BUILD WORK      folders; WD_LOG, WD_SHOTS
#   wd_vendor MODE [KIB/S [ARGS...]]  the vendor stand-in on the build's port
#                           (18080); ARGS go to it as they are (--games two)
#   wd_start [PROGRAM]      starts the installer (env STANDIN_* passes on)
#   wd_game_copy NAME       a copy of the installer named NAME in the build
#                           folder (its file name carries launch parameters)
#   wd_main_window          waits for the main window: WD_X WD_Y
#   wd_click NAME           clicks a control of the main window by name
#   wd_type_folder TEXT     (custom view) folder edit, text, focus elsewhere
#   wd_install_into TEXT [PROGRAM]  start, custom view, folder, install button
#   wd_boxes                the program's other visible windows (boxes)
#   wd_wait_box             waits for one: WD_BOX, WD_BOX_X/Y/W/H
#   wd_wait_no_box          waits until none is open
#   wd_click_box N          clicks the box's Nth button from the left
#   wd_shot NAME [WID]      screenshot of a window into WD_SHOTS/NAME.png
#   wd_wait_exit SECONDS    waits for the program's end: WD_CODE
#   wd_log                  the log lines the run added
#   wd_wait_log TEXT SECS   waits for a log line holding TEXT
#   wd_winpath PATH         the Windows path of a host path
#   wd_proxy [ARGS...]      the proxy stand-in on the build's proxy port, its
#                           script on the next (WD_PROXY_PORT, WD_SCRIPT_PORT;
#                           each request line in WD_WORK/proxy.log)
#   wd_internet_settings fixed PROXY [BYPASS] | script URL | none
#                           the prefix's Internet options, as WinInet and
#                           WinHTTP read them; wd_stop puts the old ones back
#   wd_acc ARGS...          a screen reader's view of the windows
#                           (tests/acc-probe.exe: tree, get, do, where, ...)
#   wd_focused [CLASS]      the name of the control with the focus
#   wd_press KEYS...        real key presses, to the window with the focus
#   wd_tab_to NAME [CLASS]  Tab until NAME has the focus; false if never
#   wd_set_dpi DPI          the prefix's display scaling for programs started
#                           after (WD_DPI); positions follow
#   wd_restore_dpi          the prefix's scaling as before the first wd_set_dpi
#   wd_scaled N             a length of the layouts in pixels at WD_DPI
#   wd_stop                 ends what this driver started

WD_PORT=18080
WD_PROGRAM_PID=
# The X class of the program's windows: Wine names it after the program.
WD_CLASS=kolvexsetup
WD_PROGRAM_NAME=KolvexSetup.exe
WD_VENDOR_PID=
WD_PROXY_PID=
WD_SETTINGS_SAVED=
WD_CODE=
WD_DPI=96

wd_init() { # <build dir> <work dir>
  WD_BUILD=$1
  WD_WORK=$2
  WD_PORT=$(cat "$WD_BUILD/standin-port" 2>/dev/null || echo 18080)
  WD_SHOTS="$WD_BUILD/screenshots"
  WD_LOG="$WD_BUILD/wineprefix/drive_c/users/$(whoami)/AppData/Roaming/Bexmoor2/log/vpinstall.log"
  # The program starts its log over once it holds 1 MiB, which a run
  # crossing that mark would lose its first lines to: each user of the
  # driver begins with a fresh one.
  rm -f "$WD_LOG"
  mkdir -p "$WD_WORK" "$WD_SHOTS"
  wd_positions
}

# Centres of the controls, in window coordinates, as the toolkit lays the
# main layout out (normal view, custom view, progress page).
declare -gA WD_POS=()
wd_positions() {
  local name x y view
  for view in normal custom; do
    local args=()
    [[ $view == custom ]] && args=(--custom)
    while read -r name x y; do
      [[ $x == - || -z $y ]] && continue
      WD_POS["$view:$name"]="$x $y"
    done < <("$WD_BUILD/wine-run.sh" "$WD_BUILD/tools/vpgallery.exe" "${args[@]}" --where \
      installnowbtn,userdefinitionBtn,backBtn,closebtn,minbtn,acceptprotocolopt,protocollinkbtn,logoControl,pathedit,browsebtn,homepageBtn \
      mainframe.xml 2>/dev/null | tr -d '\r')
  done
}

wd_scaled() { echo $(( ($1 * WD_DPI + 48) / 96 )); }

wd_set_dpi() { # <dpi>
  set_prefix_dpi "$WD_BUILD" "$1"
  WD_DPI=$1
  wd_positions
}

wd_restore_dpi() {
  restore_prefix_dpi "$WD_BUILD"
  WD_DPI=96
}

port_open() { python3 -c "import socket; socket.create_connection(('127.0.0.1', $WD_PORT), 0.2)" 2>/dev/null; }

# Serves the stand-in installer, signed as the vendor signs it, from the
# work folder; a rate makes its download last.
wd_vendor() { # <mode> [KiB/s [vendor args...]]
  local mode=$1 rate=${2:-0}
  shift $(( $# >= 2 ? 2 : $# ))
  if [[ -n $WD_VENDOR_PID ]]; then
    kill "$WD_VENDOR_PID" 2>/dev/null || true
    wait "$WD_VENDOR_PID" 2>/dev/null || true
    WD_VENDOR_PID=
  fi
  mkdir -p "$WD_WORK/root"
  cp "$WD_BUILD/tools/standin-signed.exe" "$WD_WORK/root/rizodi.exe"
  # Another run on this machine may hold the port for a while.
  for _ in $(seq 120); do port_open || break; sleep 0.5; done
  if port_open; then
    echo "port $WD_PORT stays taken: stop what listens there" >&2
    return 1
  fi
  "$repo/tools/vendor-server/vendor-server" --port "$WD_PORT" --root "$WD_WORK/root" --mode "$mode" \
    --rate "$rate" --lifetime 300 "$@" 2>>"$WD_WORK/vendor-server.log" &
  WD_VENDOR_PID=$!
  for _ in $(seq 50); do port_open && return 0; sleep 0.1; done
  echo "the vendor stand-in did not start" >&2
  return 1
}

wd_proxy() { # [proxy-server args...]
  wd_proxy_stop
  read -r WD_PROXY_PORT WD_SCRIPT_PORT <"$WD_BUILD/proxy-ports"
  local p
  for p in "$WD_PROXY_PORT" "$WD_SCRIPT_PORT"; do
    for _ in $(seq 120); do WD_PORT=$p port_open || break; sleep 0.5; done
  done
  "$repo/tools/proxy-server/proxy-server" --port "$WD_PROXY_PORT" --script-port "$WD_SCRIPT_PORT" \
    --log "$WD_WORK/proxy.log" --lifetime 300 "$@" 2>>"$WD_WORK/proxy-server.log" &
  WD_PROXY_PID=$!
  for _ in $(seq 50); do WD_PORT=$WD_PROXY_PORT port_open && return 0; sleep 0.1; done
  echo "the proxy stand-in did not start" >&2
  return 1
}

wd_proxy_stop() {
  if [[ -n $WD_PROXY_PID ]]; then
    kill "$WD_PROXY_PID" 2>/dev/null || true
    wait "$WD_PROXY_PID" 2>/dev/null || true
  fi
  WD_PROXY_PID=
}

WD_INET='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
wd_reg() { "$WD_BUILD/wine-run.sh" reg "$@" >/dev/null 2>&1; }

# WinInet reads the values of the Internet Settings key; WinHTTP (and so
# the installer's own proxy decision) the binary connection settings:
# version 0x46, a counter, flags (1 direct, 2 proxy, 4 script, 8 detect),
# then the proxy, bypass list and script address, each with its length.
wd_internet_settings() { # fixed PROXY [BYPASS] | script URL | none
  local kind=$1 proxy= bypass= script= flags=1
  case $kind in
  fixed) proxy=$2; bypass=${3:-}; flags=3 ;;
  script) script=$2; flags=5 ;;
  none) ;;
  *) echo "wd_internet_settings: fixed, script or none" >&2; return 1 ;;
  esac
  if [[ -z $WD_SETTINGS_SAVED ]]; then
    WD_SETTINGS_SAVED="$WD_WORK/internet-settings.reg"
    rm -f "$WD_SETTINGS_SAVED"
    "$WD_BUILD/wine-run.sh" reg export "$WD_INET" "$(wd_winpath "$WD_SETTINGS_SAVED")" /y >/dev/null 2>&1 ||
      WD_SETTINGS_SAVED="$WD_WORK/none"
  fi
  local blob
  blob=$(python3 -c '
import struct, sys
proxy, bypass, script, flags = sys.argv[1].encode(), sys.argv[2].encode(), sys.argv[3].encode(), int(sys.argv[4])
data = struct.pack("<III", 0x46, 1, flags)
for text in (proxy, bypass, script):
    data += struct.pack("<I", len(text)) + text
print((data + bytes(32)).hex())' "$proxy" "$bypass" "$script" "$flags")
  wd_reg add "$WD_INET\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$blob" /f
  wd_reg add "$WD_INET" /v ProxyEnable /t REG_DWORD /d $(( flags & 2 ? 1 : 0 )) /f
  wd_reg add "$WD_INET" /v ProxyServer /d "$proxy" /f
  wd_reg add "$WD_INET" /v ProxyOverride /d "$bypass" /f
  if [[ -n $script ]]; then wd_reg add "$WD_INET" /v AutoConfigURL /d "$script" /f
  else wd_reg delete "$WD_INET" /v AutoConfigURL /f || true; fi
}

wd_internet_settings_restore() {
  [[ -n $WD_SETTINGS_SAVED ]] || return 0
  local value
  for value in ProxyEnable ProxyServer ProxyOverride AutoConfigURL; do wd_reg delete "$WD_INET" /v "$value" /f || true; done
  wd_reg delete "$WD_INET\Connections" /v DefaultConnectionSettings /f || true
  [[ -f $WD_SETTINGS_SAVED ]] && "$WD_BUILD/wine-run.sh" reg import "$(wd_winpath "$WD_SETTINGS_SAVED")" >/dev/null 2>&1
  WD_SETTINGS_SAVED=
}

wd_game_copy() { # <file name>
  cp "$WD_BUILD/KolvexSetup.exe" "$WD_BUILD/$1"
  echo "$WD_BUILD/$1"
}

wd_log_size() { [[ -f $WD_LOG ]] && stat -c %s "$WD_LOG" || echo 0; }

wd_start() { # [program]
  local program=${1:-}
  [[ -n $program ]] || program=$WD_BUILD/KolvexSetup.exe
  WD_PROGRAM_NAME=$(basename "$program")
  WD_CLASS=$(basename "$program" .exe | tr 'A-Z' 'a-z' | sed 's/[.]/[.]/g')
  WD_LOG_START=$(wd_log_size)
  WD_CODE=
  "$WD_BUILD/wine-run.sh" "$program" >"$WD_WORK/program.out" 2>&1 &
  WD_PROGRAM_PID=$!
}

# Visible windows of the installer's process kind, one "id w h x y" a line.
wd_windows() {
  local wid
  for wid in $(xdotool search --onlyvisible --classname "$WD_CLASS" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$wid" 2>/dev/null)" || continue
    (( WIDTH > 1 && HEIGHT > 1 )) && echo "$wid $WIDTH $HEIGHT $X $Y"
  done
}

# The main window: 610x480 at the display's scale (within 2 pixels).
wd_main_window() {
  local line w h
  w=$(wd_scaled 610)
  h=$(wd_scaled 480)
  for _ in $(seq 200); do
    line=$(wd_windows | awk -v w="$w" -v h="$h" '$2 >= w - 2 && $2 <= w + 2 && $3 >= h - 2 && $3 <= h + 2' | head -1)
    if [[ -n $line ]]; then
      read -r WD_MAIN _ _ WD_X WD_Y <<<"$line"
      sleep 0.5 # first paint
      return 0
    fi
    sleep 0.1
  done
  echo "no installer window appeared" >&2
  return 1
}

# Boxes and the licence window; tooltips are smaller.
wd_boxes() { wd_windows | awk -v main="${WD_MAIN:-0}" '$1 != main && $2 >= 200 && $3 >= 100'; }

# Waits for a window other than the main one: WD_BOX_X/Y/W/H. A message
# box counts once its dark title bar is on the screen: under Wine without
# a window manager a closed box's X window may stay mapped for a while.
wd_wait_box() { # [message: only a drawn message box]
  local line end=$((SECONDS + 10))
  while (( SECONDS < end )); do
    while read -r line; do
      [[ -n $line ]] || continue
      read -r WD_BOX WD_BOX_W WD_BOX_H WD_BOX_X WD_BOX_Y <<<"$line"
      if [[ -z ${1:-} ]] || wd_box_drawn; then
        sleep 0.5
        return 0
      fi
    done < <(wd_boxes)
    sleep 0.1
  done
  return 1
}

# Whether the message box WD_BOX is drawn: its title bar's colour.
wd_box_drawn() {
  import -window root "$WD_WORK/probe.png" 2>/dev/null || return 1
  local rgb
  rgb=$(/usr/bin/convert "$WD_WORK/probe.png" -crop "1x1+$((WD_BOX_X + 200))+$((WD_BOX_Y + 5))" -depth 8 txt:- |
    tail -1 | grep -o '#[0-9A-Fa-f]\{6\}')
  local r=$((16#${rgb:1:2})) g=$((16#${rgb:3:2})) b=$((16#${rgb:5:2}))
  (( r < 40 && g < 40 && b < 48 ))
}

# Waits until no box is open; false when one stays.
wd_wait_no_box() {
  local end=$((SECONDS + 10))
  while (( SECONDS < end )); do
    [[ -z $(wd_boxes) ]] && return 0
    sleep 0.1
  done
  return 1
}

# Centres (x in the box) of the box's buttons, left to right: runs of the
# bottom bar's row that differ from the box's body colour.
wd_box_buttons() {
  wd_shot wd-box "$WD_BOX" || return 1
  local y=$((WD_BOX_H - $(wd_scaled 34)))
  /usr/bin/convert "$WD_SHOTS/wd-box.png" -crop "${WD_BOX_W}x1+0+$y" +repage -depth 8 txt:- | python3 -c '
import re, sys
px = {}
for line in sys.stdin:
    m = re.match(r"(\d+),0: \((\d+),(\d+),(\d+)", line)
    if m:
        px[int(m.group(1))] = tuple(int(v) for v in m.group(2, 3, 4))
body = px.get(8)
if body is None:
    sys.exit(1)
inside = [x for x in sorted(px) if sum(abs(a - b) for a, b in zip(px[x], body)) > 24]
runs = []
for x in inside:
    if runs and x - runs[-1][1] <= 8:
        runs[-1][1] = x
    else:
        runs.append([x, x])
print(" ".join(str((a + b) // 2) for a, b in runs if b - a >= 20))
'
}

# Clicks the box's Nth button from the left.
wd_click_box() { # <n>
  local centres x
  centres=$(wd_box_buttons) || return 1
  x=$(echo "$centres" | awk -v n="$1" '{ print $n }')
  [[ -n $x ]] || { echo "box has no button $1 ($centres)" >&2; return 1; }
  wd_click_at $((WD_BOX_X + x)) $((WD_BOX_Y + WD_BOX_H - $(wd_scaled 34)))
}

wd_click_at() { xdotool mousemove "$1" "$2" click 1; sleep 0.3; }

wd_click() { # <control name> [view: normal|custom]
  local pos=${WD_POS["${2:-normal}:$1"]:-}
  if [[ -z $pos ]]; then
    echo "no position for $1" >&2
    return 1
  fi
  local x y
  read -r x y <<<"$pos"
  wd_click_at $((WD_X + x)) $((WD_Y + y))
}

wd_type_folder() { # <text>: the custom view is open
  wd_click pathedit custom
  xdotool key ctrl+a
  xdotool type --delay 15 -- "$1"
  # Leaving the edit hands its text over.
  wd_click logoControl custom
}

# A whole start as a user who picks a folder: the program, its window, the
# custom view, the folder, the install button.
wd_install_into() { # <Windows folder text> [program]
  wd_start "${2:-}"
  wd_main_window
  wd_click userdefinitionBtn
  wd_type_folder "$1"
  wd_click installnowbtn custom
}

wd_shot() { # <name> [window id]
  local wid=${2:-${WD_MAIN:-}} geometry
  sleep 0.3
  geometry=$(xdotool getwindowgeometry --shell "$wid" 2>/dev/null) || {
    echo "no window $wid for $1" >&2
    return 1
  }
  eval "$geometry"
  import -window root "$WD_WORK/screen.png"
  /usr/bin/convert "$WD_WORK/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$WD_SHOTS/$1.png"
  rm -f "$WD_WORK/screen.png"
}

wd_wait_exit() { # <seconds>
  local limit=$(( $1 * 10 ))
  for _ in $(seq "$limit"); do
    kill -0 "$WD_PROGRAM_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$WD_PROGRAM_PID" 2>/dev/null; then
    WD_CODE=timeout
    return 1
  fi
  set +e
  wait "$WD_PROGRAM_PID"
  WD_CODE=$?
  set -e
  WD_PROGRAM_PID=
}

wd_log() {
  [[ -f $WD_LOG ]] || return 0
  local size
  size=$(wd_log_size)
  if (( size >= WD_LOG_START )); then tail -c +$((WD_LOG_START + 1)) "$WD_LOG"; else cat "$WD_LOG"; fi | tr -d '\r'
}

wd_wait_log() { # <text> <seconds>
  for _ in $(seq $(( $2 * 10 ))); do
    wd_log | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  return 1
}

# The bar values the window showed, in order, on one line.
wd_bar_values() { wd_log | sed -n 's/.*):installprogressbar \([0-9]*\)$/\1/p' | tr '\n' ' '; }

# Host path -> Windows path through the prefix's drive links.
wd_winpath() { # <host path>
  local path link target best= letter=
  path=$(realpath -m "$1")
  for link in "$WD_BUILD/wineprefix/dosdevices/"?:; do
    target=$(realpath -m "$link")
    [[ $path == "$target" || $path == "$target"/* || $target == / ]] || continue
    if (( ${#target} > ${#best} )) || [[ -z $letter ]]; then
      best=$target
      letter=$(basename "$link" | tr a-z A-Z)
    fi
  done
  local rest=${path#"$best"}
  rest=${rest#/}
  echo "$letter\\$(echo "$rest" | tr / '\\')"
}

# The stand-ins' journal of an install folder (host path), without CRs.
wd_journal() { [[ -f $1/standin-journal.txt ]] && tr -d "\r" <"$1/standin-journal.txt" || true; }

wd_acc() { "$WD_BUILD/wine-run.sh" "$WD_BUILD/tests/acc-probe.exe" "$@" | tr -d '\r'; }

wd_focused() { # [class]
  wd_acc tree "${1:-updateMainframe}" 2>/dev/null |
    awk -F' [|] ' 'NR > 1 && $3 ~ /(^|,)focused(,|$)/ { print $2; exit }' || true
}

wd_press() { xdotool key "$@"; sleep 0.3; }

wd_tab_to() { # <name> [class]
  for _ in $(seq 12); do
    [[ $(wd_focused "${2:-}") == "$1" ]] && return 0
    wd_press Tab
  done
  return 1
}

wd_stop() {
  if [[ -n $WD_PROGRAM_PID ]] && kill -0 "$WD_PROGRAM_PID" 2>/dev/null; then
    # Closed as a user would (Escape closes at once); the program's own
    # process, found by its path in this build, only when that fails.
    # The window may be gone already while the process ends.
    [[ -n ${WD_MAIN:-} ]] && { xdotool key --window "$WD_MAIN" Escape 2>/dev/null || true; }
    if ! wd_wait_exit 10; then
      local pid
      for pid in $(pgrep -f "^$WD_BUILD/.*\.exe" || true); do
        [[ $(tr '\0' ' ' </proc/"$pid"/cmdline 2>/dev/null) == *"$WD_PROGRAM_NAME"* ]] && kill "$pid" 2>/dev/null
      done
    fi
  fi
  if [[ -n $WD_VENDOR_PID ]]; then
    kill "$WD_VENDOR_PID" 2>/dev/null || true
    wait "$WD_VENDOR_PID" 2>/dev/null || true
  fi
  wd_proxy_stop
  wd_internet_settings_restore
  WD_PROGRAM_PID=
  WD_VENDOR_PID=
}
