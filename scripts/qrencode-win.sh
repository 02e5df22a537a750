#!/usr/bin/env bash
# Builds a static libqrencode for Windows from Debian's own source package.
#   scripts/qrencode-win.sh <arch>     arch: x86_64 or i686
# Result: build/deps/qrencode-<arch>/{include/qrencode.h,lib/libqrencode.a}
# The upstream tarball's SHA-256 is checked against the Debian source index.
set -euo pipefail

arch=${1:-x86_64}
top=$(cd "$(dirname "$0")/.." && pwd)
prefix="$top/build/deps/qrencode-$arch"
[ -f "$prefix/lib/libqrencode.a" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# A deb-src twin of the machine's Debian entry, so that apt knows the source package.
srclist=/etc/apt/sources.list.d/qrlister-src.sources
if ! apt-cache showsrc qrencode >/dev/null 2>&1 || [ -z "$(apt-cache showsrc qrencode 2>/dev/null)" ]; then
  origin=$(grep -h -E '^URIs:.*debian/?$' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1 | awk '{print $2}')
  suites=$(grep -h -A2 -E '^URIs:.*debian/?$' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -m1 '^Suites:' | cut -d' ' -f2-)
  if [ -z "$origin" ]; then
    line=$(grep -h -E '^deb .*debian/? ' /etc/apt/sources.list 2>/dev/null | head -1)
    origin=$(echo "$line" | awk '{print $2}')
    suites=$(echo "$line" | awk '{print $3}')
  fi
  [ -n "$origin" ] || origin=http://deb.debian.org/debian
  [ -n "$suites" ] || suites=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$origin" "$suites" | $SUDO tee "$srclist" >/dev/null
  $SUDO apt-get update -qq
fi

work="$top/build/qrencode-src"
mkdir -p "$work"
cd "$work"
tarball=$(ls qrencode_*.orig.tar.* 2>/dev/null | head -1 || true)
if [ -z "$tarball" ]; then
  # Only the upstream tarball is needed; the Debian changes archive may fail to download.
  apt-get source --download-only qrencode >/dev/null 2>&1 || true
  tarball=$(ls qrencode_*.orig.tar.* 2>/dev/null | head -1 || true)
fi
[ -n "$tarball" ] || { echo "qrencode-win: could not fetch the qrencode source" >&2; exit 1; }

# The expected checksum is the one the source index lists for this file.
expected=$(apt-cache showsrc qrencode | awk -v f="$tarball" '
  /^Checksums-Sha256:/ {s=1; next} /^[^ ]/ {s=0} s && $3==f {print $1; exit}')
actual=$(sha256sum "$tarball" | cut -d' ' -f1)
if [ -z "$expected" ] || [ "$expected" != "$actual" ]; then
  echo "qrencode-win: SHA-256 mismatch for $tarball (expected '$expected', got '$actual')" >&2
  rm -f "$tarball"
  exit 1
fi
echo "qrencode-win: $tarball sha256 $actual verified"

# No thread library: the plugin calls the encoder from the host's UI thread only, and the
# winpthread DLL must not become an import.
rm -rf "src-$arch" && mkdir "src-$arch"
tar -xf "$tarball" -C "src-$arch" --strip-components=1
cmake -S "src-$arch" -B "build-$arch" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_C_COMPILER="$arch-w64-mingw32-gcc-win32" \
  -DCMAKE_RC_COMPILER="$arch-w64-mingw32-windres" \
  -DCMAKE_FIND_ROOT_PATH="/usr/$arch-w64-mingw32" \
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
  -DCMAKE_DISABLE_FIND_PACKAGE_Threads=ON \
  -DWITH_TOOLS=NO -DWITH_TESTS=NO -DBUILD_SHARED_LIBS=OFF -DWITHOUT_PNG=ON \
  -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "build-$arch" -j2 >/dev/null
cmake --install "build-$arch" >/dev/null
echo "qrencode-win: installed to $prefix"
