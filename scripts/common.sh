# Sourced by the scripts in scripts/ (after their `set -euo pipefail`).
# A set-up that stops must say why: every failure ends in one line "<script>: what failed; what
# to do" on stderr and a non-zero exit.

me=$(basename "$0" .sh)
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

fail() {
  echo "$me: $*" >&2
  exit 1
}

# The net under the explicit messages: a command that fails where no message was foreseen still
# names itself instead of ending the script without a word.
trap 'echo "$me: \"$BASH_COMMAND\" failed (exit $?) at line $LINENO; its own message, if any, is above" >&2' ERR

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    fail "installing needs root: run this as root, or install sudo"
  fi
}

# Another apt run (the other checkout's set-up, unattended upgrades) holds the dpkg lock for a
# while: wait for it instead of failing at once.
apt_get() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# A build rewrites build/'s programs, and a program started while the linker writes it fails to
# start (exit 1, nothing logged). So builds of a tree take build/.lock exclusively, and a Wine run
# of it holds the lock shared for its whole length (scripts/wine.sh): a build waits for the run,
# a run for a build under way. A build inside this tree's own run (the package tests make the
# archive) is one of the run's steps, taken while none of its programs runs; the run's lock
# already keeps every other build out, and taking it again would wait for ever.
inside_own_wine_run() {
  [ "${QRL_BUILD_IN_USE:-}" = "$top" ]
}

# Debian's /usr/bin/wine prefers the 32-bit loader whenever wine32:i386 is installed, even where
# the kernel can't execute it; 64-bit programs are therefore always started through the 64-bit
# loader by name.
wine64_loader=/usr/lib/wine/wine64
wine32_loader=/usr/lib/wine/wine

# Whether this machine executes 32-bit x86 programs at all (some kernels are built without that
# and answer "Exec format error"). The C library's own loader tells without starting Wine; it
# comes with libc6-i386 (amd64, no multiarch needed) and with libc6:i386.
i386_probe=/lib/ld-linux.so.2
runs_i386() {
  "$i386_probe" --version >/dev/null 2>&1
}
