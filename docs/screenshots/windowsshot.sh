#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build tried as a player would, under Wine on a virtual display
# (Xvfb): the installer run silently, the installed game's solo game against
# Grob (its picture is kept), then the uninstaller, after which nothing of the
# program may be left. Everything runs in a Wine prefix of its own.
#   docs/screenshots/windowsshot.sh SETUP.exe OUT.png
# Needs wine64, Xvfb, xdotool, ImageMagick's import and convert, and the
# Liberation fonts, which stand in for Arial and Times New Roman as on Linux.
set -eu
setup=$(readlink -f "$1")
out=$2
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=:97
wine=/usr/lib/wine/wine64
pids=""
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  for p in $pids; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb $DISPLAY -screen 0 1280x800x24 >/dev/null 2>&1 &
pids="$pids $!"
disown $!
sleep 1
$wine wineboot --init >/dev/null 2>&1
# A Windows desktop has Arial and Times New Roman; Wine stands in the fonts
# with their metrics, as fontconfig does on Linux.
for face in Arial "MS Sans Serif"; do
  $wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "Liberation Sans" /f >/dev/null 2>&1
done
$wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Times New Roman" \
  /d "Liberation Serif" /f >/dev/null 2>&1

$wine "$setup" /S
/usr/lib/wine/wineserver -w
dir="$WINEPREFIX/drive_c/Program Files/Kestrun"
for f in Vorlix.exe KestrunLobby.exe Uninstall.exe; do
  [ -f "$dir/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
echo "installed: $(du -sk "$dir" | cut -f1) KB in C:\\Program Files\\Kestrun"

# The solo game: "Play Solo Game" in the lobby window, START GAME, START GAME
# in the game options, then three words of the round.
(cd "$dir" && exec $wine Vorlix.exe >/dev/null 2>&1) &
disown $!
sleep 10
xdotool mousemove 845 267 click 1
sleep 2
xdotool mousemove 682 97 click 1
sleep 2
xdotool mousemove 388 421 click 1
sleep 4
for word in bread brick brave zzzzz; do
  xdotool type --delay 60 "$word"
  xdotool key Return
  sleep 1
done
import -window root "$work/screen.png"
convert "$work/screen.png" -crop 793x530+3+24 +repage "$out"
echo "wrote $out"

# The player's settings and tally stay in their own folder; the program goes.
(cd "$dir" && $wine Vorlix.exe --version >/dev/null 2>&1) || true
/usr/lib/wine/wineserver -k 2>/dev/null || true
sleep 1
$wine "$dir/Uninstall.exe" /S
/usr/lib/wine/wineserver -w
sleep 2
if [ -e "$dir" ]; then
  echo "left behind:" >&2
  find "$dir" >&2
  exit 1
fi
left=$(find "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu" -iname '*vorlix*' -o \
  -iname '*kestrun*' | head -n 1)
[ -z "$left" ] || { echo "left behind: $left" >&2; exit 1; }
echo "uninstalled: nothing of the program left; the player's folder:"
find "$WINEPREFIX/drive_c/users" -ipath '*AppData/Roaming/Vorlix*' -type f | sed 's|.*/drive_c/|  C:/|'
