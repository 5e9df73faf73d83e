#!/usr/bin/env bash
# Draws every picture the skin's layouts name, into skin/ and skin/msg/.
# One palette for all: change a colour here and run again; the PNGs are
# committed beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
skin="$here/../../skin"
im=/usr/bin/convert   # ImageMagick itself, not a wrapper earlier on PATH
mkdir -p "$skin/msg"

accent='#268FD6'
accent_hot='#45A3E2'
accent_down='#1C77B5'
accent_off='#A9CFEA'
track='#E6EEF5'
line='#D8DEE4'
text2='#888888'
error='#E5484D'
dark='#171A21'
dark_body='#22262E'

# Same bytes on every run: no time stamps, no comments.
out() { printf 'PNG32:%s' "$1"; }
strip=(-strip -define png:exclude-chunks=date,time)

# A 10x10 cell: rounded 4 px rectangle, fill and a crisp 1 px border
# (the border shape filled, the inside filled over it).
cell() { # <file> <fill> <border>
  "$im" -size 10x10 xc:none -fill "$3" -draw "roundrectangle 0,0 9,9 3,3" \
    -fill "$2" -draw "roundrectangle 1,1 8,8 2,2" "${strip[@]}" "$(out "$1")"
}
# Cells side by side: normal, hot, pushed[, disabled].
strip_of() { # <target> <cells...>
  local target=$1; shift
  "$im" "$@" +append "${strip[@]}" "$(out "$target")"
}
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

# Primary buttons (install, confirm, start): accent fill.
cell "$tmp/a.png" "$accent" "$accent"
cell "$tmp/b.png" "$accent_hot" "$accent_hot"
cell "$tmp/c.png" "$accent_down" "$accent_down"
cell "$tmp/d.png" "$accent_off" "$accent_off"
strip_of "$skin/installnow_bg.png" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png" "$tmp/d.png"
strip_of "$skin/msg/msg_button_def.png" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

# Secondary button (browse): white with a thin border that turns blue.
cell "$tmp/a.png" white "$line"
cell "$tmp/b.png" white "$accent_hot"
cell "$tmp/c.png" '#EEF5FB' "$accent"
strip_of "$skin/browse_btn.png" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

# Folder edit: normal, hot, focused borders.
cell "$tmp/a.png" white "$line"
cell "$tmp/b.png" white "$accent_off"
cell "$tmp/c.png" white "$accent"
strip_of "$skin/browse_button.png" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

# Grey button of the message box, on its dark body.
cell "$tmp/a.png" '#3A3F4A' '#3A3F4A'
cell "$tmp/b.png" '#4A505C' '#4A505C'
cell "$tmp/c.png" '#2E323B' '#2E323B'
strip_of "$skin/msg/msg_button_sup.png" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

# Folder edit in the invalid state: the error colour as its border.
cell "$skin/error_edit_bg.png" white "$error"

# Small error mark before the path error text, 14 px.
"$im" -size 14x14 xc:none -fill "$error" -draw "circle 7,7 7,0.5" \
  -fill white -draw "roundrectangle 6,3 8,8 1,1" -draw "circle 7,10.5 7,9.5" \
  "${strip[@]}" "$(out "$skin/error_icon_small.png")"

# Pictures stretched over a whole control without nine-grid corners: flat,
# so stretching cannot distort them. The body is plain white; the amount
# label and the home-page link stay clear, their text carries them.
"$im" -size 10x10 xc:white "${strip[@]}" "$(out "$skin/bg_white.png")"
"$im" -size 10x10 xc:none "${strip[@]}" "$(out "$skin/progress_tip_bg.png")"
"$im" -size 10x10 xc:none "${strip[@]}" "$(out "$skin/button_bg.png")"
"$im" -size 10x10 xc:"$accent" "${strip[@]}" "$(out "$skin/btn_bg_normal.png")"
"$im" -size 10x10 xc:"$accent_off" "${strip[@]}" "$(out "$skin/btn_bg_disable.png")"

# Message box body and the licence text frame.
cell "$skin/windowbg_bold.png" "$dark_body" '#2C313A'
cell "$skin/protocl_rect.png" white "$line"

# Progress track and fill, 8 px high with round ends.
for pair in "progress_bg:$track" "progress_fore:$accent"; do
  "$im" -size 10x8 xc:none -fill "${pair#*:}" -draw "roundrectangle 0,0 9,7 3.5,3.5" \
    "${strip[@]}" "$(out "$skin/${pair%%:*}.png")"
done

# Check boxes: 18 px (and 14 px for XP, unselected and selected cells).
checkbox() { # <file> <size> <selected 0|1>
  local s=$2 m=$(( $2 - 1 )) r=3
  if [[ $3 == 1 ]]; then
    local a=$(awk "BEGIN{print $s*0.24}") b=$(awk "BEGIN{print $s*0.5}") c=$(awk "BEGIN{print $s*0.42}")
    local d=$(awk "BEGIN{print $s*0.70}") e=$(awk "BEGIN{print $s*0.78}") f=$(awk "BEGIN{print $s*0.30}")
    "$im" -size ${s}x${s} xc:none -fill "$accent" -draw "roundrectangle 0,0 $m,$m $r,$r" \
      -fill none -stroke white -strokewidth 2 -draw "polyline $a,$b $c,$d $e,$f" \
      "${strip[@]}" "$(out "$1")"
  else
    "$im" -size ${s}x${s} xc:none -fill white -stroke '#B8C2CC' -strokewidth 1 \
      -draw "roundrectangle 0.5,0.5 $m.5,$m.5 $r,$r" \
      "${strip[@]}" "$(out "$1")"
  fi
}
checkbox "$skin/checkbox_unselected.png" 18 0
checkbox "$skin/checkbox_selected.png" 18 1
checkbox "$tmp/x0.png" 14 0
checkbox "$tmp/x1.png" 14 1
strip_of "$skin/check_box_downloader.png" "$tmp/x0.png" "$tmp/x1.png"

# Chevrons beside the custom-install button.
"$im" -size 12x12 xc:none -fill none -stroke "$accent" -strokewidth 1.6 \
  -draw "polyline 4,2 8,6 4,10" "${strip[@]}" "$(out "$skin/direction_right.png")"
"$im" -size 12x12 xc:none -fill none -stroke "$accent" -strokewidth 1.6 \
  -draw "polyline 8,2 4,6 8,10" "${strip[@]}" "$(out "$skin/direction_left.png")"

# Title-bar buttons on the blue banner: white glyphs, hot and pushed with a
# light veil. Cells of 36x36.
title_cells() { # <file> <draw glyph args...>
  local file=$1; shift
  local i=0
  for veil in none '#FFFFFF26' '#00000026'; do
    "$im" -size 36x36 xc:none -fill "$veil" -draw "rectangle 0,0 35,35" \
      -fill none -stroke white -strokewidth 1.5 "$@" "${strip[@]}" "$(out "$tmp/t$i.png")"
    i=$((i + 1))
  done
  strip_of "$file" "$tmp/t0.png" "$tmp/t1.png" "$tmp/t2.png"
}
title_cells "$skin/btn_close.png" -draw "line 13,13 23,23" -draw "line 23,13 13,23"
title_cells "$skin/btn_min.png" -draw "line 13,18.5 23,18.5"
# The user-group button: a speech bubble.
title_cells "$skin/btn_qq.png" -draw "roundrectangle 10,11 26,23 3,3" -draw "polyline 14,23 13,27 18,23"

# Close button of the message box: grey cross on the dark title bar, 34x34.
i=0
for colour in '#8A8F99' white white; do
  veil=none; [[ $i == 1 ]] && veil='#FFFFFF1A'; [[ $i == 2 ]] && veil='#E5484D'
  "$im" -size 34x34 xc:none -fill "$veil" -draw "rectangle 0,0 33,33" \
    -fill none -stroke "$colour" -strokewidth 1.5 -draw "line 12,12 22,22" -draw "line 22,12 12,22" \
    "${strip[@]}" "$(out "$tmp/m$i.png")"
  i=$((i + 1))
done
strip_of "$skin/msg/msg_close_btn.png" "$tmp/m0.png" "$tmp/m1.png" "$tmp/m2.png"

# Message-box icons, 36x36: notice, warning, error.
"$im" -size 36x36 xc:none -fill "$accent" -draw "circle 18,18 18,2" \
  -fill white -draw "circle 18,11 18,9" -draw "roundrectangle 16,15 20,27 1.5,1.5" \
  "${strip[@]}" "$(out "$skin/msg/msg_notice_icon.png")"
"$im" -size 36x36 xc:none -fill '#F2A23A' -stroke '#F2A23A' -strokewidth 3 \
  -draw "polygon 18,4 33,31 3,31" -stroke none \
  -fill white -draw "roundrectangle 16.5,12 19.5,23 1.5,1.5" -draw "circle 18,27 18,25.5" \
  "${strip[@]}" "$(out "$skin/msg/msg_warning_icon.png")"
"$im" -size 36x36 xc:none -fill "$error" -draw "circle 18,18 18,2" \
  -fill none -stroke white -strokewidth 3 -draw "line 12,12 24,24" -draw "line 24,12 12,24" \
  "${strip[@]}" "$(out "$skin/msg/msg_error_icon.png")"

# Soft drop shadow for the layered windows: drawn at full window size so
# the 10 px margin fades from about 40 % to nothing; the middle is covered
# by the window's white body.
"$im" -size 610x480 xc:none -fill '#000000' -draw "roundrectangle 10,10 599,469 4,4" \
  -channel A -evaluate multiply 0.40 +channel \
  \( -size 610x480 xc:none -fill black -draw "roundrectangle 10,10 599,469 4,4" -blur 0x4 \
     -channel A -evaluate multiply 0.40 +channel \) -compose over -composite \
  "${strip[@]}" "$(out "$skin/shadow.png")"

# Banner of the main window (590x200): accent band, the product's mark and
# name. The title buttons sit on its top right.
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
light=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
"$im" -size 590x200 gradient:"$accent_hot"-"$accent" \
  -fill '#FFFFFF14' -draw "circle 520,200 520,40" -fill '#FFFFFF0D' -draw "circle 80,-40 80,60" \
  -fill white -draw "roundrectangle 196,74 244,122 10,10" \
  -fill "$accent" -draw "polygon 213,86 213,110 233,98" \
  -fill white -font "$font" -pointsize 34 -annotate +258+111 'Kolvex' \
  -font "$light" -pointsize 12 -fill '#FFFFFFCC' -annotate +260+134 'Android emulator' \
  "${strip[@]}" "$(out "$skin/download_logo.png")"

# Scroll-bar thumbs (vertical 8x16 at the top, horizontal 16x8 below);
# magenta is the mask colour the scroll-bar configuration names.
"$im" -size 16x24 xc:'#FF00FF' +antialias -fill '#C3CAD2' \
  -draw "roundrectangle 1,0 6,15 2.5,2.5" -draw "roundrectangle 0,17 15,22 2.5,2.5" \
  -type TrueColor -strip BMP3:"$skin/scrollbar.bmp"
