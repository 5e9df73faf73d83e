#!/usr/bin/env bash
# Test material for the signature check, made at build time from the signed
# stand-in: every way a program can fail the check, one file each.
#   make_signature_cases.sh <signed> <signed by another> <unsigned> <osslsigncode> <output folder>
set -euo pipefail
signed=$1 other=$2 unsigned=$3 osslsigncode=$4 out=$5
mkdir -p "$out"
cp "$signed" "$out/accepted.exe"
cp "$other" "$out/other-publisher.exe"
cp "$unsigned" "$out/unsigned.exe"
# One byte in the middle of the program, after signing.
cp "$signed" "$out/one-byte-changed.exe"
size=$(stat -c %s "$signed")
at=$((size / 3))
byte=$(od -An -tu1 -j "$at" -N1 "$signed" | tr -d ' ')
printf "\\$(printf '%03o' $(((byte + 1) % 256)))" | dd of="$out/one-byte-changed.exe" bs=1 seek="$at" conv=notrunc status=none
rm -f "$out/stripped.exe"
"$osslsigncode" remove-signature -in "$signed" -out "$out/stripped.exe" >/dev/null
head -c $((size * 2 / 3)) "$signed" >"$out/truncated.exe"
printf 'MZ? no: this is a text file that only calls itself a program.\r\n' >"$out/not-a-program.exe"
cmp -s "$signed" "$out/one-byte-changed.exe" && { echo "byte not changed" >&2; exit 1; }
exit 0
