#!/usr/bin/env bash
# The toolkit on screen: each layout of the skin opened by vpgallery on the
# X display, screenshots with pixel probes, and real input through
# xdotool. The notifications come back through the gallery's --log file.
# Screenshots stay in <build>/screenshots/.
set -euo pipefail
source "$(dirname "$0")/display_test.sh" "$1" "$2" GalleryInput

# Starts the gallery on a layout and waits for its window; sets X Y W H.
open_layout() { # <log name> <vpgallery args...>
  local log="$work/$1.log"
  shift
  : >"$log"
  "$bdir/wine-run.sh" "$bdir/tools/vpgallery.exe" --log "$("$bdir/wine-run.sh" --windows-path "$log")" "$@" \
    >"$work/gallery.out" 2>&1 &
  child=$!
  local wid=
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name 'Kolvex' 2>/dev/null | head -1 || true)
    [[ -n $wid ]] && break
    sleep 0.1
  done
  if [[ -z $wid ]]; then
    fail "no window for $*"
    cat "$work/gallery.out"
    return 1
  fi
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  W=$WIDTH H=$HEIGHT
  sleep 0.6
}

# Waits up to 5 s for the gallery to end; false when it is still open.
wait_closed() {
  for _ in $(seq 50); do
    kill -0 "$child" 2>/dev/null || { wait "$child" || true; child=; return 0; }
    sleep 0.1
  done
  return 1
}

close_gallery() {
  [[ -z $child ]] && return 0
  xdotool key Escape
  wait_closed || { kill "$child" 2>/dev/null || true; child=; }
}

shot() { # <name>: the window's area of the screen
  sleep 0.3
  import -window root "$work/screen.png"
  "$im" "$work/screen.png" -crop "${W}x${H}+${X}+${Y}" +repage "$shots/$1.png"
}

# "R G B" of a pixel of a screenshot, window coordinates.
rgb() { # <name> <x> <y>
  "$im" "$shots/$1.png" -crop "1x1+$2+$3" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-Fa-f]\{6\}' |
    sed 's/#\(..\)\(..\)\(..\)/0x\1 0x\2 0x\3/' | { read -r r g b; echo $((r)) $((g)) $((b)); }
}

expect_colour() { # <what> <name> <x> <y> <hex rrggbb> [tolerance]
  local want=$5 tol=${6:-12} r g b
  read -r r g b <<<"$(rgb "$2" "$3" "$4")"
  local wr=$((16#${want:0:2})) wg=$((16#${want:2:2})) wb=$((16#${want:4:2}))
  local d=$(( (r > wr ? r - wr : wr - r) + (g > wg ? g - wg : wg - g) + (b > wb ? b - wb : wb - b) ))
  (( d <= tol * 3 )) || fail "$1: $2 at $3,$4 is $r,$g,$b, wanted #$want"
}


expect_log() { # <log name> <exact line> [count]
  local count=${3:-1} seen
  for _ in $(seq 30); do
    seen=$(grep -cxF -- "$2" "$work/$1.log" || true)
    (( seen >= count )) && break
    sleep 0.1
  done
  sleep 0.2
  seen=$(grep -cxF -- "$2" "$work/$1.log" || true)
  (( seen == count )) || { fail "$1: '$2' seen $seen times, wanted $count"; cat "$work/$1.log"; }
}

click_at() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; }

# --- Main window: shadow, body, button states, licence option, Escape.
# An earlier test may have left the pointer where the install button opens.
xdotool mousemove 0 0
open_layout main mainframe.xml
shot mainframe
expect_colour "body" mainframe 300 300 FFFFFF 2
expect_colour "banner" mainframe 40 100 3B9ADE 40
expect_colour "install button" mainframe 197 360 268FD6
r_g_b=$(rgb mainframe 4 240)
read -r r g b <<<"$r_g_b"
(( r < 60 && g < 60 && b < 60 )) || fail "shadow margin is $r_g_b, not dark"
[[ $(awk "BEGIN{print ($(mean mainframe 74 426 200 30) < 0.97)}") == 1 ]] || fail "no licence text"
[[ $(awk "BEGIN{print ($(mean mainframe 185 354 240 44) > 0.3)}") == 1 ]] || fail "install button text missing"

xdotool mousemove $((X + 300)) $((Y + 376))
sleep 0.5
shot mainframe_hot
expect_colour "install button hot" mainframe_hot 197 360 45A3E2
xdotool mousemove $((X + 300)) $((Y + 300))
sleep 0.5
shot mainframe_left
expect_colour "install button after leaving" mainframe_left 197 360 268FD6

click_at 300 376
expect_log main "click installnowbtn" 1
# Pressed on the button, released elsewhere: no click.
xdotool mousemove $((X + 300)) $((Y + 376)) mousedown 1 mousemove $((X + 300)) $((Y + 300)) mouseup 1
sleep 0.3
expect_log main "click installnowbtn" 1

click_at 59 441
expect_log main "selectchanged acceptprotocolopt unselected"
expect_log main "click acceptprotocolopt unselected"
shot mainframe_unticked
expect_colour "licence box unticked" mainframe_unticked 53 435 FFFFFF 10
click_at 59 441
expect_log main "selectchanged acceptprotocolopt selected"

xdotool key Escape
wait_closed || fail "Escape did not close the main window"
close_gallery

# --- Custom install view: the folder edit.
open_layout edit --custom mainframe.xml
shot mainframe_custom
click_at 200 242
xdotool key ctrl+a
xdotool type --delay 30 'D:\Games'
xdotool key Home shift+End ctrl+c End ctrl+v BackSpace Left Delete
sleep 0.2
shot mainframe_edit
click_at 300 330
expect_log edit 'killfocus pathedit D:\GamesD:\Gam'
# Clicking elsewhere again sends nothing more.
click_at 300 330
expect_log edit 'killfocus pathedit D:\GamesD:\Gam'
close_gallery

# --- Licence window: the wheel scrolls the rich edit; confirm is a click.
open_layout licence protocolwnd.xml
shot protocolwnd
before=$("$im" "$shots/protocolwnd.png" -crop 534x358+38+45 -format '%#' info:)
xdotool mousemove $((X + 300)) $((Y + 200)) click 5 click 5 click 5
sleep 0.5
shot protocolwnd_scrolled
after=$("$im" "$shots/protocolwnd_scrolled.png" -crop 534x358+38+45 -format '%#' info:)
[[ $before != "$after" ]] || fail "the wheel did not scroll the licence text"
click_at 290 433
expect_log licence "click confirmprotocolbtn"
close_gallery

# --- Message box: dark title bar, icon, the close button closes it.
open_layout box msg/xml_messagebox.xml
shot xml_messagebox
expect_colour "title bar" xml_messagebox 200 5 171A21 3
expect_colour "error icon" xml_messagebox 68 80 E5484D 20
click_at 390 20
expect_log box "click closebtn"
wait_closed || fail "closebtn did not close the message box"
close_gallery

# --- XP variants: flat windows of their own sizes.
open_layout xp mainframe_xp.xml
shot mainframe_xp
(( W == 590 && H == 460 )) || fail "XP main window is ${W}x$H"
expect_colour "XP body" mainframe_xp 300 300 FFFFFF 2
expect_colour "XP corner" mainframe_xp 0 100 2A8FD8 60
close_gallery
open_layout xplicence protocolwnd_xp.xml
shot protocolwnd_xp
(( W == 580 && H == 450 )) || fail "XP licence window is ${W}x$H"
close_gallery

echo "screenshots in $shots"
(( failures == 0 )) || { echo "$failures check(s) failed"; exit 1; }
echo "all gallery checks passed"
