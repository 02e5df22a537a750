#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan + UBSan) in build/fuzz and runs each for
# a bounded time, starting from its committed corpus in fuzz/corpus/<name>/.
#   scripts/fuzz.sh              about 60 s per target
#   scripts/fuzz.sh --short      all targets together in about a minute (the test suite's run)
#   scripts/fuzz.sh --seconds N  N s per target
#   ... --junit FILE             also write one JUnit test case per target to FILE
# New interesting inputs go to build/fuzz/corpus/<name>/ (the committed corpus is only read);
# a failing input is kept as build/fuzz/artifacts/<name>-crash-*. Exits 1 if any target failed.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"

seconds=60
junit=""
while [ $# -gt 0 ]; do
  case "$1" in
    --short) seconds=12 ;;
    --seconds) seconds=${2:?--seconds needs a number}; shift ;;
    --junit) junit=${2:?--junit needs a file}; shift ;;
    *) echo "fuzz.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

names=()
for source in fuzz/*_fuzz.cpp; do
  name=$(basename "$source" _fuzz.cpp)
  names+=("$name")
done
targets=("${names[@]/#/fuzz_}")

mkdir -p build
(
  # Builds from several shells at once share build/: take turns with scripts/build.sh.
  inside_own_wine_run || flock 9
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DQRL_FUZZ=ON -DQRL_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/fuzz -j2 --target "${targets[@]}" >build/fuzz/build.log 2>&1 ||
    { cat build/fuzz/build.log >&2; exit 1; }
) 9>build/.lock

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p build/fuzz/artifacts
failed=0
cases=""
printf '%-12s %8s %10s %8s  %s\n' target seconds runs corpus result
for name in "${names[@]}"; do
  work=build/fuzz/corpus/$name
  mkdir -p "$work" "fuzz/corpus/$name"
  log=build/fuzz/$name.log
  result=ok
  # 8 KiB reaches past the largest symbol's capacity (7089 digits).
  if ! "build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$name-" "$work" "fuzz/corpus/$name" >"$log" 2>&1; then
    result="FAILED (see $log)"
    failed=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  printf '%-12s %8s %10s %8s  %s\n' "$name" "$seconds" "${runs:-?}" "$(ls "$work" | wc -l)" "$result"
  failure=""
  [ "$result" = ok ] || failure="<failure message=\"property or sanitizer failure, see $log\"/>"
  cases+="  <testcase classname=\"fuzz\" name=\"$name\" time=\"$seconds\">$failure</testcase>"$'\n'
done
if [ -n "$junit" ]; then
  mkdir -p "$(dirname "$junit")"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuite name="fuzz" tests="%d">\n%s</testsuite>\n' \
    "${#names[@]}" "$cases" >"$junit"
fi
if [ "$failed" -ne 0 ]; then
  for log in build/fuzz/*.log; do grep -q -e 'ERROR:' -e 'property broken' -e 'runtime error' "$log" && tail -40 "$log"; done
  exit 1
fi
