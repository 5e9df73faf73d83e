#!/usr/bin/env bash
# Builds the installer and runs its main job under Wine against the
# built-in loopback stand-ins (the vendor's services on 127.0.0.1:18080, the
# emulator's programs), headless on Xvfb when there is no display, and
# prints what happened. Until the window exists the main job is driven by
# tools/vpheadless, with the install folder a user would pick.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$repo/scripts/setup.sh"

run_dir=$(runnable_build)
configure_and_build "$run_dir" "$(runnable_toolchain)" >/dev/null
if [[ $run_dir != "$build" ]]; then
  echo "note: this machine cannot run 32-bit programs; running the 64-bit build of the same sources"
fi

server=
cleanup() {
  [[ -n $server ]] && kill "$server" 2>/dev/null
  stop_wine "$run_dir"
  stop_display
}
trap cleanup EXIT
start_display
"$run_dir/wine-run.sh" cmd /c exit >/dev/null 2>&1 # creates the prefix on first use

# The vendor stand-in serves the stand-in installer as rizodi.exe, signed
# by the build's test publisher as a vendor would sign it.
root="$run_dir/vendor-root"
mkdir -p "$root"
cp "$run_dir/tools/standin-signed.exe" "$root/rizodi.exe"
if python3 -c "import socket; socket.create_connection(('127.0.0.1', 18080), 0.2)" 2>/dev/null; then
  echo "port 18080 is taken: stop what listens there, or build with other KOLVEX_HOST_* values" >&2
  exit 1
fi
"$repo/tools/vendor-server/vendor-server" --port 18080 --root "$root" --lifetime 300 2>"$run_dir/vendor-server.log" &
server=$!
for _ in $(seq 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', 18080), 0.2)" 2>/dev/null && break
  sleep 0.1
done

prefix_c="$run_dir/wineprefix/drive_c"
install='C:\Kolvex Demo'
rm -rf "$prefix_c/Kolvex Demo"
log="$prefix_c/users/$(whoami)/AppData/Roaming/Bexmoor2/log/vpinstall.log"
before=0
[[ -f "$log" ]] && before=$(stat -c %s "$log")

echo "== main job: vpheadless \"--dir=$install\" (display $DISPLAY)"
set +e
"$run_dir/wine-run.sh" "$run_dir/tools/vpheadless.exe" "--dir=$install"
code=$?
set -e
sleep 1 # the player is started without waiting for it
echo "== exit code: $code"
echo "== what the vendor stand-in served:"
sed 's/^/   /' "$run_dir/vendor-server.log"
echo "== programs the installer started (stand-in journal in $install):"
tr -d '\r' <"$prefix_c/Kolvex Demo/standin-journal.txt" 2>/dev/null | sed 's/^/   /' || true
echo "== what was installed:"
ls "$prefix_c/Kolvex Demo" | sed 's/^/   /'
echo "== log lines of this run ($log):"
if [[ -f "$log" ]]; then
  size=$(stat -c %s "$log")
  if (( size >= before )); then tail -c +$((before + 1)) "$log"; else cat "$log"; fi | tr -d '\r'
fi

# The installer's window as the toolkit draws it (the window itself is
# wired to the model by a later step): page 0 and the progress page.
shots="$run_dir/screenshots"
mkdir -p "$shots"
screenshot_layout() { # <file name> <vpgallery args...>
  local name=$1 gallery wid
  shift
  "$run_dir/wine-run.sh" "$run_dir/tools/vpgallery.exe" "$@" >/dev/null 2>&1 &
  gallery=$!
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name 'Kolvex' 2>/dev/null | head -1 || true)
    [[ -n $wid ]] && break
    sleep 0.1
  done
  if [[ -n $wid ]]; then
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    sleep 0.8
    import -window root "$shots/screen.png"
    /usr/bin/convert "$shots/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$name"
    rm -f "$shots/screen.png"
    echo "   $shots/$name"
    xdotool key Escape
  fi
  for _ in $(seq 50); do kill -0 "$gallery" 2>/dev/null || break; sleep 0.1; done
  kill "$gallery" 2>/dev/null || true
  wait "$gallery" 2>/dev/null || true
}
echo "== screenshots:"
screenshot_layout demo-mainframe.png mainframe.xml
screenshot_layout demo-progress.png --page 2 mainframe.xml
exit "$code"
