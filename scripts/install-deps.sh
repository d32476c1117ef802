#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the project uses:
#   install-deps.sh         what building and running the game and the lobby need
#   install-deps.sh test    that, and what the tests, benchmarks and packaging use
#   install-deps.sh fuzz    that, and what the libFuzzer targets need
#   install-deps.sh windows that, and what the Windows build needs (make windows)
# Idempotent and quick: one dpkg-query call, and nothing is installed (nor is
# apt's list refreshed) when every package is present.
set -e

# build: compilers and tools; Qt (qt6-base-dev brings libgl-dev, which Qt's
# CMake files need); Qt SVG renders the icon; hiredis, the lobby service's
# client of a shared Redis store; miniupnpc and natpmp, with which a hosted
# table asks the home router to forward its port. words: scowl. fonts: the
# stand-ins for Arial and Times New Roman. dpkg-dev: Debian's hardening flags
# (dpkg-buildflags), which the build takes, and the .deb's library
# dependencies (dpkg-shlibdeps), which `make package` reads from the programs.
PACKAGES="
cmake
ninja-build
g++
make
qt6-base-dev
qt6-multimedia-dev
qt6-svg-dev
libhiredis-dev
libminiupnpc-dev
libnatpmp-dev
scowl
fonts-liberation2
dpkg-dev
"
# tests: GoogleTest; the desktop's own validators (desktop-file-utils,
# appstream, man-db); lintian, Debian's checker, which the package must pass
# without an error or a warning; a Redis
# server the lobby service's tests start on a private port; iproute2 for the
# network namespaces of the discovery tests; the home router of the port
# mapping tests: nftables and miniupnpd-nftables, the daemon alone (Debian's
# `miniupnpd` package around it brings debconf questions, an init script and a
# systemd unit; the tests start the daemon themselves, inside a namespace, so
# that package is left out and no system miniupnpd exists to run). bench: LZ4
# and zlib, the yardsticks of the codecs. A screen reader's view of the board:
# a display (xvfb), a session bus (dbus-daemon), the accessibility bus
# (at-spi2-core) and a listener on it (python3-pyatspi).
TEST_PACKAGES="
libgtest-dev
desktop-file-utils
appstream
man-db
lintian
redis-server
iproute2
nftables
miniupnpd-nftables
liblz4-dev
zlib1g-dev
xvfb
dbus-daemon
at-spi2-core
python3-pyatspi
"
# clang's fuzzer and sanitizer runtimes are in their own package, which
# --no-install-recommends leaves out.
FUZZ_PACKAGES="
clang
libclang-rt-14-dev
"
# windows: the MinGW-w64 cross compilers (the posix thread model, which Qt's
# threads need), Wine to run what they build, NSIS for the installer, zip for
# the portable copy, dpkg-dev to unpack Debian's sources of Qt and the port
# mapping libraries, xvfb and imagemagick for trying the installed game on a
# display of its own and keeping a picture of it, DejaVu for the offscreen
# tests' default font.
WINDOWS_PACKAGES="
g++-mingw-w64-x86-64-posix
wine64
nsis
zip
dpkg-dev
xvfb
xauth
imagemagick
fonts-dejavu-core
"

for arg in "$@"; do
  case "$arg" in
  test) PACKAGES="$PACKAGES $TEST_PACKAGES" ;;
  fuzz) PACKAGES="$PACKAGES $TEST_PACKAGES $FUZZ_PACKAGES" ;;
  windows) PACKAGES="$PACKAGES $TEST_PACKAGES $WINDOWS_PACKAGES" ;;
  *)
    echo "usage: $0 [test|fuzz|windows]" >&2
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

# redis-server's package starts a system Redis on port 6379 as it installs.
# The tests start their own on private ports and nothing else here uses one,
# so services are kept from starting during this installation (the usual
# policy-rc.d way, only when no policy is in place already). nftables' unit is
# installed disabled and only restarted on upgrades; the policy covers that
# too, so no firewall of the machine's own is loaded or flushed.
POLICY=/usr/sbin/policy-rc.d
own_policy=""
case "$missing" in
*redis-server* | *nftables*)
  if [ ! -e "$POLICY" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$POLICY" >/dev/null
    $SUDO chmod 755 "$POLICY"
    own_policy=yes
  fi
  ;;
esac
status=0
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing ||
  status=$?
if [ -n "$own_policy" ]; then
  $SUDO rm -f "$POLICY"
fi
# Nor is it left to start with the next boot.
case "$missing" in
*redis-server*)
  if [ "$status" -eq 0 ] && [ -d /run/systemd/system ]; then
    $SUDO systemctl disable --now redis-server >/dev/null 2>&1 || true
  fi
  ;;
esac
exit $status
