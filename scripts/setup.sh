#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages only.
# Safe to run again: it installs only what is missing.
#   scripts/setup.sh
# 32-bit Wine (i386 multiarch, which the tests of the 32-bit plugin need) is added only where this
# machine runs 32-bit x86 programs; elsewhere the set-up says in one line that it is left out, and
# the tests of the 32-bit plugin are skipped with that reason.
set -euo pipefail
. "$(dirname "$0")/common.sh"

for arg in "$@"; do
  case "$arg" in
    --wine32) ;;  # the default now; kept for older command lines
    *) echo "setup: unknown option $arg (usage: scripts/setup.sh)" >&2; exit 2 ;;
  esac
done

packages=(
  cmake make g++ clang pkg-config libgtest-dev libbenchmark-dev
  libqrencode-dev qrencode libzxing-dev python3-zxing-cpp python3-pytest python3-pil python3-numpy
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth xdotool imagemagick zip unzip bzip2 dpkg-dev
  # The sanitizer and fuzzer runtimes of the release's default clang (llvm-defaults): no clang
  # version is named, so the list holds on every release that has these two.
  libclang-rt-dev
)

apt_install() {
  echo "setup: installing $*"
  apt_get update -qq ||
    fail "apt-get update failed (its message is above); check the network and /etc/apt/sources.list*, then run scripts/setup.sh again"
  local p absent=()
  for p in "$@"; do
    [[ $(apt-cache policy "$p" 2>/dev/null) == *$'\n  Candidate: '[^\(]* ]] || absent+=("$p")
  done
  [ ${#absent[@]} -eq 0 ] ||
    fail "this release's apt offers no ${absent[*]}; add a source that has it to /etc/apt/sources.list*, then run scripts/setup.sh again"
  apt_get install -y -qq --no-install-recommends "$@" ||
    fail "apt-get could not install $* (its message is above); fix that, then run scripts/setup.sh again"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"

# 32-bit Wine: about 150 MB of i386 packages; amd64 libraries are lifted to the same versions,
# which multiarch requires.
if [ -e "$wine32_loader" ] && ! runs_i386; then
  # Left as it is, /usr/bin/wine answers every call with exit status 126 and no message.
  echo "setup: wine32:i386 is installed but this machine can't run 32-bit x86 programs, so /usr/bin/wine fails (qrlister's scripts use $wine64_loader); repair: apt-get remove -y wine32:i386" >&2
elif ! installed wine32:i386; then
  # Ask the kernel before adding an architecture whose Wine would take /usr/bin/wine over.
  installed libc6-i386 || apt_install libc6-i386
  if ! runs_i386; then
    echo "setup: this machine can't run 32-bit x86 programs ($i386_probe won't execute), so 32-bit Wine is not installed and the 32-bit plugin's tests will be skipped"
  else
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      as_root dpkg --add-architecture i386 ||
        fail "dpkg could not add the i386 architecture; fix dpkg, then run scripts/setup.sh again"
    fi
    apt_install wine32:i386
  fi
fi
