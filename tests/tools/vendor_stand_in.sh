# Sourced by the end-to-end scripts: the vendor stand-in on a free loopback
# port, serving "$work/root" and logging to "$work/server.log"; "$source" is
# the source tree. One server at a time; the caller's EXIT trap calls
# stop_server.
server=
port=
start_server() { # <vendor-server options...>
  stop_server
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "$source/tools/vendor-server/vendor-server" --port "$port" --root "$work/root" --lifetime 150 "$@" \
    2>>"$work/server.log" &
  server=$!
  for _ in $(seq 50); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2)" 2>/dev/null && return
    sleep 0.1
  done
}
stop_server() {
  [[ -n $server ]] && { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; }
  server=
}
