#!/usr/bin/env bash
# Builds one flavour of the project.
#   scripts/build.sh win64 | win32 | native | asan [TARGET ...]
# TARGETs limit the build to those CMake targets, e.g. qrlister (the plugin alone).
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"
mkdir -p build
# Builds from several shells at once share build/: take turns (and with Wine runs, see common.sh).
exec 9>build/.lock
inside_own_wine_run || flock 9
flavour=${1:-win64}
targets=()
for target in "${@:2}"; do targets+=(--target "$target"); done

# configure DIR [CMAKE ARGS]: CMake's own message says what is wrong; this line says where.
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null ||
    fail "configuring $dir failed (CMake's message is above); fix that, or remove $dir, and run again"
}
compile() {
  cmake --build "$1" -j2 "${targets[@]}" || fail "building $1 failed (the compiler's message is above)"
}

case "$flavour" in
  win64|win32)
    arch=x86_64; [ "$flavour" = win32 ] && arch=i686
    bash scripts/qrencode-win.sh "$arch" || exit 1
    # A toolchain is chosen once, when the folder is first configured; CMake 3.31 warns that it
    # goes unused when it is named again.
    toolchain=()
    [ -f "build/$flavour/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake")
    configure "build/$flavour" "${toolchain[@]}" -DQRL_QRENCODE_PREFIX="$top/build/deps/qrencode-$arch"
    compile "build/$flavour"
    ;;
  native)
    configure build/native
    compile build/native
    ;;
  asan)
    configure build/asan -DCMAKE_BUILD_TYPE=Debug -DQRL_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
    [ ${#targets[@]} -gt 0 ] || targets=(--target core_tests)
    compile build/asan
    ;;
  *) echo "build.sh: unknown flavour $flavour (win64, win32, native or asan)" >&2; exit 2 ;;
esac
