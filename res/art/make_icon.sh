#!/usr/bin/env bash
# Draws the window icon (resource 131): a blue rounded tile with a white
# "play" mark, at the sizes Windows asks for. Writes res/app.ico.
# 16 to 48 are bitmaps, as Windows XP reads them; the 256 one is a PNG, which
# later systems also scale down for the sizes between (64 would cost 17 KB
# as a bitmap, and XP cannot read it as a PNG).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
im=/usr/bin/convert   # ImageMagick itself, not a wrapper earlier on PATH
accent='#268FD6'
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

# Drawn once large, then scaled down for each size.
"$im" -size 256x256 xc:none \
  -fill "$accent" -draw "roundrectangle 8,8 247,247 48,48" \
  -fill '#1F7BBD' -draw "roundrectangle 8,150 247,247 48,48" -draw "rectangle 8,150 247,200" \
  -fill "$accent" -draw "rectangle 8,150 247,170" \
  -fill white -draw "polygon 96,68 96,188 196,128" \
  "$tmp/icon-256.png"
for s in 16 24 32 48; do
  "$im" "$tmp/icon-256.png" -resize ${s}x${s} "$tmp/icon-$s.png"
done
"$im" "$tmp"/icon-16.png "$tmp"/icon-24.png "$tmp"/icon-32.png "$tmp"/icon-48.png \
  "$tmp"/icon-256.png "$here/../app.ico"
cp "$tmp/icon-256.png" "$here/icon-256.png"
