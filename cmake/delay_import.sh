#!/bin/sh
# Makes a delay-load import library from a MinGW import library: the
# program then names the library in no import table, and its first call
# loads it through the delay-load helper (whose hook picks the file).
#   delay_import.sh <nm> <dlltool> <import library> <dll name> <output> <pointer size> [list]
# With a list ("dll!function" lines), only the listed functions of the
# library get stubs.
set -eu
nm=$1 dlltool=$2 import=$3 dll=$4 out=$5 pointer=$6 list=${7:-}
def="$out.def"
underscore=
[ "$pointer" = 4 ] && underscore=_
wanted="$out.wanted"
if [ -n "$list" ]; then
  grep -i "^$dll!" "$list" | sed 's/^[^!]*!//' >"$wanted" || true
fi
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  # 32-bit symbols carry a leading underscore; --kill-at keeps the @N
  # decoration off the imported names.
  "$nm" -g --defined-only "$import" | awk '$2 == "T" { print $3 }' | sed -e "s/^$underscore//" | grep -v '^\.' |
    sort -u |
    if [ -n "$list" ]; then awk -v wanted="$wanted" 'BEGIN { while ((getline name < wanted) > 0) keep[name] = 1 }
      { name = $0; sub(/@[0-9]+$/, "", name); if (name in keep) print }'; else cat; fi
} >"$def"
kill_at=
[ "$pointer" = 4 ] && kill_at=-k
"$dlltool" $kill_at -d "$def" -D "$dll" -y "$out"
