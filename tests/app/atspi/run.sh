#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays the board driver on a display of its own (Xvfb) with a session bus and
# an accessibility bus of its own, while listener.py hears it as a screen
# reader does. Exits 77 (skipped) where that stack can't be started here.
#   run.sh BOARDDRIVER LISTENER.py
set -u
driver=$1
listener=$2
need() {
  command -v "$1" >/dev/null 2>&1 || { echo "SKIPPED: no $1 here (needs $2)"; exit 77; }
}
need Xvfb xvfb
need dbus-run-session dbus-daemon
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "SKIPPED: no AT-SPI bus (at-spi2-core)"; exit 77; }
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIPPED: no pyatspi (python3-pyatspi)"; exit 77; }

work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
# Xvfb picks a free display and says which.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "SKIPPED: Xvfb would not start"; exit 77; }
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
unset WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work"

dbus-run-session -- sh -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  sleep 1
  /usr/bin/python3 "$1" "$2/ready" NUDGE &
  ears=$!
  for _ in $(seq 100); do [ -e "$2/ready" ] && break; sleep 0.1; done
  [ -e "$2/ready" ] || { echo "the listener never got ready"; kill $ears $launcher; exit 1; }
  "$3" 500
  wait $ears
  status=$?
  kill $launcher 2>/dev/null
  exit $status
' run "$listener" "$work" "$driver"
