# Shared by the scripts: configure and build the 32-bit program, and an
# Xvfb display for anything that opens a window.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${KOLVEX_BUILD_DIR:-$repo/build}"
jobs=$(nproc 2>/dev/null || echo 2)

configure_and_build() { # <build dir> <toolchain> [cmake args...]
  local dir=$1 toolchain=$2
  shift 2
  if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S "$repo" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/$toolchain" "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$jobs"
}

xvfb_pid=
start_display() { # [screen WxH]: one of its own when DISPLAY is unset
  if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    return
  fi
  local n
  for n in $(seq 90 140); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 "${1:-1280x800}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null
  done
  echo "no Xvfb display could be started" >&2
  return 1
}

stop_display() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

# The shipped program is 32-bit. Where Wine's 32-bit loader cannot run (a
# virtual machine without 32-bit user mode), the 64-bit build of the same
# sources is the one that runs.
can_run_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
runnable_build() {
  if can_run_32bit; then echo "$build"; else echo "${build}64"; fi
}
runnable_toolchain() {
  if can_run_32bit; then echo mingw-i686.cmake; else echo mingw-x86_64.cmake; fi
}

# The display scaling of a build's Wine prefix: Wine reads the user's
# LogPixels in every program it starts. The first call remembers the value
# it replaces; restore_prefix_dpi puts it back.
prefix_dpi_saved=
prefix_dpi_key='HKCU\Control Panel\Desktop'
set_prefix_dpi() { # <build dir> <dpi>
  if [[ -z $prefix_dpi_saved ]]; then
    prefix_dpi_saved=$("$1/wine-run.sh" reg query "$prefix_dpi_key" /v LogPixels 2>/dev/null | tr -d '\r' |
      awk '$1 == "LogPixels" { print $3 }' || true)
    prefix_dpi_saved=${prefix_dpi_saved:-none}
  fi
  "$1/wine-run.sh" reg add "$prefix_dpi_key" /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
}

restore_prefix_dpi() { # <build dir>
  [[ -n $prefix_dpi_saved ]] || return 0
  if [[ $prefix_dpi_saved == none ]]; then
    "$1/wine-run.sh" reg delete "$prefix_dpi_key" /v LogPixels /f >/dev/null 2>&1
  else
    "$1/wine-run.sh" reg add "$prefix_dpi_key" /v LogPixels /t REG_DWORD /d "$((prefix_dpi_saved))" /f >/dev/null 2>&1
  fi
  prefix_dpi_saved=
}

stop_wine() { # <build dir>: ends its wineserver and with it the prefix's processes
  WINEPREFIX="$1/wineprefix" /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
}
