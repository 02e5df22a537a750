#!/usr/bin/env bash
# make faults: the full fault sweep under Wine (tests/wine/faultsweep.py --full): every import of
# the plugin failed one call at a time in every scenario, for the small and the largest symbol.
# Prints the table (scenario, points injected, survived, leaks, torn files, wrong answers) and
# each point that did not pass; exits non-zero when any did not. Work files go to build/faults/.
#   scripts/faults.sh [--only SCENARIO ...] [--points NAME:K ...]
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"

bash scripts/setup.sh
bash scripts/build.sh win64

work=$top/build/faults
rm -rf "$work"
mkdir -p "$work"
# Its own prefix (and wineserver): the sweep may run beside a test run of this checkout.
export QRL_WINEPREFIX=${QRL_WINEPREFIX:-$top/build/wine-faults}
bash scripts/wine.sh /usr/bin/python3 tests/wine/faultsweep.py --full --work "$work" "$@"
