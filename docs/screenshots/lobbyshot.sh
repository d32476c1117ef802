#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws docs/lobby.png with the real programs: a lobby service, two dedicated
# servers listed in it with players who joined by invite code, a table hosted
# on this network, three players chatting, and the lobby's window on a virtual
# display (Xvfb), whose screen is then cropped to the window. Everything stays
# on this machine's loopback; the ports are those below.
#   docs/screenshots/lobbyshot.sh BUILD_DIR OUT.png
# Needs Xvfb, xwd (x11-apps) and ImageMagick's convert.
set -eu
build=$(cd "$1" && pwd)
out=$2
work=$(mktemp -d)
pids=""
cleanup() {
  for p in $pids; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# In the background, and out of the shell's job table, so that ending them
# says nothing.
keep() { pids="$pids $1"; disown "$1"; }
start() { "$@" >/dev/null 2>&1 & keep $!; }
code() { grep -o '+[0-9A-Z]\{4\}-[0-9A-Z]\{4\}' "$1" | head -n 1; }

service=127.0.0.1:27950
# The listed tables answer discovery on a port of their own, so that the
# lobby sees them on the internet only; the lobby and Ann's table share 27952.
mkdir "$work/far" "$work/near"
cp "$build/app/vorlix" "$work/far/"
cp "$build/app/vorlix" "$build/app/kestrunlobby" "$work/near/"
printf '[Kestrun Lobby]\r\nDiscoveryPort=27951\r\n' >"$work/far/kestrunlobby.ini"
printf '[Kestrun Lobby]\r\nDiscoveryPort=27952\r\nName=Zo\353\r\n' >"$work/near/kestrunlobby.ini"

start "$work/near/kestrunlobby" --server --port 27950
sleep 1
"$work/far/vorlix" --server --port 27960 --public "Club night" --lobby $service >"$work/club.log" 2>&1 &
keep $!
"$work/far/vorlix" --server --port 27961 --public "Word warriors" --lobby $service >"$work/word.log" 2>&1 &
keep $!
sleep 2
for who in Bob Cleo; do
  WAYLAND_DISPLAY=shot-$who QT_QPA_PLATFORM=offscreen \
    start "$work/far/vorlix" --lobby $service -- $who "$(code "$work/club.log")" false
  sleep 1
done
WAYLAND_DISPLAY=shot-Dee QT_QPA_PLATFORM=offscreen \
  start "$work/far/vorlix" --lobby $service -- Dee "$(code "$work/word.log")" false
WAYLAND_DISPLAY=shot-Ann QT_QPA_PLATFORM=offscreen \
  start "$work/near/vorlix" --port 27962 -- Ann 127.0.0.1 true

# Players in the lobby's chat, speaking the lobby protocol as any client may.
say() {
  (exec 3<>/dev/tcp/127.0.0.1/27950
   printf 'HELLO\t1\tkestrunlobby\t1.0.4\nNAME\t%s\nENTER\n' "$1" >&3
   sleep "$2"
   printf 'SAY\t%s\n' "$3" >&3
   sleep 60) &
  keep $!
}
say Bob 1 "Anyone up for a quick game? Club night has two seats waiting."
say Cleo 2 "Ann, your table is on my network too, I'll join after this one."
say Dee 3 "Word warriors starts when we are three."

start Xvfb :98 -screen 0 1280x800x24
sleep 1
DISPLAY=:98 start "$work/near/kestrunlobby" --lobby $service
sleep 6
DISPLAY=:98 xwd -root -silent | convert xwd:- -crop 760x560+0+0 +repage "$out"
echo "wrote $out"
