#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build of the test suite under Wine, in a Wine prefix of
# the build tree's own, with widgets offscreen.
#
#   scripts/windows-test.sh BUILD QT_PREFIX JOBS
set -eu

build=$(cd "$1" && pwd)
qt=$2
jobs=${3:-2}
triplet=x86_64-w64-mingw32

# Qt's DLLs, and MinGW's runtime (libstdc++, libgcc, winpthread), which the
# test programs load from WINEPATH rather than from beside themselves.
gcclib=$(dirname "$($triplet-g++-posix -print-libgcc-file-name)")
export WINEPATH="$qt/bin;$gcclib;/usr/$triplet/lib"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko prompts
# Qt finds its plugins beside its DLLs, and the tests' main chooses the
# offscreen platform: Wine would not pass QT_* variables on anyway.
# No window system: nothing here may reach the desktop this runs on.
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
# Offscreen, Qt on Windows reads fonts from one folder of its own and knows
# no aliases: the Linux tests' fonts go there (DejaVu Sans, fontconfig's
# default; Liberation Sans and Serif, which have the metrics of Arial and
# Times New Roman), and the tests' main maps the Windows names onto them.
mkdir -p "$build/fonts"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
  /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf \
  /usr/share/fonts/truetype/liberation2/LiberationSerif-*.ttf "$build/fonts/"
# (Wine passes no QT_* variable on: the tests' main takes it from this one.)
export VORLIX_TEST_FONTDIR="$build/fonts"
cd "$build"
status=0
ctest --output-on-failure -j "$jobs" || status=$?
/usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status
