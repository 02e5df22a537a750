#!/usr/bin/env bash
# make package: dist/qrlister-<version>.zip with both plugins, pluginst.inf and a readme, then
# the package tests on what was written.
#   scripts/package.sh [--no-setup] [--no-test]
# The version comes from the file VERSION only; the version resource reads the same file.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
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
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "package.sh: VERSION '$version' is not N.N.N" >&2; exit 1; }

if [ "$setup" = 1 ]; then
  # The tests load the 32-bit plugin too, which needs 32-bit Wine.
  if [ "$run_tests" = 1 ]; then bash scripts/setup.sh --wine32; else bash scripts/setup.sh; fi
fi
bash scripts/build.sh win64
bash scripts/build.sh win32

# The readme names the exact libqrencode source the plugins were linked from.
tarball=$(cd build/qrencode-src && ls qrencode_*.orig.tar.* | head -n 1)
tarball_sha256=$(sha256sum "build/qrencode-src/$tarball" | cut -d' ' -f1)
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
  echo "package.sh: a template placeholder was left unfilled" >&2
  exit 1
fi

zip_path="$top/dist/qrlister-$version.zip"
rm -f "$zip_path"
# pluginst.inf first: it is what makes the archive an installable plugin.
(cd "$stage" && zip -X -q "$zip_path" pluginst.inf qrlister.wlx qrlister.wlx64 readme.txt)
echo "package: $zip_path"

if [ "$run_tests" = 1 ]; then
  QRL_PACKAGE_ZIP="$zip_path" QRL_WINEPREFIX="${QRL_WINEPREFIX:-$top/build/wine-package}" \
    bash scripts/wine.sh /usr/bin/python3 -m pytest -p no:cacheprovider -q -rs \
      tests/package_test.py tests/wine/test_package.py
fi
