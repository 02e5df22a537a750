#!/usr/bin/env bash
# make package: dist/qrlister-<version>.zip with both plugins, pluginst.inf, a readme and the
# licence of the library linked into them, and beside it dist/qrlister-<version>-src.tar.gz: the
# project's source as built plus the library's verified source tarball, which the LGPL asks to
# go with the plugins. Then the package tests on what was written.
#   scripts/package.sh [--no-setup] [--no-test]
# The version comes from the file VERSION only; the version resource reads the same file.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"

setup=1
run_tests=1
for arg in "$@"; do
  case "$arg" in
    --no-setup) setup=0 ;;
    --no-test) run_tests=0 ;;
    *) echo "package.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

version=$(head -n 1 VERSION | tr -d '\r')
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "VERSION '$version' is not N.N.N; correct the file VERSION"
# The readme names Debian's tarball as the library's source: a changed library can't ship under it.
[ -z "${QRL_QRENCODE_SOURCE:-}" ] ||
  fail "QRL_QRENCODE_SOURCE is set, but a release links the checked Debian tarball only; unset it and run again"

if [ "$setup" = 1 ]; then
  # The tests load the 32-bit plugin too, which needs 32-bit Wine.
  bash scripts/setup.sh || exit 1
fi
bash scripts/build.sh win64 || exit 1
bash scripts/build.sh win32 || exit 1

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

stage=build/package
rm -rf "$stage"
mkdir -p "$stage" dist
cp build/win32/qrlister.wlx build/win64/qrlister.wlx64 "$stage/"
# Windows users open these in Notepad: CRLF line ends.
to_crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }
sed -e "s/@VERSION@/$version/g" packaging/pluginst.inf.in | to_crlf >"$stage/pluginst.inf"
sed -e "s/@VERSION@/$version/g" -e "s/@QRENCODE_VERSION@/$qrencode_version/g" \
    -e "s/@QRENCODE_TARBALL@/$tarball/g" -e "s/@QRENCODE_SHA256@/$tarball_sha256/g" \
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
# pluginst.inf first: it is what makes the archive an installable plugin.
(cd "$stage" && zip -X -q "$zip_path" pluginst.inf qrlister.wlx qrlister.wlx64 readme.txt lgpl-2.1.txt) ||
  fail "zip could not write $zip_path"
echo "package: $zip_path"

# The source archive: the project's files as they were built (the working copies of git's tracked
# files, so uncommitted changes that went into the plugins are in it too; outside git, everything
# but build output), and the library's tarball with its checksum in third_party/, where
# scripts/qrencode-win.sh takes it from without apt.
src_path="$top/dist/qrlister-$version-src.tar.gz"
src_stage=build/package-src
rm -rf "$src_stage" "$src_stage.list"
mkdir -p "$src_stage/third_party"
cp "$deps/$tarball" "$src_stage/third_party/"
echo "$tarball_sha256  $tarball" >"$src_stage/third_party/SHA256SUMS"
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$top" ]; then
  git ls-files -z | while IFS= read -r -d '' f; do
    if [ -e "$f" ]; then printf '%s\0' "$f"; fi
  done >"$src_stage.list"
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "package: uncommitted changes are in the source archive, as they were built"
  epoch=$(git log -1 --format=%ct)
else
  find . \( -path ./build -o -path ./dist -o -path ./out -o -path ./third_party -o -path ./.git \) -prune \
    -o -type f -printf '%P\0' >"$src_stage.list"
  epoch=$(stat -c %Y VERSION)
fi
rm -f "$src_path"
# Same files, same archive: fixed owners, order and times.
tar --create --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" \
  --transform="s,^,qrlister-$version/,S" \
  -C "$top" --null --files-from="$src_stage.list" -C "$top/$src_stage" third_party |
  gzip -9n >"$src_path" || fail "tar could not write $src_path"
echo "package: $src_path"

if [ "$run_tests" = 1 ]; then
  QRL_PACKAGE_ZIP="$zip_path" QRL_WINEPREFIX="${QRL_WINEPREFIX:-$top/build/wine-package}" \
    bash scripts/wine.sh /usr/bin/python3 -m pytest -p no:cacheprovider -q -rs \
      tests/package_test.py tests/wine/test_package.py ||
    fail "the package tests failed (their report is above); the archives in dist/ are not fit to publish"
fi
