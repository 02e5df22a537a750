#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages only.
# Safe to run again: it installs only what is missing.
#   scripts/setup.sh [--wine32]   --wine32 also adds 32-bit Wine (i386 multiarch), which only
#                                 the package tests need to load the 32-bit plugin
set -euo pipefail

packages=(
  cmake make g++ clang pkg-config libgtest-dev libbenchmark-dev
  libqrencode-dev qrencode libzxing-dev python3-zxing-cpp python3-pytest python3-pil python3-numpy
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth xdotool imagemagick zip unzip bzip2 dpkg-dev
  libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# 32-bit Wine: about 150 MB of i386 packages; amd64 libraries are lifted to the same versions,
# which multiarch requires. Opt-in so that the main test run doesn't pay for it.
if [ "${1:-}" = --wine32 ] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "setup: installing wine32:i386"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends wine32:i386
fi
