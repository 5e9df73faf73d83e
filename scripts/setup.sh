#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages.
# Idempotent: prints nothing and changes nothing when all is present.
set -euo pipefail

packages=(
  cmake make ninja-build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386
  xvfb xdotool imagemagick x11-utils
  rapidjson-dev lzma-dev 7zip googletest
  fonts-wqy-microhei python3
)

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if (( need_i386 == 0 && ${#missing[@]} == 0 )); then
  exit 0
fi

as_root=()
(( EUID == 0 )) || as_root=(sudo)
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
if (( need_i386 )); then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -qq >/dev/null
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
