#!/bin/sh
# Installs the Debian packages that building, testing and benchmarking need.
# Idempotent: when everything is present it installs nothing.
set -e

PACKAGES="
cmake
ninja-build
g++
make
pkg-config
qt6-base-dev
qt6-multimedia-dev
libqt6multimedia6
libgl-dev
libgtest-dev
scowl
fonts-liberation2
liblz4-dev
zlib1g-dev
"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
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
