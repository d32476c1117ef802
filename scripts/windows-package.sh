#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Packages the cross-built programs for Windows:
#   BUILD/Vorlix-VERSION-setup.exe  the installer (NSIS), into
#                                   C:\Program Files\Kestrun with Start menu entries
#   BUILD/Vorlix-VERSION-portable.zip  the same files in a folder of their own
# Both carry Vorlix.exe, KestrunLobby.exe, the Qt libraries and plugins they
# load, MinGW's runtime and, in licenses\, the licences of all of these; the
# word list, sounds and pictures are inside the executables. The player's data lives in %APPDATA%\Vorlix either way.
#
#   scripts/windows-package.sh BUILD QT_PREFIX VERSION
set -eu

build=$(cd "$1" && pwd)
qt=$2
version=$3
here=$(cd "$(dirname "$0")/.." && pwd)
triplet=x86_64-w64-mingw32

work="$build/package"
stage="$work/Vorlix-$version"
rm -rf "$work"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats" "$stage/tls"

cp "$build/app/Vorlix.exe" "$build/app/KestrunLobby.exe" "$stage/"
$triplet-strip "$stage/Vorlix.exe" "$stage/KestrunLobby.exe"
for lib in Qt6Core Qt6Gui Qt6Widgets Qt6Network; do
  cp "$qt/bin/$lib.dll" "$stage/"
done
# The plugins Qt loads: the window system, the native look, the JPEG and
# icon readers, and the system's TLS for the download window's addresses.
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$qt/plugins/imageformats/qjpeg.dll" "$qt/plugins/imageformats/qico.dll" "$stage/imageformats/"
cp "$qt/plugins/tls/qschannelbackend.dll" "$stage/tls/"
# MinGW's C++ runtime, of the compiler that built everything above.
gcclib=$(dirname "$($triplet-g++-posix -print-libgcc-file-name)")
cp "$gcclib/libstdc++-6.dll" "$gcclib/libgcc_s_seh-1.dll" "$stage/"
cp "/usr/$triplet/lib/libwinpthread-1.dll" "$stage/"
for dll in "$stage"/*.dll "$stage"/*/*.dll; do
  $triplet-strip --strip-unneeded "$dll"
done

# The licences: the game's own (GPL-3.0-or-later) and its copyright file,
# which covers the word list (SCOWL's notice) and the artwork; and those of
# what the executables carry from others: Qt (LGPL-3), MinGW-w64's runtime and
# GCC's (with its runtime exception), miniupnpc and libnatpmp (BSD, whose
# notices must travel with a binary), as Debian records them.
licences="$stage/licenses"
mkdir -p "$licences"
cp "$here/LICENSE" "$licences/LICENSE.txt"
cp "$here/packaging/copyright" "$licences/Vorlix-copyright.txt"
cp /usr/share/common-licenses/LGPL-3 "$licences/LGPL-3.txt"
cp /usr/share/doc/libqt6core6/copyright "$licences/Qt-copyright.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$licences/MinGW-w64-copyright.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licences/GCC-runtime-copyright.txt"
cp /usr/share/doc/libminiupnpc-dev/copyright "$licences/miniupnpc-copyright.txt"
cp /usr/share/doc/libnatpmp-dev/copyright "$licences/libnatpmp-copyright.txt"

# Every file by name, for the installer and, in reverse, its uninstaller.
files="$work/files.nsh"
unfiles="$work/unfiles.nsh"
: >"$files"
: >"$unfiles"
dirs=""
(cd "$stage" && find . -type f | sed 's|^\./||' | sort) >"$work/list"
while read -r f; do
  dir=$(dirname "$f")
  win=$(printf '%s' "$f" | tr / '\\')
  if [ "$dir" = "." ]; then
    printf 'SetOutPath "$INSTDIR"\n' >>"$files"
  else
    printf 'SetOutPath "$INSTDIR\\%s"\n' "$dir" >>"$files"
    case " $dirs " in *" $dir "*) ;; *) dirs="$dirs $dir" ;; esac
  fi
  printf 'File "%s/%s"\n' "$stage" "$f" >>"$files"
  printf 'Delete "$INSTDIR\\%s"\n' "$win" >>"$unfiles"
done <"$work/list"
for dir in $dirs; do
  printf 'RMDir "$INSTDIR\\%s"\n' "$dir" >>"$unfiles"
done

makensis -V2 -DVERSION="$version" -DLISTS="$work" \
  -DOUTFILE="$build/Vorlix-$version-setup.exe" "$here/packaging/windows/vorlix.nsi"
rm -f "$build/Vorlix-$version-portable.zip"
(cd "$work" && zip -qr9 "$build/Vorlix-$version-portable.zip" "Vorlix-$version")
echo "windows-package: $build/Vorlix-$version-setup.exe ($(du -k "$build/Vorlix-$version-setup.exe" | cut -f1) KB)," \
  "$build/Vorlix-$version-portable.zip ($(du -k "$build/Vorlix-$version-portable.zip" | cut -f1) KB)," \
  "installed $(du -sk "$stage" | cut -f1) KB"
