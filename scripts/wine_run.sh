#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine64, in a Wine prefix of
# its own (created on first use) and with Wine's own diagnostics silenced:
#
#   scripts/wine_run.sh program.exe [arguments...]
#
# The exit status is the program's.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vask/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# A new prefix gets the settings the window tests expect: Wine draws window
# frames itself (no window manager runs under Xvfb) and the classic system
# colours, which the class library's colour table also uses.
if [ ! -f "$WINEPREFIX/.vask-ready" ]; then
  mkdir -p "$WINEPREFIX"
  # Test programs start in parallel: one of them sets the prefix up.
  exec 9>"$WINEPREFIX/.setup-lock"
  flock 9
fi
if [ ! -f "$WINEPREFIX/.vask-ready" ]; then
  wine wineboot --init >/dev/null 2>&1 || true
  wine regedit /S "$(dirname "$0")/wine_prefix.reg" >/dev/null 2>&1
  wineserver -w || true
  touch "$WINEPREFIX/.vask-ready"
  flock -u 9
fi
# Keep the server up between the many short test programs.
wineserver -p60 </dev/null >/dev/null 2>&1 || true
exec wine "$@"
