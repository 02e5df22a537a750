#!/usr/bin/env bash
# Runs a command with Wine ready: a virtual X display, a private prefix and one wineserver that
# lives for the whole command, all without address randomisation (see below).
#   scripts/wine.sh CMD [ARG ...]       e.g. scripts/wine.sh wine build/win64/testhost.exe ...
# A CMD of "wine" (or "wine64") runs the 64-bit loader, whatever /usr/bin/wine would pick.
# The prefix is ${QRL_WINEPREFIX:-build/wineprefix}; one run at a time per prefix. Inside, the
# command sees QRL_WINE_READY=1, and nested calls of this script just run their command.
# It also sees QRL_WINE, the 64-bit loader to start programs in that prefix with, and QRL_WINE32,
# the 32-bit loader, only where it runs (else QRL_WINE32_MISSING says why not).
set -euo pipefail
. "$(dirname "$0")/common.sh"

case "${1:-}" in
  wine | wine64) set -- "$wine64_loader" "${@:2}" ;;
esac
if [ "${QRL_WINE_READY:-}" = 1 ]; then
  exec "$@"
fi
[ $# -gt 0 ] || { echo "usage: scripts/wine.sh CMD [ARG ...]" >&2; exit 2; }

export WINEPREFIX=${QRL_WINEPREFIX:-$top/build/wineprefix}
# No Mono/Gecko prompts; no audio drivers: without a sound device every message box's beep
# would wait two seconds for one.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winealsa.drv,winepulse.drv,wineoss.drv=" WINEARCH=win64

if [ "${QRL_WINE_INSIDE:-}" != 1 ]; then
  if [ ! -x "$wine64_loader" ] || ! command -v xvfb-run >/dev/null || ! command -v xauth >/dev/null; then
    bash "$top/scripts/setup.sh"
  fi
  # Debian's 64-bit loader is a program fixed at 0x7d000000, without Wine's preloader: the kernel
  # puts its heap anywhere in the 1 GiB above it, a few times in 10 000 starts over 0x7ffe0000,
  # the page Wine must map its user shared data at, and that process ends with status 1 before
  # the program runs (its one err: line silenced). Without address randomisation the heap starts
  # right after the loader, 48 MB below that page.
  norandom=(setarch "$(uname -m)" -R)
  if ! "${norandom[@]}" true 2>/dev/null; then
    norandom=()
    echo "wine.sh: setarch -R fails here, so a Wine program may now and then end with status 1 before it runs" >&2
  fi
  # Wine may never start without a display: everything below runs inside xvfb-run.
  QRL_WINE_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "${norandom[@]}" bash "$0" "$@"
fi
unset QRL_WINE_INSIDE

export QRL_WINE=$wine64_loader
unset QRL_WINE32 QRL_WINE32_MISSING
if [ -e "$i386_probe" ] && ! runs_i386; then
  export QRL_WINE32_MISSING="this machine can't run 32-bit x86 programs ($i386_probe won't execute)"
elif [ ! -e "$wine32_loader" ]; then
  export QRL_WINE32_MISSING="no 32-bit Wine (scripts/setup.sh installs it)"
elif ! "$wine32_loader" --version >/dev/null 2>&1; then
  export QRL_WINE32_MISSING="32-bit Wine is installed but '$wine32_loader --version' fails"
else
  export QRL_WINE32=$wine32_loader
fi

mkdir -p "$WINEPREFIX"
# A second run on the same prefix would share (and then kill) this run's wineserver.
exec 8>"$WINEPREFIX.lock"
flock 8
# The programs under build/ stay as they are while this run starts them: builds of this tree wait
# for it, and it waits for a build under way (see common.sh).
mkdir -p "$top/build"
exec 7>>"$top/build/.lock"
flock -s 7
export QRL_BUILD_IN_USE=$top

# A server left over from an earlier run may have no display; start clean.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# One persistent server for the whole command: without it every wine process that writes to a
# pipe waits seconds for the server to exit.
start_server() {
  wineserver -p >/dev/null 2>&1 </dev/null ||
    fail "could not start a wineserver for $WINEPREFIX; remove that folder and run again"
}
start_server
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# A 64-bit prefix made before a working 32-bit Wine came lacks its 32-bit half: make it anew.
if [ -f "$WINEPREFIX/system.reg" ] && [ -n "${QRL_WINE32:-}" ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  start_server
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$QRL_WINE" wineboot -i >/dev/null 2>&1 </dev/null ||
    fail "wineboot could not make the Wine prefix $WINEPREFIX; remove that folder and run again"
fi
# Without a window manager Wine waits 2 s for each managed top-level window to be withdrawn
# (every closed message box and lister window); unmanaged windows skip that wait.
if [ ! -f "$WINEPREFIX/.qrl-unmanaged" ]; then
  "$QRL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null &&
    touch "$WINEPREFIX/.qrl-unmanaged"
fi

export QRL_WINE_READY=1
# The command's own failure is its to report: its status, without the catch-all line.
"$@" || exit $?
