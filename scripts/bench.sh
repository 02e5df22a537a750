#!/usr/bin/env bash
# make bench: builds everything, times the plugin under Wine (build/win64/bench.exe), the native
# core (build/native/bench/core_bench) and Debian's qrencode tool on the same texts, and writes
# the tables to docs/bench.md. Work files go to build/bench/.
#   QRL_BENCH_RUNS  runs per qrencode timing (default 30)
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"

bash scripts/setup.sh
bash scripts/build.sh win64
bash scripts/build.sh native

work=$top/build/bench
mkdir -p "$work" docs
# Other work on the machine slows the timings: the reader is told how busy it was.
load_before=$(cut -d' ' -f1 /proc/loadavg)
# Its own prefix: a bench never shares a wineserver with a test run going on beside it.
export QRL_WINEPREFIX=${QRL_WINEPREFIX:-$top/build/wine-bench}

# The bench's texts: lower-case letters, 17 (version 1), 500 (version 15) and 2953 (version 40).
lengths=(17 500 2953)
for n in "${lengths[@]}"; do
  awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) printf "%c", 97 + i % 26 }' >"$work/text-$n.txt"
done

# Debian's qrencode writing the same PNG, timed as a whole process: the baseline of our PNG save.
runs=${QRL_BENCH_RUNS:-30}
now_ns() { date +%s%N; }
timing_of() {  # run times in ns on stdin -> "median,min,max,runs" in ms
  sort -n | awk '{ t[NR] = $1 / 1e6 } END {
    median = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
    printf "%.3f,%.3f,%.3f,%d\n", median, t[1], t[NR], NR }'
}
echo "bench: qrencode"
for n in "${lengths[@]}"; do
  text=$(cat "$work/text-$n.txt")
  times=()
  for _ in $(seq "$runs"); do
    start=$(now_ns)
    qrencode -l L -s 10 -m 0 -o "$work/qrencode-$n.png" "$text"
    times+=($(( $(now_ns) - start )))
  done
  printf '%s\n' "${times[@]}" | timing_of >"$work/qrencode-$n.timing"
done

echo "bench: plugin under Wine (about a minute)"
(cd "$work" && bash "$top/scripts/wine.sh" wine "$top/build/win64/bench.exe" "$top/build/win64/qrlister.wlx64" \
  "$(cat "$work/qrencode-2953.timing")" >windows.md 2>windows.err) ||
  { cat "$work/windows.err" >&2; fail "bench.exe failed under Wine (its output is above)"; }

echo "bench: native core"
build/native/bench/core_bench --benchmark_min_time=0.2 >"$work/native.txt" 2>"$work/native.err" ||
  fail "the native core benchmark failed; see $work/native.err"

# bench.exe named its files after the version: v<version>.qr holds the text, v<version>.png our PNG.
{
  echo "| qrencode -l L -s 10 -m 0 (whole process) | median ms | min ms | max ms | runs | PNG bytes | our PNG bytes | ours / qrencode |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|"
  for text_file in $(ls "$work"/v*.qr | sort -V); do
    stem=$(basename "$text_file" .qr)
    n=$(stat -c %s "$text_file")
    IFS=, read -r median min max count <"$work/qrencode-$n.timing"
    theirs=$(stat -c %s "$work/qrencode-$n.png")
    ours=$(stat -c %s "$work/$stem.png" 2>/dev/null || echo 0)
    awk -v s="$stem" -v md="$median" -v mn="$min" -v mx="$max" -v c="$count" -v t="$theirs" -v o="$ours" \
      'BEGIN { printf "| %s | %s | %s | %s | %d | %d | %d | %.2f (target <= 2) |\n", s, md, mn, mx, c, t, o, o / t }'
  done
} >"$work/qrencode.md"

cpu=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
{
  echo "# Benchmark"
  echo
  echo "Taken $(date -u +%Y-%m-%d) with \`make bench\` on: ${cpu:-unknown CPU}, $(nproc) cores (load average $load_before when it started), $(uname -sr), $(bash scripts/wine.sh wine --version), Xvfb 1280x1024x24."
  echo "Texts are lower-case letters: 17 (version 1), 500 (version 15) and 2953 (version 40, the largest)."
  echo "Times are wall-clock medians, minima and maxima of repeated runs in one process, after one untimed run."
  echo "Indented rows break the row above them down; nothing in the test suite asserts a time."
  echo "Figures compared in a ratio were measured interleaved, so other work on the machine falls on both alike."
  echo
  echo "Reading it: the first table holds every timing; the second puts each operation the plugin is held to"
  echo "beside its baseline, measured in the same run, with the ratio and its target. On this machine the first"
  echo "touch of fresh memory is slow (compare the two memset rows), so nothing of the plugin's makes a fresh"
  echo "full-size buffer: the symbol is expanded from its modules to 1-bit pixels in small bands and copied"
  echo "unscaled into the display-compatible bitmap (a scaling StretchDIBits goes through full-size 32-bit"
  echo "temporaries under Wine), the BMP goes out in 128 KB bands, the PNG is built from the modules."
  echo "The common-controls-6 rows play the file manager, which runs with them: that static control reads"
  echo "every pixel of a 32-bit image back into a fresh buffer of its own to look for alpha, at each"
  echo "STM_SETIMAGE; the plugin can't avoid it, so it is shown on a row of its own, as are the platform's own"
  echo "clipboard calls."
  echo
  echo "## The plugin under Wine (build/win64/bench.exe)"
  echo
  cat "$work/windows.md"
  echo
  echo "## Debian's qrencode writing the same PNG"
  echo
  cat "$work/qrencode.md"
  echo
  echo "## The platform-free core, native (build/native/bench/core_bench)"
  echo
  echo '```'
  sed -n '/^Benchmark/,$p' "$work/native.txt" | sed '/^-*$/d'
  echo '```'
} >docs/bench.md
cat docs/bench.md
