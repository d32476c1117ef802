#!/bin/sh
# Installs the Debian packages that building, testing, benchmarking and
# packaging use; with the argument "fuzz", also what the libFuzzer targets need.
# Idempotent and quick: one dpkg-query call, and nothing is installed (nor is
# apt's list refreshed) when every package is present.
set -e

# build: compilers and tools; Qt (qt6-base-dev brings libgl-dev, which Qt's
# CMake files need); Qt SVG renders the icon. tests: GoogleTest; the desktop's
# own validators (desktop-file-utils, appstream, man-db); dpkg-dev for the .deb's
# library dependencies. words: scowl. fonts: the stand-ins for Arial and Times
# New Roman. bench: LZ4 and zlib, the yardsticks of the codecs.
PACKAGES="
cmake
ninja-build
g++
make
qt6-base-dev
qt6-multimedia-dev
qt6-svg-dev
libgtest-dev
scowl
fonts-liberation2
desktop-file-utils
appstream
man-db
dpkg-dev
liblz4-dev
zlib1g-dev
"
# clang's fuzzer and sanitizer runtimes are in their own package, which
# --no-install-recommends leaves out.
FUZZ_PACKAGES="
clang
libclang-rt-14-dev
"

for arg in "$@"; do
  case "$arg" in
  fuzz) PACKAGES="$PACKAGES $FUZZ_PACKAGES" ;;
  *)
    echo "usage: $0 [fuzz]" >&2
    exit 2
    ;;
  esac
done

# dpkg-query names the packages it knows; those it does not know are missing.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' $PACKAGES 2>/dev/null |
  awk '$2 == "installed" { print $1 }') || true
missing=""
for p in $PACKAGES; do
  if ! printf '%s\n' "$installed" | grep -qx "$p"; then
    missing="$missing $p"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
else
  SUDO="sudo"
fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
