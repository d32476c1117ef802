#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds, for 64-bit Windows with MinGW-w64, what the Windows build links
# and Debian ships only for Linux:
#   - Qt Base 6.4.2 from Debian's source (the host's own Qt version, whose
#     tools, moc, rcc and uic, the cross build runs): Core, Gui, Widgets,
#     Network and Test, with the Windows and offscreen platform plugins;
#   - miniupnpc and libnatpmp from Debian's source, static, for the game's
#     port mapping.
# Installs them into PREFIX (default ~/.cache/vorlix/qt-mingw-6.4.2), outside
# the repository. A prefix built by the same recipe (this script and the
# toolchain file) is reused at once; a changed recipe builds it again.
#
#   scripts/windows-qt.sh [PREFIX]
#
# Environment: JOBS (default: the cores), VORLIX_WINDOWS_WORK (sources and
# build trees, default ~/.cache/vorlix/windows-work; removed after a good
# build unless KEEP_WORK=1).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
PREFIX=${1:-${VORLIX_WINDOWS_PREFIX:-$HOME/.cache/vorlix/qt-mingw-6.4.2}}
WORK=${VORLIX_WINDOWS_WORK:-$HOME/.cache/vorlix/windows-work}
JOBS=${JOBS:-$(nproc)}
TOOLCHAIN=$here/cmake/mingw-w64.cmake
QT_VERSION=6.4.2

# The recipe: what decides the prefix's contents. Comments and blank lines
# are no part of it, so a reworded comment keeps a build of an hour.
recipe=$(cat "$0" "$TOOLCHAIN" | grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' | sha256sum | cut -d' ' -f1)
if [ -f "$PREFIX/.vorlix-recipe" ] && [ "$(cat "$PREFIX/.vorlix-recipe")" = "$recipe" ]; then
  echo "windows-qt: reusing $PREFIX"
  exit 0
fi

sh "$here/scripts/install-deps.sh" windows
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi

# Debian's sources: apt needs a deb-src entry for the release this machine
# runs; one of the project's own is added when there is none.
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
  . /etc/os-release
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$VERSION_CODENAME" "$VERSION_CODENAME" | $SUDO tee /etc/apt/sources.list.d/vorlix-src.sources >/dev/null
  $SUDO apt-get update
fi

start=$(date +%s)
mkdir -p "$WORK/src"
cd "$WORK/src"

# fetch PACKAGE: Debian's source of PACKAGE, unpacked with Debian's patches,
# in a directory named PACKAGE-VERSION.
fetch() {
  if ! ls -d "$1"-*/ >/dev/null 2>&1; then
    apt-get source --download-only "$1"
    dpkg-source -x "$1"_*.dsc
  fi
}
fetch qt6-base
fetch miniupnpc
# libnatpmp: Debian's mirror may hold only the source of a newer release than
# the one the distribution's binary package came from; its original tarball
# (same library, same interface) is taken from Debian's pool then, checked.
NATPMP_TARBALL=libnatpmp_20230423.orig.tar.gz
NATPMP_SHA256=0684ed2c8406437e7519a1bd20ea83780db871b3a3a5d752311ba3e889dbfc70
if ! ls -d libnatpmp-*/ >/dev/null 2>&1; then
  if ! { apt-get source --download-only libnatpmp && dpkg-source -x libnatpmp_*.dsc; }; then
    curl -fsSL -o "$NATPMP_TARBALL" "http://deb.debian.org/debian/pool/main/libn/libnatpmp/$NATPMP_TARBALL"
    echo "$NATPMP_SHA256  $NATPMP_TARBALL" | sha256sum -c -
    tar xzf "$NATPMP_TARBALL"
  fi
fi
qtsrc=$(ls -d "$WORK"/src/qt6-base-*/ "$WORK"/src/qtbase-*/ 2>/dev/null | head -1)
upnpsrc=$(ls -d "$WORK"/src/miniupnpc-*/ | head -1)
natpmpsrc=$(ls -d "$WORK"/src/libnatpmp-*/ | head -1)

rm -rf "$PREFIX" "$WORK/build"
mkdir -p "$WORK/build"

# Qt: only what the programs and their tests use. Tablet events don't build
# with Debian's MinGW headers, nor does Direct2D (which nothing here uses);
# Qt 6.4 builds its DirectWrite 3 font database only with Direct2D, though
# the Windows plugin asks for it with DirectWrite 3 alone, so that is off too
# (fonts come through the plugin's other database);
# no OpenGL (nor its run-time choice of one, which still wants it), D-Bus,
# SQL or printing; every third-party library from Qt's own copy, since Debian
# has none of them for Windows.
cmake -S "$qtsrc" -B "$WORK/build/qtbase" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DBUILD_SHARED_LIBS=ON \
  -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DINPUT_opengl=no -DFEATURE_opengl=OFF \
  -DFEATURE_opengl_dynamic=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_directwrite3=OFF \
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_openssl=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_jpeg=ON -DFEATURE_png=ON
cmake --build "$WORK/build/qtbase" -j "$JOBS"
cmake --install "$WORK/build/qtbase" --strip

# The port-mapping libraries, static, so that the game carries them.
cmake -S "$upnpsrc" -B "$WORK/build/miniupnpc" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DUPNPC_BUILD_STATIC=ON -DUPNPC_BUILD_SHARED=OFF \
  -DUPNPC_BUILD_TESTS=OFF -DUPNPC_BUILD_SAMPLE=OFF
cmake --build "$WORK/build/miniupnpc" -j "$JOBS"
cmake --install "$WORK/build/miniupnpc"

# libnatpmp's own CMake file builds a static library and installs nothing:
# the library and its headers are placed by hand.
cmake -S "$natpmpsrc" -B "$WORK/build/libnatpmp" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release
cmake --build "$WORK/build/libnatpmp" -j "$JOBS" --target natpmp
mkdir -p "$PREFIX/include" "$PREFIX/lib"
cp "$natpmpsrc/natpmp.h" "$natpmpsrc/natpmp_declspec.h" "$PREFIX/include/"
cp "$WORK/build/libnatpmp/libnatpmp.a" "$PREFIX/lib/"

echo "$recipe" >"$PREFIX/.vorlix-recipe"
[ "${KEEP_WORK:-0}" = 1 ] || rm -rf "$WORK/build"
echo "windows-qt: built $PREFIX in $(($(date +%s) - start)) s"
