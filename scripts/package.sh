#!/usr/bin/env bash
# make package: dist/qrlister-<version>.zip with both plugins, pluginst.inf, a readme and the
# licence of the library linked into them, and beside it dist/qrlister-<version>-src.tar.gz: the
# project's source as built plus the library's verified source tarball, which the LGPL asks to
# go with the plugins, and dist/SHA256SUMS of both archives and both plugins. Then the package
# tests on what was written.
#   scripts/package.sh [--no-setup] [--no-test] [--plugins-only]
# --plugins-only builds the two plugins alone, not the test host (with --no-test only): enough to
# rebuild a release and compare its bytes.
# The version comes from the file VERSION only; the version resource reads the same file.
# Reproducible: the same source and toolchain give the same bytes in every file written, whatever
# the folder, the time, the time zone or the umask.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"

setup=1
run_tests=1
targets=()
for arg in "$@"; do
  case "$arg" in
    --no-setup) setup=0 ;;
    --no-test) run_tests=0 ;;
    --plugins-only) targets=(qrlister) ;;
    *) echo "package.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done
[ "$run_tests" = 0 ] || [ ${#targets[@]} = 0 ] ||
  fail "--plugins-only builds no test host for the package tests; give --no-test with it"

version=$(head -n 1 VERSION | tr -d '\r')
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "VERSION '$version' is not N.N.N; correct the file VERSION"
# The readme names Debian's tarball as the library's source: a changed library can't ship under it.
[ -z "${QRL_QRENCODE_SOURCE:-}" ] ||
  fail "QRL_QRENCODE_SOURCE is set, but a release links the checked Debian tarball only; unset it and run again"

if [ "$setup" = 1 ]; then
  # The tests load the 32-bit plugin too, which needs 32-bit Wine.
  bash scripts/setup.sh || exit 1
fi

# The date every file in both archives carries: the last commit's in a git checkout, else the one
# an unpacked source archive recorded in the file SOURCE_DATE_EPOCH, else $SOURCE_DATE_EPOCH.
# Never the build's own time, which would make every build's bytes new.
in_git=0
[ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$top" ] && in_git=1
if [ "$in_git" = 1 ]; then
  epoch=$(git log -1 --format=%ct)
elif [ -f SOURCE_DATE_EPOCH ]; then
  epoch=$(tr -d '\r\n' <SOURCE_DATE_EPOCH)
else
  epoch=${SOURCE_DATE_EPOCH:-}
fi
[[ "$epoch" =~ ^[0-9]+$ ]] ||
  fail "no date for the archives' files: not a git checkout, and no file SOURCE_DATE_EPOCH (seconds since 1970) nor variable SOURCE_DATE_EPOCH; set one"

bash scripts/build.sh win64 "${targets[@]}" || exit 1
bash scripts/build.sh win32 "${targets[@]}" || exit 1

# The readme names the exact libqrencode source the plugins were linked from.
deps=build/qrencode-src
tarball=$(cd "$deps" && ls qrencode_*.orig.tar.* 2>/dev/null | head -n 1) || true
[ -n "$tarball" ] && (cd "$deps" && sha256sum --quiet -c SHA256SUMS) >/dev/null 2>&1 ||
  fail "no verified libqrencode tarball in $deps; remove $deps and build/deps, and run again"
for arch in x86_64 i686; do
  grep -qx "$tarball" "build/deps/qrencode-$arch/built-from" 2>/dev/null ||
    fail "build/deps/qrencode-$arch was not built from $tarball; remove build/deps and run again"
done
tarball_sha256=$(sha256sum "$deps/$tarball" | cut -d' ' -f1)
qrencode_version=${tarball#qrencode_}
qrencode_version=${qrencode_version%.orig.tar.*}

# The toolchain that gave the plugins' bytes, for whoever rebuilds them to compare: the compilers
# with their static runtimes, the linker, and the Windows headers and start-up code.
debian=$(. /etc/os-release && echo "${PRETTY_NAME:-}")
[ -n "$debian" ] || fail "/etc/os-release names no release"
versions() {
  local a b
  a=$(dpkg-query -W -f='${Version}' "${1/@/x86-64}" 2>/dev/null) || true
  b=$(dpkg-query -W -f='${Version}' "${1/@/i686}" 2>/dev/null) || true
  [ -n "$a" ] && [ -n "$b" ] || fail "${1/@/x86-64} or ${1/@/i686} is not installed; run scripts/setup.sh"
  if [ "$a" = "$b" ]; then echo "$a"; else echo "$a (x86-64), $b (i686)"; fi
}
gcc_version=$(versions g++-mingw-w64-@-win32)
binutils_version=$(versions binutils-mingw-w64-@)
mingw_version=$(versions mingw-w64-@-dev)

stage=build/package
rm -rf "$stage"
mkdir -p "$stage" dist
cp build/win32/qrlister.wlx build/win64/qrlister.wlx64 "$stage/"
wlx_sha256=$(sha256sum "$stage/qrlister.wlx" | cut -d' ' -f1)
wlx64_sha256=$(sha256sum "$stage/qrlister.wlx64" | cut -d' ' -f1)
# Windows users open these in Notepad: CRLF line ends.
to_crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }
sed -e "s/@VERSION@/$version/g" packaging/pluginst.inf.in | to_crlf >"$stage/pluginst.inf"
sed -e "s|@VERSION@|$version|g" -e "s|@QRENCODE_VERSION@|$qrencode_version|g" \
    -e "s|@QRENCODE_TARBALL@|$tarball|g" -e "s|@QRENCODE_SHA256@|$tarball_sha256|g" \
    -e "s|@WLX_SHA256@|$wlx_sha256|g" -e "s|@WLX64_SHA256@|$wlx64_sha256|g" \
    -e "s|@DEBIAN@|$debian|g" -e "s|@GCC_VERSION@|$gcc_version|g" \
    -e "s|@BINUTILS_VERSION@|$binutils_version|g" -e "s|@MINGW_VERSION@|$mingw_version|g" \
    packaging/readme-package.txt.in | to_crlf >"$stage/readme.txt"
if grep -q '@[A-Z0-9_]*@' "$stage/pluginst.inf" "$stage/readme.txt"; then
  fail "a template placeholder in packaging/ was left unfilled; give it a value in scripts/package.sh"
fi
# The LGPL asks for a copy of itself with the program: the one the library ships.
tar -xOf "$deps/$tarball" --wildcards '*/COPYING' | to_crlf >"$stage/lgpl-2.1.txt"
grep -q 'GNU LESSER GENERAL PUBLIC LICENSE' "$stage/lgpl-2.1.txt" ||
  fail "$tarball holds no COPYING with the LGPL; check the tarball"

zip_path="$top/dist/qrlister-$version.zip"
rm -f "$zip_path"
# Same files, same archive: a fixed order (pluginst.inf first: it makes the archive an installable
# plugin), the commit's date (zip writes local time: read in UTC), fixed modes, and no extra
# fields (-X: no owners, no Unix times).
chmod 644 "$stage"/*
touch -d "@$epoch" "$stage"/*
(cd "$stage" && TZ=UTC zip -X -q "$zip_path" pluginst.inf qrlister.wlx qrlister.wlx64 readme.txt lgpl-2.1.txt) ||
  fail "zip could not write $zip_path"
echo "package: $zip_path"

# The source archive: the project's files as they were built (the working copies of git's tracked
# files, so uncommitted changes that went into the plugins are in it too; outside git, everything
# but build output), the library's tarball with its checksum in third_party/, where
# scripts/qrencode-win.sh takes it from without apt, and the archives' date in SOURCE_DATE_EPOCH,
# so that a package made from the unpacked archive has the same bytes as this one.
src_path="$top/dist/qrlister-$version-src.tar.gz"
src_stage=build/package-src
src_root="$src_stage/qrlister-$version"
rm -rf "$src_stage"
mkdir -p "$src_root/third_party"
if [ "$in_git" = 1 ]; then
  git ls-files -z | while IFS= read -r -d '' f; do
    if [ -e "$f" ]; then printf '%s\0' "$f"; fi
  done >"$src_stage/list"
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "package: uncommitted changes are in the source archive, as they were built"
else
  find . \( -path ./build -o -path ./dist -o -path ./out -o -path ./third_party -o -path ./.git \) -prune \
    -o -type f -printf '%P\0' >"$src_stage/list"
fi
xargs -0 -r cp --parents -t "$src_root" -- <"$src_stage/list" || fail "could not copy the source files to $src_root"
cp "$deps/$tarball" "$src_root/third_party/"
echo "$tarball_sha256  $tarball" >"$src_root/third_party/SHA256SUMS"
echo "$epoch" >"$src_root/SOURCE_DATE_EPOCH"
rm -f "$src_path"
# Same files, same archive: names sorted, the commit's date, no owners, modes 644 and 755 only
# (whatever the umask of the checkout), no gzip name or time.
tar --create --format=gnu --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" \
  --mode='u=rwX,go=rX' --hard-dereference -C "$src_stage" "qrlister-$version" |
  gzip -9n >"$src_path" || fail "tar could not write $src_path"
echo "package: $src_path"

# Checksums to publish with the archives; the plugins are named as in the zip.
sums="$top/dist/SHA256SUMS"
{
  (cd dist && sha256sum "${zip_path##*/}" "${src_path##*/}")
  (cd "$stage" && sha256sum qrlister.wlx qrlister.wlx64)
} >"$sums" || fail "could not write $sums"
echo "package: $sums"

if [ "$run_tests" = 1 ]; then
  QRL_PACKAGE_ZIP="$zip_path" QRL_WINEPREFIX="${QRL_WINEPREFIX:-$top/build/wine-package}" \
    bash scripts/wine.sh /usr/bin/python3 -m pytest -p no:cacheprovider -q -rs \
      tests/package_test.py tests/wine/test_package.py ||
    fail "the package tests failed (their report is above); the archives in dist/ are not fit to publish"
fi
