#!/usr/bin/env bash
# The installer's dialogs on the X display, driven by real clicks, keys and
# the wheel through xdotool: vpdialogs opens them over an owner window and
# journals button actions, owner input and state changes. Screenshots stay
# in <build>/screenshots/ (dialogs_*.png).
set -euo pipefail
source "$(dirname "$0")/display_test.sh" "$1" "$2" DialogsInput

journal=
# Waits up to 6 s for a journal line starting with the prefix; prints the
# last such line without the prefix.
wait_line() { # <prefix>
  local line=
  for _ in $(seq 60); do
    line=$(grep -F -- "$1" "$journal" 2>/dev/null | tail -1 || true)
    [[ -n $line ]] && { echo "${line#"$1"}"; return 0; }
    sleep 0.1
  done
  return 1
}

expect_line() { # <exact line> [count]
  local count=${2:-1} seen
  for _ in $(seq 40); do
    seen=$(grep -cxF -- "$1" "$journal" || true)
    (( seen >= count )) && break
    sleep 0.1
  done
  sleep 0.2
  seen=$(grep -cxF -- "$1" "$journal" || true)
  (( seen == count )) || { fail "$(basename "$journal"): '$1' seen $seen times, wanted $count"; cat "$journal"; }
}

# Starts vpdialogs; waits for the owner window.
run_tool() { # <journal name> <vpdialogs args...>
  journal="$work/$1.log"
  local name=$1
  shift
  : >"$journal"
  "$bdir/wine-run.sh" "$bdir/tools/vpdialogs.exe" --journal "tests\\scratch\\DialogsInput\\$name.log" "$@" \
    >"$work/tool.out" 2>&1 &
  child=$!
  wait_line "owner at " >/dev/null || { fail "no owner window for $*"; cat "$work/tool.out"; return 1; }
  sleep 0.6
}

# Ends the tool: Escape closes whatever dialog has the focus, a right click
# on the (then enabled) owner ends the tool; as a last resort its processes
# are ended by their ids.
end_tool() {
  [[ -z $child ]] && return 0
  for _ in 1 2 3; do
    xdotool key Escape
    sleep 0.3
    xdotool mousemove 60 60 click 3
    for _ in $(seq 20); do
      kill -0 "$child" 2>/dev/null || { wait "$child" || true; child=; return 0; }
      sleep 0.1
    done
  done
  fail "vpdialogs did not end"
  local pids
  pids=$(pgrep -P "$child" || true)
  [[ -n $pids ]] && kill $pids 2>/dev/null || true
  kill "$child" 2>/dev/null || true
  child=
}

shot() { # <name> <x> <y> <w> <h>: that part of the screen
  sleep 0.4
  import -window root "$work/screen.png"
  "$im" "$work/screen.png" -crop "$4x$5+$2+$3" +repage "$shots/$1.png"
}

centre_of() { # "<x> <y> <w> <h>" -> "cx cy"
  read -r x y w h <<<"$1"
  echo $((x + w / 2)) $((y + h / 2))
}

click_screen() { xdotool mousemove "$1" "$2" click 1; }


# --- The exit question: two buttons, no icon; owner held; the same text
# requested again shows nothing; the grey button's action runs first.
run_tool question question --again 1500
box=$(wait_line "box at ") || fail "no box"
read -r bx by bw bh <<<"$box"
(( bw == 410 && bh == 210 )) || fail "box is ${bw}x$bh"
shot dialogs_box_question "$bx" "$by" "$bw" "$bh"
# No icon: the body's left part is the dark box body, not the red icon.
[[ $(awk "BEGIN{print ($(mean dialogs_box_question 50 74 36 36) < 0.3)}") == 1 ]] || fail "icon shown without icon path"
expect_line "state open 1 owner disabled"
click_screen 60 60
xdotool key a
expect_line "request again"
expect_line "boxes 1" 2
sure=$(wait_line "button 1 at ")
cancel=$(wait_line "button 2 at ")
read -r s1 _ <<<"$sure"
read -r c1 _ <<<"$cancel"
(( s1 < c1 )) || fail "buttons out of order: $sure / $cancel"
click_screen $(centre_of "$sure")
expect_line "action sure shown registered"
# The owner takes input again and has the activation back.
expect_line "state open 0 owner enabled active"
[[ -z $(grep -F "action cancel" "$journal") ]] || fail "the other button's action ran"
# Clicks on the owner were ignored while the box was open, and work now.
grep -q "^owner click" "$journal" && fail "owner took a click under the box"
grep -q "^owner key" "$journal" && fail "owner took a key under the box"
click_screen 60 60
expect_line "owner click"
end_tool

# --- The same question: the blue button.
run_tool cancel question
cancel=$(wait_line "button 2 at ")
click_screen $(centre_of "$cancel")
expect_line "action cancel shown registered"
expect_line "state open 0 owner enabled active"
end_tool

# --- Error box: icon and one button; the close button runs no button action.
run_tool error error
box=$(wait_line "box at ")
read -r bx by bw bh <<<"$box"
shot dialogs_box_error "$bx" "$by" "$bw" "$bh"
confirm=$(wait_line "button 1 at ")
read -r _ _ cw _ <<<"$confirm"
(( cw >= 60 )) || fail "confirm button only $cw wide"
closebtn=$(wait_line "closebtn at ")
click_screen $(centre_of "$closebtn")
expect_line "state open 0 owner enabled active"
grep -q "^action" "$journal" && fail "the close button ran a button action"
end_tool

# --- Error box closed by its button.
run_tool confirm error
confirm=$(wait_line "button 1 at ")
click_screen $(centre_of "$confirm")
expect_line "action confirm shown registered"
expect_line "state open 0 owner enabled active"
end_tool

# --- A long mark-up text wraps inside the label: nothing of it right of
# the label (spacer 50, icon 36, label 273: it ends 359 px into the box).
run_tool long long
box=$(wait_line "box at ")
read -r bx by bw bh <<<"$box"
shot dialogs_box_long "$bx" "$by" "$bw" "$bh"
right=$("$im" "$shots/dialogs_box_long.png" -crop 40x100+362+45 +repage -format '%[fx:maxima.r]' info:)
[[ $(awk "BEGIN{print ($right < 0.5)}") == 1 ]] || fail "text drawn right of the label ($right)"
end_tool

# --- The same box through the version seam as on Windows XP (one layout).
run_tool xpbox --xp error
box=$(wait_line "box at ")
read -r _ _ bw bh <<<"$box"
(( bw == 410 && bh == 210 )) || fail "XP box is ${bw}x$bh"
end_tool

# --- Licence window: two link clicks, one window; typing changes nothing;
# the wheel scrolls; confirm closes it; the next click makes a fresh one.
run_tool licence licence
click_screen 60 60
wait_line "licence made 1" >/dev/null || fail "no licence window"
licence=$(wait_line "licence at ")
read -r lx ly lw lh <<<"$licence"
(( lw == 610 && lh == 480 )) || fail "licence window is ${lw}x$lh"
click_screen 60 60
expect_line "owner click" 2
expect_line "licence made 1"
[[ -z $(grep -F "licence made 2" "$journal") ]] || fail "second click made a second window"
edit=$(wait_line "protocoledit at ")
read -r ex ey ew eh <<<"$edit"
shot dialogs_licence_top "$lx" "$ly" "$lw" "$lh"
before=$("$im" "$shots/dialogs_licence_top.png" -crop "${ew}x$eh+$((ex - lx))+$((ey - ly))" -format '%#' info:)
[[ $(awk "BEGIN{print ($(mean dialogs_licence_top $((ex - lx + 20)) $((ey - ly + 10)) 300 200) < 0.97)}") == 1 ]] ||
  fail "no licence text"
click_screen $(centre_of "$edit")
xdotool type --delay 30 'typed'
# (Enter is no editing key here: it presses the window's default button.)
xdotool key BackSpace Delete
shot dialogs_licence_typed "$lx" "$ly" "$lw" "$lh"
typed=$("$im" "$shots/dialogs_licence_typed.png" -crop "${ew}x$eh+$((ex - lx))+$((ey - ly))" -format '%#' info:)
[[ $before == "$typed" ]] || fail "typing changed the licence text"
read -r cx cy <<<"$(centre_of "$edit")"
xdotool mousemove "$cx" "$cy" click 5 click 5 click 5 click 5
shot dialogs_licence_scrolled "$lx" "$ly" "$lw" "$lh"
after=$("$im" "$shots/dialogs_licence_scrolled.png" -crop "${ew}x$eh+$((ex - lx))+$((ey - ly))" -format '%#' info:)
[[ $before != "$after" ]] || fail "the wheel did not scroll the licence text"
confirm=$(wait_line "confirmprotocolbtn at ")
click_screen $(centre_of "$confirm")
expect_line "licence closed"
click_screen 60 60
wait_line "licence made 2" >/dev/null || fail "no fresh licence window after confirm"
end_tool

# --- The XP licence window through the version seam.
run_tool xplicence --xp licence
click_screen 60 60
licence=$(wait_line "licence at ") || fail "no XP licence window"
read -r lx ly lw lh <<<"$licence"
(( lw == 580 && lh == 450 )) || fail "XP licence window is ${lw}x$lh"
shot dialogs_licence_xp "$lx" "$ly" "$lw" "$lh"
confirm=$(wait_line "confirmprotocolbtn at ")
click_screen $(centre_of "$confirm")
expect_line "licence closed"
end_tool

echo "screenshots in $shots: $(cd "$shots" && ls dialogs_*.png | tr '\n' ' ')"
(( failures == 0 )) || { echo "$failures check(s) failed"; exit 1; }
echo "all dialog checks passed"
