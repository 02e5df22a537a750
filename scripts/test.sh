#!/usr/bin/env bash
# make test: installs what is missing, builds, and runs every test: the native unit tests (plain
# and under ASan/UBSan), a short fuzzing run, and the tests under Wine through the test hosts, of
# both plugins where this machine runs 32-bit programs, with the package tests. Ends with a line
# on the 32-bit stage and the summary line "tests: N passed, M failed".
#   scripts/test.sh [--check]
# --check (make check): the quick loop after a change, about a minute on 2 cores once built: the
# native unit tests, the source layout, and under Wine the Win32 unit tests and one pass over each
# thing a user does (the tests marked `check`: open and fit, save as each format, copy, a refused
# file, a library freed under a box), all with the 64-bit plugin.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
quick=0
case "${1:-}" in
  --check) quick=1 ;;
  "") ;;
  *) echo "test.sh: unknown option $1 (usage: scripts/test.sh [--check])" >&2; exit 2 ;;
esac
results=build/test-results
[ "$quick" = 0 ] || results=build/check-results
rm -rf "$results"
mkdir -p "$results"
status=0
step() { echo; echo "== $*"; }

step setup
bash scripts/setup.sh || exit 1

step "native unit tests"
bash scripts/build.sh native || exit 1
ctest --test-dir build/native -j2 --output-on-failure --output-junit "$top/$results/native.xml" || status=1

if [ "$quick" = 1 ]; then
  step "the source layout"
  /usr/bin/python3 -m pytest -p no:cacheprovider -q tests/layout_test.py --junitxml="$results/layout.xml" || status=1

  step "plugin and test host for Windows, 64-bit"
  bash scripts/build.sh win64 || exit 1

  step "Win32 unit tests and one pass over each thing a user does, under Wine"
  bash scripts/wine.sh /usr/bin/python3 -m pytest -p no:cacheprovider -q -m check -k "not x86" tests/wine \
    --junitxml="$results/wine.xml" || status=1
else
  step "set-up scripts (deb-src derivation on sample apt folders) and the source layout"
  /usr/bin/python3 -m pytest -p no:cacheprovider -q tests/debsrc_test.py tests/layout_test.py \
    --junitxml="$results/scripts.xml" || status=1

  step "native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  bash scripts/build.sh asan || exit 1
  ctest --test-dir build/asan --output-on-failure --output-junit "$top/$results/asan.xml" || status=1

  step "fuzzing (short)"
  bash scripts/fuzz.sh --short --junit "$results/fuzz.xml" || status=1

  step "plugins and test hosts for Windows, 64-bit and 32-bit"
  bash scripts/build.sh win64 || exit 1
  bash scripts/build.sh win32 || exit 1

  step "tests under Wine"
  bash scripts/wine.sh /usr/bin/python3 -m pytest -p no:cacheprovider -q tests/wine tests/package_test.py \
    --junitxml="$results/wine.xml" || status=1
fi

/usr/bin/python3 scripts/summarise-tests.py "$results"/*.xml || status=1
exit $status
