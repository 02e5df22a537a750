#!/usr/bin/env bash
# make test: installs what is missing, builds, and runs every test: the native unit tests (plain
# and under ASan/UBSan), a short fuzzing run, and the tests under Wine through the test hosts, of
# both plugins where this machine runs 32-bit programs. Ends with a line on the 32-bit stage and
# the summary line "tests: N passed, M failed".
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
results=build/test-results
rm -rf "$results"
mkdir -p "$results"
status=0
step() { echo; echo "== $*"; }

step setup
bash scripts/setup.sh || exit 1

step "native unit tests"
bash scripts/build.sh native || exit 1
ctest --test-dir build/native --output-on-failure --output-junit "$top/$results/native.xml" || status=1

step "set-up scripts (deb-src derivation on sample apt folders) and the source layout"
/usr/bin/python3 -m pytest -p no:cacheprovider -q tests/debsrc_test.py tests/layout_test.py \
  --junitxml="$results/scripts.xml" || status=1

step "native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
bash scripts/build.sh asan || exit 1
ctest --test-dir build/asan --output-on-failure --output-junit "$top/$results/asan.xml" || status=1

if [ -f scripts/fuzz.sh ]; then
  step "fuzzing (short)"
  bash scripts/fuzz.sh --short --junit "$results/fuzz.xml" || status=1
fi

step "plugins and test hosts for Windows, 64-bit and 32-bit"
bash scripts/build.sh win64 || exit 1
bash scripts/build.sh win32 || exit 1

step "tests under Wine"
bash scripts/wine.sh /usr/bin/python3 -m pytest -p no:cacheprovider -q tests/wine tests/package_test.py \
  --junitxml="$results/wine.xml" || status=1

/usr/bin/python3 scripts/summarise-tests.py "$results"/*.xml || status=1
exit $status
