#!/bin/sh
# Installs what fuzzing needs (make fuzz) on top of what building needs:
# clang, and its runtime with libFuzzer and the sanitizers. Idempotent: when
# everything is present it installs nothing.
set -e

sh "$(dirname "$0")/install-deps.sh"

PACKAGES="
clang
libclang-rt-14-dev
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
