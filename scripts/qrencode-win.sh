#!/usr/bin/env bash
# Builds a static libqrencode for Windows from Debian's own source package.
#   scripts/qrencode-win.sh <arch>     arch: x86_64 or i686
# Result: build/deps/qrencode-<arch>/{include/qrencode.h,lib/libqrencode.a}
# The upstream tarball comes from third_party/ when the release's source archive put it there,
# else from apt (Debian's source package "qrencode"); its SHA-256 is checked against
# third_party/SHA256SUMS, or against the Debian source index, before it is built.
# QRL_QRENCODE_SOURCE=<folder> builds a changed libqrencode source tree instead, every time: the
# way to relink the plugin with your own copy of the library.
set -euo pipefail
. "$(dirname "$0")/common.sh"

arch=${1:-x86_64}
case "$arch" in
  x86_64 | i686) ;;
  *) echo "qrencode-win: unknown arch $arch (x86_64 or i686)" >&2; exit 2 ;;
esac
prefix="$top/build/deps/qrencode-$arch"
work="$top/build/qrencode-src"
mkdir -p "$work"
cd "$work"

# What the library in $prefix was built from: a build from a changed tree must not outlive the
# run that asked for it, or a release would ship it under the tarball's name. The stamp also
# names the SHA-256 of this script and of the CMake rules it adds: a library built by an older
# recipe is built anew.
stamp="$prefix/built-from"
recipe="recipe $(cat "$top/scripts/qrencode-win.sh" "$top/cmake/reproducible.cmake" | sha256sum | cut -d' ' -f1)"
if [ -z "${QRL_QRENCODE_SOURCE:-}" ] && [ -f "$prefix/lib/libqrencode.a" ] &&
  grep -qx 'qrencode_.*' "$stamp" 2>/dev/null && grep -qx "$recipe" "$stamp"; then
  exit 0
fi

tarball_here() {
  ls qrencode_*.orig.tar.* 2>/dev/null | head -n 1 || true
}

# The tarball in $work with a SHA256SUMS line that checks, or nothing.
verified_tarball() {
  local t
  t=$(tarball_here)
  [ -n "$t" ] && grep -q " $t\$" SHA256SUMS 2>/dev/null && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1 &&
    echo "$t"
}

# A deb-src twin of the machine's Debian entry, so that apt knows the source package.
ensure_deb_src() {
  local srclist=/etc/apt/sources.list.d/qrlister-src.sources twin
  [ -z "$(apt-cache showsrc qrencode 2>/dev/null)" ] || return 0
  twin=$(bash "$top/scripts/debsrc.sh") || exit 1
  printf '%s\n' "$twin" | as_root tee "$srclist" >/dev/null ||
    fail "could not write $srclist; run this as root or with sudo"
  echo "qrencode-win: added $srclist"
  apt_get update -qq ||
    fail "apt-get update failed after adding $srclist (its message is above); check that entry and the network"
  [ -n "$(apt-cache showsrc qrencode 2>/dev/null)" ] ||
    fail "apt has no source package qrencode even with $srclist; check that its mirror carries sources"
}

fetch_from_apt() {
  ensure_deb_src
  tarball=$(tarball_here)
  if [ -z "$tarball" ]; then
    # Only the upstream tarball is needed; the Debian changes archive may fail to download.
    apt-get source --download-only qrencode >apt-source.log 2>&1 || true
    tarball=$(tarball_here)
    [ -n "$tarball" ] || fail "apt-get source qrencode fetched no upstream tarball; see $work/apt-source.log"
  fi
  # The expected checksum is the one the source index lists for this file.
  local expected actual
  expected=$(apt-cache showsrc qrencode | awk -v f="$tarball" '
    /^Checksums-Sha256:/ {s=1; next} /^[^ ]/ {s=0} s && $3==f {print $1; exit}')
  actual=$(sha256sum "$tarball" | cut -d' ' -f1)
  if [ -z "$expected" ] || [ "$expected" != "$actual" ]; then
    rm -f "$tarball"
    fail "SHA-256 mismatch for $tarball (Debian's index says '$expected', the file has '$actual'); run again to fetch it anew"
  fi
  echo "$actual  $tarball" >SHA256SUMS
}

# Unpacks or names the source tree to build; sets $source and $built_from.
if [ -n "${QRL_QRENCODE_SOURCE:-}" ]; then
  source=$(realpath -m "$QRL_QRENCODE_SOURCE")
  [ -f "$source/qrencode.h" ] && [ -f "$source/CMakeLists.txt" ] ||
    fail "QRL_QRENCODE_SOURCE=$QRL_QRENCODE_SOURCE holds no libqrencode source (qrencode.h, CMakeLists.txt); point it at an unpacked tree"
  built_from="QRL_QRENCODE_SOURCE=$source"
  echo "qrencode-win: building the libqrencode source in $source"
else
  tarball=$(verified_tarball) || true
  if [ -z "$tarball" ] && ls "$top"/third_party/qrencode_*.orig.tar.* >/dev/null 2>&1; then
    (cd "$top/third_party" && sha256sum --quiet -c SHA256SUMS) ||
      fail "third_party/qrencode_*.orig.tar.* does not match third_party/SHA256SUMS; unpack the source archive again"
    cp "$top"/third_party/qrencode_*.orig.tar.* "$top/third_party/SHA256SUMS" .
    tarball=$(verified_tarball) || fail "third_party/SHA256SUMS names no qrencode tarball; unpack the source archive again"
  fi
  [ -n "$tarball" ] || fetch_from_apt
  echo "qrencode-win: $tarball sha256 $(cut -d' ' -f1 SHA256SUMS) verified"
  rm -rf "src-$arch" && mkdir "src-$arch"
  tar -xf "$tarball" -C "src-$arch" --strip-components=1 ||
    fail "could not unpack $work/$tarball; remove it and run again"
  source="$work/src-$arch"
  built_from=$tarball
fi

# No thread library: the plugin calls the encoder from the host's UI thread only, and the
# winpthread DLL must not become an import. Reproducible, as the plugin: cmake/reproducible.cmake.
log="$work/build-$arch.log"
rm -rf "build-$arch"
{
  cmake -S "$source" -B "build-$arch" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PROJECT_INCLUDE="$top/cmake/reproducible.cmake" \
    -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER="$arch-w64-mingw32-gcc-win32" \
    -DCMAKE_RC_COMPILER="$arch-w64-mingw32-windres" \
    -DCMAKE_FIND_ROOT_PATH="/usr/$arch-w64-mingw32" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_DISABLE_FIND_PACKAGE_Threads=ON \
    -DWITH_TOOLS=NO -DWITH_TESTS=NO -DBUILD_SHARED_LIBS=OFF -DWITHOUT_PNG=ON \
    -DCMAKE_INSTALL_PREFIX="$prefix" &&
    cmake --build "build-$arch" -j2 &&
    rm -rf "$prefix" &&
    cmake --install "build-$arch"
} >"$log" 2>&1 || fail "building libqrencode for $arch failed; see $log"
printf '%s\n%s\n' "$built_from" "$recipe" >"$stamp"
echo "qrencode-win: installed to $prefix"
