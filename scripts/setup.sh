#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages.
# Idempotent: prints nothing and changes nothing when all is present.
# A package index that cannot be fetched does not stop it; only a needed
# package that cannot be installed does, named in one line.
set -euo pipefail

packages=(
  cmake make ninja-build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb xdotool imagemagick x11-utils
  rapidjson-dev lzma-dev 7zip googletest
  osslsigncode openssl
  clang libfuzzer-14-dev libclang-rt-14-dev
  fonts-wqy-microhei python3
  nginx
)

# Runs a 95-byte i386 ELF that only exits with 42: true where this machine
# can run 32-bit programs (some virtual machines answer "Exec format error"
# although wine32 would install). Decided without wine32 itself.
can_run_32bit_elf() {
  local probe
  probe=$(mktemp "${TMPDIR:-/tmp}/kolvex-elf32.XXXXXX")
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5f\x00\x00\x00\x5f\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xb3\x2a\xcd\x80' >"$probe"
  chmod +x "$probe"
  local code=0
  "$probe" >/dev/null 2>&1 || code=$?
  rm -f "$probe"
  (( code == 42 ))
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

want_wine32=0
if can_run_32bit_elf; then
  want_wine32=1
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
need_wine32=0
if (( want_wine32 )) && ! installed wine32:i386; then
  need_wine32=1
fi
if (( ${#missing[@]} == 0 && need_wine32 == 0 )); then
  exit 0
fi

as_root=()
(( EUID == 0 )) || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
apt_install() { "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1; }
# An index that fails (a mirror in sync, say) is used as it was or ignored:
# what matters is whether the packages install afterwards.
apt_update() { "${as_root[@]}" apt-get update -qq >/dev/null 2>&1 || true; }

# Package scripts must start no system service while installing (nginx would
# take port 80 and stay; where the port is taken its install would fail): the
# benchmarks start their own instances. A policy already in place is kept.
policy=/usr/sbin/policy-rc.d
policy_made=0
forbid_service_starts() {
  [[ -e $policy ]] && return
  printf '#!/bin/sh\n# Written by the Kolvex set-up for the length of one install.\nexit 101\n' |
    "${as_root[@]}" tee "$policy" >/dev/null
  "${as_root[@]}" chmod 755 "$policy"
  policy_made=1
}
allow_service_starts() {
  if (( policy_made )); then
    "${as_root[@]}" rm -f "$policy"
    policy_made=0
  fi
}
trap allow_service_starts EXIT

if (( ${#missing[@]} )); then
  echo "setup: installing ${missing[*]}" >&2
  forbid_service_starts
  apt_update
  if ! apt_install "${missing[@]}"; then
    # Find the one that cannot be installed; install the others.
    failed=()
    for p in "${missing[@]}"; do
      apt_install "$p" || failed+=("$p")
    done
    if (( ${#failed[@]} )); then
      echo "setup: cannot install needed package(s): ${failed[*]}" >&2
      exit 1
    fi
  fi
fi

if (( need_wine32 )); then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
  fi
  apt_update
  if apt_install wine32:i386; then
    echo "setup: installed wine32:i386; the tests run the 32-bit build" >&2
  else
    echo "setup: wine32:i386 could not be installed; the tests run the 64-bit build" >&2
  fi
fi
exit 0
