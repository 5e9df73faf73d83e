#!/usr/bin/env bash
# The real installer at the prefix's display scaling of 100, 125, 150 and
# 200 %: the window's size, the licence window and the exit question at the
# same scale, clicks at the scaled positions (tick box, licence link,
# custom view and folder edit, install button), no text cut off on any
# page (page 3 from the gallery), and a move to a monitor of 200 %.
# Screenshots stay in <build>/screenshots/dpi<N>-*.png. The prefix's
# scaling is put back at the end.
#   display_scaling.sh BUILD SOURCE
set -euo pipefail
bdir=$1
src=$2
source "$src/scripts/common.sh"
source "$src/scripts/window_driver.sh"
work="$bdir/tests/scratch/DisplayScaling"
rm -rf "$work"

# A screen of its own: at 200 % the window is 1220x960. Wine takes the
# screen's size when its server starts, and keeps the pointer inside it:
# the server starts again here, and again for the tests after this one.
unset DISPLAY
start_display 2560x1600
stop_wine "$bdir"
export STANDIN_REGISTRY_KEY='Software\KolvexTests\scaling'
cleanup() {
  wd_stop
  wd_restore_dpi
  stop_wine "$bdir"
  stop_display
  return 0
}
trap cleanup EXIT
wd_init "$bdir" "$work"
probe() { "$bdir/wine-run.sh" "$bdir/tests/window-probe.exe" "$@" | tr -d '\r'; }

failures=0
fail() { echo "FAILED (dpi $WD_DPI): $*"; failures=$((failures + 1)); }
near() { (( $1 >= $2 - 2 && $1 <= $2 + 2 )); }
expect_log() { wd_wait_log "$1" "${2:-10}" || fail "no log line with: $1"; }

# A window of the given size at this scale (within 2 pixels).
expect_size() { # <what> <w> <h> <actual w> <actual h>
  near "$4" "$(wd_scaled "$2")" && near "$5" "$(wd_scaled "$3")" ||
    fail "$1 is $4x$5, wanted $(wd_scaled "$2")x$(wd_scaled "$3")"
}

# Every text of a layout's view fits its box at this scale.
expect_texts_fit() { # <least texts> <vpgallery args...>
  local least=$1 out
  shift
  if ! out=$("$bdir/wine-run.sh" "$bdir/tools/vpgallery.exe" --fit "$@" 2>&1 | tr -d '\r'); then
    fail "texts cut off in $*: $(echo "$out" | grep -E 'CLIPPED|dpi' | tr '\n' ';')"
  fi
  [[ $(echo "$out" | head -1) == "dpi $WD_DPI,"* ]] || fail "$* not laid out at $WD_DPI: $(echo "$out" | head -1)"
  (( $(echo "$out" | grep -c ' fits$') >= least )) || fail "$*: too few texts measured: $out"
}

# The install button's pixels, for telling its enabled and disabled looks.
button_look() { # <screenshot>
  local x y w h
  read -r x y <<<"${WD_POS[normal:installnowbtn]}"
  w=$(wd_scaled 200) h=$(wd_scaled 30)
  /usr/bin/convert "$1" -crop "${w}x${h}+$((x - w / 2))+$((y - h / 2))" -format '%#' info:
}

folder="$work/Kolvex Inst"
mkdir -p "$folder"
win=$(wd_winpath "$folder")

for dpi in 96 120 144 192; do
  wd_set_dpi "$dpi"
  tag="dpi$dpi"
  expect_texts_fit 3 mainframe.xml
  expect_texts_fit 5 --custom mainframe.xml
  expect_texts_fit 6 --page 2 mainframe.xml
  expect_texts_fit 2 --page 3 mainframe.xml
  expect_texts_fit 1 protocolwnd.xml
  expect_texts_fit 4 msg/xml_messagebox.xml

  # Page 3 (game packages) as the gallery lays it out at this scale.
  "$bdir/wine-run.sh" "$bdir/tools/vpgallery.exe" --page 3 mainframe.xml >/dev/null 2>&1 &
  gallery=$!
  gallery_window=
  for _ in $(seq 100); do
    gallery_window=$(xdotool search --onlyvisible --classname vpgallery 2>/dev/null | head -1 || true)
    [[ -n $gallery_window ]] && break
    sleep 0.1
  done
  if [[ -n $gallery_window ]]; then
    sleep 0.5
    wd_shot "$tag-page3-gallery" "$gallery_window"
    xdotool key --window "$gallery_window" Escape 2>/dev/null
  else
    fail "no gallery window for page 3"
  fi
  for _ in $(seq 50); do kill -0 "$gallery" 2>/dev/null || break; sleep 0.1; done
  kill "$gallery" 2>/dev/null || true
  wait "$gallery" 2>/dev/null || true

  wd_vendor slow-all
  wd_start
  if ! wd_main_window; then
    fail "no window of $(wd_scaled 610)x$(wd_scaled 480): $(wd_windows | tr '\n' ';')"
    wd_stop
    continue
  fi
  expect_log "display scaling:" 5
  wd_log | grep -q "display scaling: .*, $dpi dpi" || fail "start line: $(wd_log | grep 'display scaling' || true)"
  wd_shot "$tag-start"

  # The tick box: off, the install button turns pale and does nothing.
  wd_click acceptprotocolopt
  wd_shot "$tag-unticked"
  [[ $(button_look "$WD_SHOTS/$tag-start.png") != "$(button_look "$WD_SHOTS/$tag-unticked.png")" ]] ||
    fail "the tick box click changed nothing"
  wd_click installnowbtn
  sleep 0.5
  wd_log | grep -q "select page" && fail "installed without the licence"
  wd_click acceptprotocolopt

  # The licence link opens the licence window at the window's scale.
  wd_click protocollinkbtn
  if wd_wait_box; then
    expect_size "licence window" 610 480 "$WD_BOX_W" "$WD_BOX_H"
    wd_shot "$tag-licence" "$WD_BOX"
    xdotool key --window "$WD_BOX" Escape 2>/dev/null
    wd_wait_no_box || fail "the licence window stayed"
  else
    fail "no licence window"
  fi
  expect_log "licence window shown"

  # The custom view and its folder edit.
  wd_click userdefinitionBtn
  wd_type_folder "$win"
  expect_log "install folder chosen: $win\\vpplayer2\\"
  wd_shot "$tag-custom"
  wd_click backBtn custom

  # The exit question at the window's scale; "cancel" keeps the window.
  wd_click closebtn
  if wd_wait_box message; then
    expect_size "exit question" 410 210 "$WD_BOX_W" "$WD_BOX_H"
    wd_shot "$tag-exit-question" "$WD_BOX"
    wd_click_box 2
    wd_wait_no_box || fail "the exit question stayed after cancel"
  else
    fail "no exit question"
  fi

  wd_click installnowbtn
  expect_log "select page 2"
  sleep 1
  wd_shot "$tag-progress"

  if [[ $dpi == 96 ]]; then
    # Moved to a monitor of 200 %: the window takes its size there, and
    # the exit question opens at that scale over it.
    size=$(probe dpi updateMainframe 192)
    WD_DPI=192
    read -r w h <<<"${size/x/ }"
    expect_size "window moved to 200 %" 610 480 "$w" "$h"
    # The X window follows the Windows one a moment later.
    for _ in $(seq 100); do
      [[ -n $(wd_windows | awk -v id="$WD_MAIN" -v w="$w" '$1 == id && $2 == w') ]] && break
      sleep 0.1
    done
    sleep 0.5
    if [[ -n $(wd_windows | awk -v id="$WD_MAIN" -v w="$w" '$1 == id && $2 == w') ]]; then
      wd_shot dpi96-moved-to-192
      eval "$(xdotool getwindowgeometry --shell "$WD_MAIN")"
      # The close button's centre at 200 %: 18 units left of the body's
      # right edge (10 units of shadow), 18 below its top.
      wd_click_at $((X + $(wd_scaled 582))) $((Y + $(wd_scaled 28)))
      if wd_wait_box message; then
        expect_size "exit question over the moved window" 410 210 "$WD_BOX_W" "$WD_BOX_H"
        wd_shot dpi96-moved-exit-question "$WD_BOX"
        xdotool key --window "$WD_BOX" Escape 2>/dev/null
        wd_wait_no_box || true
      else
        fail "no exit question after the move"
      fi
    else
      fail "no window of the moved size: $(wd_windows | tr '\n' ';')"
    fi
    WD_DPI=96
  fi

  xdotool key --window "$WD_MAIN" Escape
  wd_wait_exit 20 || true
  # Closed by the user: the run says so in its code.
  [[ $WD_CODE == 1 ]] || fail "exit code $WD_CODE, wanted 1"
  # Without a window manager an ended program's X windows may stay a
  # moment: the next scale's window must not be taken for one of them.
  for _ in $(seq 100); do
    [[ -z $(wd_windows) ]] && break
    sleep 0.1
  done
done

echo "screenshots: $(cd "$WD_SHOTS" && ls dpi*.png | tr '\n' ' ')"
if (( failures )); then
  echo "--- log of the last run"
  wd_log | tail -40
  exit 1
fi
echo "DisplayScaling: passed"
