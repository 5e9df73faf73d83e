#!/usr/bin/env bash
# Draws every picture the skin's layouts name, into skin/ and skin/msg/,
# at 100 % and again at 150 % and 200 % for scaled displays ("name.png",
# "name@1.5x.png", "name@2x.png"; the toolkit picks the one for the
# window's DPI). One palette for all: change a colour here and run again;
# the PNGs are committed beside this script.
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
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
light=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# The scale being drawn (f) and the file name tag for it (tag). Every size
# and coordinate below is written for 100 % and goes through s; at 100 %
# the commands, and so the pictures, are those of the first skin.
f=1
tag=
s() { awk -v v="$1" -v f="$f" 'BEGIN { printf "%g", v * f }'; }
# The last pixel of a length (a picture n wide ends at n - 1).
last() { awk -v v="$1" -v f="$f" 'BEGIN { printf "%g", v * f - 1 }'; }
# Line widths: whole pixels, so borders stay crisp.
width() { awk -v v="$1" -v f="$f" 'BEGIN { w = int(v * f); printf "%d", w < 1 ? 1 : w }'; }
to() { echo "$skin/$1$tag.${2:-png}"; }

# A 10x10 cell: rounded 4 px rectangle, fill and a crisp 1 px border
# (the border shape filled, the inside filled over it).
cell() { # <file> <fill> <border>
  local n b r
  n=$(s 10); b=$(width 1)
  r=$(awk -v r="$(s 3)" -v b="$b" 'BEGIN { printf "%g", r - b }')
  "$im" -size "${n}x${n}" xc:none -fill "$3" -draw "roundrectangle 0,0 $(last 10),$(last 10) $(s 3),$(s 3)" \
    -fill "$2" -draw "roundrectangle $b,$b $((n - 1 - b)),$((n - 1 - b)) $r,$r" "${strip[@]}" "$(out "$1")"
}
# Cells side by side: normal, hot, pushed[, disabled].
strip_of() { # <target> <cells...>
  local target=$1; shift
  "$im" "$@" +append "${strip[@]}" "$(out "$target")"
}
flat() { # <file> <colour> [w h]
  "$im" -size "$(s "${3:-10}")x$(s "${4:-10}")" xc:"$2" "${strip[@]}" "$(out "$1")"
}

# Check boxes: 18 px (and 14 px for XP, unselected and selected cells).
checkbox() { # <file> <size at 100 %> <selected 0|1>
  local n m r
  n=$(s "$2"); m=$(( n - 1 )); r=$(s 3)
  if [[ $3 == 1 ]]; then
    local a=$(awk "BEGIN{print $n*0.24}") b=$(awk "BEGIN{print $n*0.5}") c=$(awk "BEGIN{print $n*0.42}")
    local d=$(awk "BEGIN{print $n*0.70}") e=$(awk "BEGIN{print $n*0.78}") g=$(awk "BEGIN{print $n*0.30}")
    "$im" -size ${n}x${n} xc:none -fill "$accent" -draw "roundrectangle 0,0 $m,$m $r,$r" \
      -fill none -stroke white -strokewidth "$(s 2)" -draw "stroke-linecap round stroke-linejoin round polyline $a,$b $c,$d $e,$g" \
      "${strip[@]}" "$(out "$1")"
  else
    local h; h=$(awk -v w="$(width 1)" 'BEGIN { printf "%g", w / 2 }')
    "$im" -size ${n}x${n} xc:none -fill white -stroke '#B8C2CC' -strokewidth "$(width 1)" \
      -draw "roundrectangle $h,$h $(awk -v n="$n" -v h="$h" 'BEGIN { printf "%g,%g", n - h, n - h }') $r,$r" \
      "${strip[@]}" "$(out "$1")"
  fi
}

# Title-bar buttons on the blue banner: white glyphs, hot and pushed with a
# light veil. Cells of 36x36.
title_cells() { # <file> <draw glyph args...>
  local file=$1; shift
  local i=0
  for veil in none '#FFFFFF26' '#00000026'; do
    "$im" -size "$(s 36)x$(s 36)" xc:none -fill "$veil" -draw "rectangle 0,0 $(last 36),$(last 36)" \
      -fill none -stroke white -strokewidth "$(s 1.5)" "$@" "${strip[@]}" "$(out "$tmp/t$i.png")"
    i=$((i + 1))
  done
  strip_of "$file" "$tmp/t0.png" "$tmp/t1.png" "$tmp/t2.png"
}
# "line x1,y1 x2,y2" with 100 % coordinates.
line_at() { echo "line $(s "$1"),$(s "$2") $(s "$3"),$(s "$4")"; }

draw_skin() {
  # Primary buttons (install, confirm, start): accent fill.
  cell "$tmp/a.png" "$accent" "$accent"
  cell "$tmp/b.png" "$accent_hot" "$accent_hot"
  cell "$tmp/c.png" "$accent_down" "$accent_down"
  cell "$tmp/d.png" "$accent_off" "$accent_off"
  strip_of "$(to installnow_bg)" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png" "$tmp/d.png"
  strip_of "$(to msg/msg_button_def)" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

  # Secondary button (browse): white with a thin border that turns blue.
  cell "$tmp/a.png" white "$line"
  cell "$tmp/b.png" white "$accent_hot"
  cell "$tmp/c.png" '#EEF5FB' "$accent"
  strip_of "$(to browse_btn)" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

  # Folder edit: normal, hot, focused borders.
  cell "$tmp/a.png" white "$line"
  cell "$tmp/b.png" white "$accent_off"
  cell "$tmp/c.png" white "$accent"
  strip_of "$(to browse_button)" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

  # Grey button of the message box, on its dark body.
  cell "$tmp/a.png" '#3A3F4A' '#3A3F4A'
  cell "$tmp/b.png" '#4A505C' '#4A505C'
  cell "$tmp/c.png" '#2E323B' '#2E323B'
  strip_of "$(to msg/msg_button_sup)" "$tmp/a.png" "$tmp/b.png" "$tmp/c.png"

  # Folder edit in the invalid state: the error colour as its border.
  cell "$(to error_edit_bg)" white "$error"

  # Small error mark before the path error text, 14 px.
  "$im" -size "$(s 14)x$(s 14)" xc:none -fill "$error" -draw "circle $(s 7),$(s 7) $(s 7),$(s 0.5)" \
    -fill white -draw "roundrectangle $(s 6),$(s 3) $(s 8),$(s 8) $(s 1),$(s 1)" \
    -draw "circle $(s 7),$(s 10.5) $(s 7),$(s 9.5)" \
    "${strip[@]}" "$(out "$(to error_icon_small)")"

  # Pictures stretched over a whole control without nine-grid corners:
  # flat, so stretching cannot distort them. The body is plain white; the
  # amount label and the home-page link stay clear, their text carries them.
  flat "$(to bg_white)" white
  flat "$(to progress_tip_bg)" none
  flat "$(to button_bg)" none
  flat "$(to btn_bg_normal)" "$accent"
  flat "$(to btn_bg_disable)" "$accent_off"

  # Message box body and the licence text frame.
  cell "$(to windowbg_bold)" "$dark_body" '#2C313A'
  cell "$(to protocl_rect)" white "$line"

  # Progress track and fill, 8 px high with round ends.
  for pair in "progress_bg:$track" "progress_fore:$accent"; do
    "$im" -size "$(s 10)x$(s 8)" xc:none -fill "${pair#*:}" \
      -draw "roundrectangle 0,0 $(last 10),$(last 8) $(s 3.5),$(s 3.5)" \
      "${strip[@]}" "$(out "$(to "${pair%%:*}")")"
  done

  checkbox "$(to checkbox_unselected)" 18 0
  checkbox "$(to checkbox_selected)" 18 1
  checkbox "$tmp/x0.png" 14 0
  checkbox "$tmp/x1.png" 14 1
  strip_of "$(to check_box_downloader)" "$tmp/x0.png" "$tmp/x1.png"

  # Chevrons beside the custom-install button.
  "$im" -size "$(s 12)x$(s 12)" xc:none -fill none -stroke "$accent" -strokewidth "$(s 1.6)" \
    -draw "stroke-linejoin round polyline $(s 4),$(s 2) $(s 8),$(s 6) $(s 4),$(s 10)" "${strip[@]}" "$(out "$(to direction_right)")"
  "$im" -size "$(s 12)x$(s 12)" xc:none -fill none -stroke "$accent" -strokewidth "$(s 1.6)" \
    -draw "stroke-linejoin round polyline $(s 8),$(s 2) $(s 4),$(s 6) $(s 8),$(s 10)" "${strip[@]}" "$(out "$(to direction_left)")"

  title_cells "$(to btn_close)" -draw "$(line_at 13 13 23 23)" -draw "$(line_at 23 13 13 23)"
  title_cells "$(to btn_min)" -draw "$(line_at 13 18.5 23 18.5)"
  # The user-group button: a speech bubble.
  title_cells "$(to btn_qq)" -draw "roundrectangle $(s 10),$(s 11) $(s 26),$(s 23) $(s 3),$(s 3)" \
    -draw "polyline $(s 14),$(s 23) $(s 13),$(s 27) $(s 18),$(s 23)"

  # Close button of the message box: grey cross on the dark title bar, 34x34.
  local i=0 colour veil
  for colour in '#8A8F99' white white; do
    veil=none; [[ $i == 1 ]] && veil='#FFFFFF1A'; [[ $i == 2 ]] && veil='#E5484D'
    "$im" -size "$(s 34)x$(s 34)" xc:none -fill "$veil" -draw "rectangle 0,0 $(last 34),$(last 34)" \
      -fill none -stroke "$colour" -strokewidth "$(s 1.5)" -draw "$(line_at 12 12 22 22)" -draw "$(line_at 22 12 12 22)" \
      "${strip[@]}" "$(out "$tmp/m$i.png")"
    i=$((i + 1))
  done
  strip_of "$(to msg/msg_close_btn)" "$tmp/m0.png" "$tmp/m1.png" "$tmp/m2.png"

  # Message-box icons, 36x36: notice, warning, error.
  "$im" -size "$(s 36)x$(s 36)" xc:none -fill "$accent" -draw "circle $(s 18),$(s 18) $(s 18),$(s 2)" \
    -fill white -draw "circle $(s 18),$(s 11) $(s 18),$(s 9)" \
    -draw "roundrectangle $(s 16),$(s 15) $(s 20),$(s 27) $(s 1.5),$(s 1.5)" \
    "${strip[@]}" "$(out "$(to msg/msg_notice_icon)")"
  "$im" -size "$(s 36)x$(s 36)" xc:none -fill '#F2A23A' -stroke '#F2A23A' -strokewidth "$(s 3)" \
    -draw "polygon $(s 18),$(s 4) $(s 33),$(s 31) $(s 3),$(s 31)" -stroke none \
    -fill white -draw "roundrectangle $(s 16.5),$(s 12) $(s 19.5),$(s 23) $(s 1.5),$(s 1.5)" \
    -draw "circle $(s 18),$(s 27) $(s 18),$(s 25.5)" \
    "${strip[@]}" "$(out "$(to msg/msg_warning_icon)")"
  "$im" -size "$(s 36)x$(s 36)" xc:none -fill "$error" -draw "circle $(s 18),$(s 18) $(s 18),$(s 2)" \
    -fill none -stroke white -strokewidth "$(s 3)" -draw "$(line_at 12 12 24 24)" -draw "$(line_at 24 12 12 24)" \
    "${strip[@]}" "$(out "$(to msg/msg_error_icon)")"

  # Soft drop shadow for the layered windows: the 10 px margin fades from
  # about 40 % to nothing; the middle is covered by the window's white
  # body. Drawn small and stretched as a nine-grid (corner 32 in the
  # layouts): its edges are the same all along, and a picture of the
  # window's size costs more to decode at 200 % than the window to paint.
  local body="roundrectangle $(s 10),$(s 10) $(last 56),$(last 56) $(s 4),$(s 4)"
  "$im" -size "$(s 66)x$(s 66)" xc:none -fill '#000000' -draw "$body" \
    -channel A -evaluate multiply 0.40 +channel \
    \( -size "$(s 66)x$(s 66)" xc:none -fill black -draw "$body" -blur "0x$(s 4)" \
       -channel A -evaluate multiply 0.40 +channel \) -compose over -composite \
    "${strip[@]}" "$(out "$(to shadow)")"

  # Banner of the main window (590x200): accent band, the product's mark
  # and name. The title buttons sit on its top right.
  "$im" -size "$(s 590)x$(s 200)" gradient:"$accent_hot"-"$accent" \
    -fill '#FFFFFF14' -draw "circle $(s 520),$(s 200) $(s 520),$(s 40)" \
    -fill '#FFFFFF0D' -draw "circle $(s 80),$(s -40) $(s 80),$(s 60)" \
    -fill white -draw "roundrectangle $(s 196),$(s 74) $(s 244),$(s 122) $(s 10),$(s 10)" \
    -fill "$accent" -draw "polygon $(s 213),$(s 86) $(s 213),$(s 110) $(s 233),$(s 98)" \
    -fill white -font "$font" -pointsize "$(s 34)" -annotate "+$(s 258)+$(s 111)" 'Kolvex' \
    -font "$light" -pointsize "$(s 12)" -fill '#FFFFFFCC' -annotate "+$(s 260)+$(s 134)" 'Android emulator' \
    "${strip[@]}" "$(out "$(to download_logo)")"

  # Scroll-bar thumbs (vertical 8x16 at the top, horizontal 16x8 below);
  # magenta is the mask colour the scroll-bar configuration names.
  "$im" -size "$(s 16)x$(s 24)" xc:'#FF00FF' +antialias -fill '#C3CAD2' \
    -draw "roundrectangle $(s 1),0 $(last 7),$(last 16) $(s 2.5),$(s 2.5)" \
    -draw "roundrectangle 0,$(s 17) $(last 16),$(last 23) $(s 2.5),$(s 2.5)" \
    -type TrueColor -strip BMP3:"$(to scrollbar bmp)"
}

for scale in 1: 1.5:@1.5x 2:@2x; do
  f=${scale%%:*}
  tag=${scale#*:}
  draw_skin
done
