#!/bin/sh
# Makes a delay-load import library from a MinGW import library: the
# program then names the library in no import table, and its first call
# loads it through the delay-load helper (whose hook picks the file).
#   delay_import.sh <nm> <dlltool> <import library> <dll name> <output> <pointer size>
set -eu
nm=$1 dlltool=$2 import=$3 dll=$4 out=$5 pointer=$6
def="$out.def"
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  # 32-bit symbols carry a leading underscore; --kill-at keeps the @N
  # decoration off the imported names.
  "$nm" -g --defined-only "$import" | awk '$2 == "T" { print $3 }' | sed -e 's/^_//' | grep -v '^\.' | sort -u
} >"$def"
kill_at=
[ "$pointer" = 4 ] && kill_at=-k
"$dlltool" $kill_at -d "$def" -D "$dll" -y "$out"
