#!/usr/bin/env bash
# Runs a Windows program under Wine, in the prefix of the build it belongs to
# ($ZUMR_WINEPREFIX, else build/win32/wineprefix), made once with wineboot.
# Used as CMake's CROSSCOMPILING_EMULATOR, so CTest runs the Windows tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${ZUMR_WINEPREFIX:-$root/build/win32/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine: their installers would ask on the first start.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win32

if [ ! -f "$WINEPREFIX/.zumr-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.zumr-ready" ]; then
    DISPLAY= wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.zumr-ready"
  fi
  flock -u 9
fi
exec wine "$@"
