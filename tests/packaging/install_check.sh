#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built game into a temporary DESTDIR, as a package would, and
# checks what a desktop reads from it; with "package", also makes the .deb and
# checks that it carries exactly that tree and its library dependencies; with
# "lintian", makes the .deb and has Debian's own checker judge it. VERSION is
# the project's version, as CMake knows it: what the programs must print and
# the package must be named with.
#   install_check.sh BUILD_DIR VERSION [package|lintian]
set -u
build=$1
project_version=$2
mode=${3:-install}
id=com.kestrun.Vorlix
lobby=com.kestrun.KestrunLobby
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

if [ "$mode" = lintian ] && ! command -v lintian >/dev/null 2>&1; then
  echo "SKIPPED: lintian is not installed (make test installs it)"
  exit 77
fi

dest=$tmp/root
usr=$dest/usr
if ! DESTDIR=$dest cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log"
  fail "cmake --install failed"
  exit 1
fi

if [ "$mode" = package ] || [ "$mode" = lintian ]; then
  # The package, made from the same build; its file list must be the tree above.
  if ! cpack --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    fail "cpack failed"
    exit 1
  fi
  deb=$(ls "$tmp"/pkg/vorlix_"$project_version"_*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || { fail "no vorlix_${project_version}_*.deb made"; ls "$tmp"/pkg; exit 1; }
  echo "made $(basename "$deb")"
  if [ "$mode" = lintian ]; then
    # Every tag down to the pedantic and informational ones is shown; an error
    # or a warning fails. Its notice about running as root is not a tag.
    lintian --pedantic --display-info --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1
    lintian_status=$?
    cat "$tmp/lintian.log"
    grep -q '^[EW]: ' "$tmp/lintian.log" && fail "lintian reports errors or warnings"
    [ $lintian_status -eq 0 ] || fail "lintian exited with status $lintian_status"
    [ $status -eq 0 ] && echo "lintian: no error, no warning"
    exit $status
  fi
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print substr($6, 2) }' | sort >"$tmp/deb.txt"
  (cd "$dest" && find . ! -type d | sed 's|^\.||' | sort) >"$tmp/tree.txt"
  diff -u "$tmp/tree.txt" "$tmp/deb.txt" || fail "the package's files differ from the install tree"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for lib in libqt6widgets6 libqt6network6 libqt6multimedia6 libhiredis libc6 fonts-liberation2; do
    case "$depends" in
    *"$lib"*) ;;
    *) fail "Depends lacks $lib" ;;
    esac
  done
  exit $status
fi

# The programs in /usr/games, as Debian's policy places games; nothing in /usr/bin.
for f in games/vorlix games/kestrunlobby share/applications/$id.desktop \
  share/applications/$lobby.desktop share/metainfo/$id.metainfo.xml share/man/man6/vorlix.6.gz \
  share/man/man6/kestrunlobby.6.gz share/icons/hicolor/scalable/apps/$id.svg \
  share/icons/hicolor/scalable/apps/$lobby.svg share/doc/vorlix/copyright \
  share/doc/vorlix/changelog.gz; do
  [ -f "$usr/$f" ] || fail "not installed: /usr/$f"
done
[ -e "$usr/bin" ] && fail "something installed in /usr/bin: $(ls -A "$usr/bin")"
# Without the compiler's version notes.
for program in vorlix kestrunlobby; do
  objdump -h "$usr/games/$program" | grep -q ' \.comment ' && fail "$program keeps .comment"
done

# The desktop entries and the AppStream metadata, as the desktop's tools see them.
for entry in $id $lobby; do
  out=$(desktop-file-validate "$usr/share/applications/$entry.desktop" 2>&1) ||
    fail "desktop-file-validate $entry failed"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
done
# Started by their full path: /usr/games is not on every PATH.
for entry in "$id vorlix" "$lobby kestrunlobby"; do
  set -- $entry
  for key in Exec TryExec; do
    grep -qx "$key=/usr/games/$2" "$usr/share/applications/$1.desktop" ||
      fail "$1.desktop: $key is not /usr/games/$2"
  done
done
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$tmp/as.log" 2>&1 ||
  { cat "$tmp/as.log"; fail "appstreamcli validate failed"; }
grep -q '<binary>kestrunlobby</binary>' "$usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo does not name the lobby"

# The manual pages, compressed as Debian ships them, render without a single
# warning.
for page in vorlix kestrunlobby; do
  gzip -t "$usr/share/man/man6/$page.6.gz" || fail "$page.6.gz is not gzip"
  MANWIDTH=80 man --warnings -l -Tutf8 "$usr/share/man/man6/$page.6.gz" >"$tmp/$page.txt" \
    2>"$tmp/man.err" || fail "man -l $page failed"
  [ -s "$tmp/man.err" ] && { cat "$tmp/man.err"; fail "man -l $page warned"; }
  gzip -dc "$usr/share/man/man6/$page.6.gz" | groff -ww -z -man >"$tmp/groff.err" 2>&1 ||
    fail "groff failed"
  [ -s "$tmp/groff.err" ] && { cat "$tmp/groff.err"; fail "groff $page warned"; }
done
grep -q 7772 "$tmp/vorlix.txt" || fail "the manual page does not name port 7772"
# Bold and underlined words are written over themselves with backspaces.
sed 's/.\x08//g' "$tmp/vorlix.txt" | grep -q kestrunlobby ||
  fail "the game's manual page does not name the lobby"
# A service runs as root, whose PATH has no /usr/games: the page shows the full path.
sed 's/.\x08//g' "$tmp/vorlix.txt" | grep -q '/usr/games/vorlix --server' ||
  fail "the game's manual page does not show /usr/games/vorlix --server"

# Every PNG is the size its folder says: width and height from the IHDR chunk.
for png_id in $id $lobby; do
for size in 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$png_id.png
  if [ ! -f "$png" ]; then
    fail "no ${size}x${size} icon"
    continue
  fi
  magic=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
  [ "$magic" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  dims=$(od -An -tu1 -j16 -N8 "$png" |
    awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done
done

# The installed program answers without a display and writes nothing.
mkdir -p "$tmp/xdg" "$tmp/home" "$tmp/run"
chmod 700 "$tmp/run"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_DATA_HOME="$tmp/xdg" \
  HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" "$usr/games/vorlix" --version) ||
  fail "vorlix --version failed"
[ "$version" = "Vorlix $project_version" ] || fail "vorlix --version printed '$version'"
lobby_version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_DATA_HOME="$tmp/xdg" \
  HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" "$usr/games/kestrunlobby" --version) ||
  fail "kestrunlobby --version failed"
[ "$lobby_version" = "Kestrun Lobby $project_version" ] || fail "kestrunlobby --version printed '$lobby_version'"
[ -z "$(ls -A "$tmp/xdg")" ] || fail "--version made files in XDG_DATA_HOME"

# An installed copy keeps its settings in $XDG_DATA_HOME/Vorlix, never beside the
# program, even where it could write there (as root). Two parameters: the window
# waits at its loading line and nothing connects. Once the folder exists the
# program has its termination handler; SIGTERM closes the window. Closing before
# the player's arrival saves only what changed: the window stands elsewhere
# (Qt's -qwindowgeometry, as a player would move it), so its bounds are saved.
env -u DISPLAY QT_QPA_PLATFORM=offscreen WAYLAND_DISPLAY="vorlix-install-check-$$" \
  XDG_DATA_HOME="$tmp/xdg" HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" \
  "$usr/games/vorlix" -qwindowgeometry 800x540+40+30 Tester nowhere >"$tmp/run.log" 2>&1 &
pid=$!
tries=0
while [ ! -d "$tmp/xdg/Vorlix" ] && kill -0 $pid 2>/dev/null && [ $tries -lt 1200 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
kill -TERM $pid 2>/dev/null
wait $pid
[ -f "$tmp/xdg/Vorlix/kestrunlobby.ini" ] || { cat "$tmp/run.log"; fail "no settings in \$XDG_DATA_HOME/Vorlix"; }
grep -q "^Left=40" "$tmp/xdg/Vorlix/kestrunlobby.ini" || fail "the moved window's place was not saved"
[ "$(ls -A "$usr/games" | tr '\n' ' ')" = "kestrunlobby vorlix " ] ||
  fail "files beside the installed programs: $(ls -A "$usr/games")"

[ $status -eq 0 ] && echo "install tree checked"
exit $status
