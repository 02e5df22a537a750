#!/usr/bin/env bash
# Builds one flavour of the project.
#   scripts/build.sh win64 | win32 | native | asan
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mkdir -p build
# Builds from several shells at once share build/: take turns.
exec 9>build/.lock
flock 9
flavour=${1:-win64}
case "$flavour" in
  win64|win32)
    arch=x86_64; [ "$flavour" = win32 ] && arch=i686
    bash scripts/qrencode-win.sh "$arch"
    cmake -S . -B "build/$flavour" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
      -DQRL_QRENCODE_PREFIX="$top/build/deps/qrencode-$arch" >/dev/null
    cmake --build "build/$flavour" -j2
    ;;
  native)
    cmake -S . -B build/native >/dev/null
    cmake --build build/native -j2
    ;;
  asan)
    cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DQRL_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
    cmake --build build/asan -j2 --target core_tests
    ;;
  *) echo "build.sh: unknown flavour $flavour" >&2; exit 2 ;;
esac
