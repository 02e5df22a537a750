#!/usr/bin/env bash
# make check: the quick loop after a change (under a minute on 2 cores once built). Builds what
# changed, then runs the native unit tests, the source layout check, the Win32 unit tests and one
# pass under Wine over each thing a user does: the Wine tests marked `check` (open and fit, save as
# each format, copy, a refused file, a library freed under a box), all with the 64-bit plugin.
# make test runs everything, with both plugins.
# Ends with one summary line "tests: N passed, M failed".
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
results=build/check-results
rm -rf "$results"
mkdir -p "$results"
status=0
step() { echo; echo "== $*"; }

step setup
bash scripts/setup.sh || exit 1

step "native unit tests"
bash scripts/build.sh native || exit 1
ctest --test-dir build/native -j2 --output-on-failure --output-junit "$top/$results/native.xml" || status=1

step "the source layout"
/usr/bin/python3 -m pytest -p no:cacheprovider -q tests/layout_test.py --junitxml="$results/layout.xml" || status=1

step "plugin and test host for Windows"
bash scripts/build.sh win64 || exit 1

step "Win32 unit tests and one pass over each thing a user does, under Wine"
bash scripts/wine.sh /usr/bin/python3 -m pytest -p no:cacheprovider -q -m check -k "not x86" tests/wine \
  --junitxml="$results/wine.xml" || status=1

/usr/bin/python3 scripts/summarise-tests.py "$results"/*.xml || status=1
exit $status
