#!/usr/bin/env bash
# Runs a command with Wine ready: a virtual X display, a private prefix and one wineserver that
# lives for the whole command.
#   scripts/wine.sh CMD [ARG ...]       e.g. scripts/wine.sh wine build/win64/testhost.exe ...
# The prefix is ${QRL_WINEPREFIX:-build/wineprefix}; one run at a time per prefix. Inside, the
# command sees QRL_WINE_READY=1, and nested calls of this script just run their command.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if [ "${QRL_WINE_READY:-}" = 1 ]; then
  exec "$@"
fi
[ $# -gt 0 ] || { echo "usage: scripts/wine.sh CMD [ARG ...]" >&2; exit 2; }

export WINEPREFIX=${QRL_WINEPREFIX:-$top/build/wineprefix}
# No Mono/Gecko prompts; no audio drivers: without a sound device every message box's beep
# would wait two seconds for one.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winealsa.drv,winepulse.drv,wineoss.drv=" WINEARCH=win64

if [ "${QRL_WINE_INSIDE:-}" != 1 ]; then
  if ! command -v wine >/dev/null || ! command -v xvfb-run >/dev/null || ! command -v xauth >/dev/null; then
    bash "$top/scripts/setup.sh"
  fi
  # Wine may never start without a display: everything below runs inside xvfb-run.
  QRL_WINE_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
unset QRL_WINE_INSIDE

mkdir -p "$WINEPREFIX"
# A second run on the same prefix would share (and then kill) this run's wineserver.
exec 8>"$WINEPREFIX.lock"
flock 8

# A server left over from an earlier run may have no display; start clean.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# One persistent server for the whole command: without it every wine process that writes to a
# pipe waits seconds for the server to exit.
wineserver -p >/dev/null 2>&1 </dev/null
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# A prefix made before the 32-bit loader was installed can't start programs once that loader
# takes over (/usr/bin/wine prefers it): make it anew.
if [ -f "$WINEPREFIX/system.reg" ] && [ -x /usr/lib/wine/wine ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 </dev/null
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 </dev/null
fi
# Without a window manager Wine waits 2 s for each managed top-level window to be withdrawn
# (every closed message box and lister window); unmanaged windows skip that wait.
if [ ! -f "$WINEPREFIX/.qrl-unmanaged" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null &&
    touch "$WINEPREFIX/.qrl-unmanaged"
fi

export QRL_WINE_READY=1
set +e
"$@"
status=$?
exit $status
