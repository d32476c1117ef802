#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# How long a dedicated server keeps the seat of a player whose network
# silently dies. Needs root (a network namespace of its own) and about two
# minutes; not part of `make bench`.
#   sh bench/net/deadpeer.sh build/app/vorlix idle   # nothing waiting to be sent
#   sh bench/net/deadpeer.sh build/app/vorlix game   # a game running: data waiting
# Inside a fresh namespace the loopback link is taken down under two logged-in
# players: every packet is then lost without a reset or a close, as when a
# player's line dies. It prints the seconds from then until the server has
# freed both seats.
set -e
if [ "$3" != inside ]; then
  exec unshare -n sh "$0" "$(realpath "$1")" "$2" inside
fi
BIN=$1
MODE=$2
# The players log in with the server's own version ("Vorlix 1.2.3").
VERSION=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$BIN" --version | cut -d' ' -f2)
DIR=$(mktemp -d)
ip link set lo up
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$BIN" --server --port 7790 \
  --pause quick > "$DIR/server.log" 2>&1 &
SERVER=$!
sleep 2
python3 - "$MODE" "$VERSION" <<'PY' &
import socket, sys, time
def login(name):
    s = socket.create_connection(("127.0.0.1", 7790))
    data = b""
    while b"\xff" not in data:
        data += s.recv(100)
    n = int(data.split(b"\xff")[0].split(b"+")[1])
    s.sendall(b"CMD_logininfo+%d+%s+%s\xff\xff" % (n, sys.argv[2].encode(), name))
    return s
host, two = login(b"Host"), login(b"Two")
if sys.argv[1] == "game":
    # Rounds of eight seconds: round ends and starts keep coming after the link dies.
    host.sendall(b"CMD_startgame+Host+5+8+0+1+\xff")
time.sleep(600)
PY
CLIENTS=$!
sleep 5
DOWN=$(date +%s)
ip link set lo down
for i in $(seq 1 300); do
  [ "$(grep -c 'leave:' "$DIR/server.log")" -ge 2 ] && break
  sleep 1
done
echo "$MODE: seats freed $(( $(date +%s) - DOWN )) s after the link died"
grep -E 'drop:|leave:' "$DIR/server.log"
kill $CLIENTS $SERVER
rm -rf "$DIR"
