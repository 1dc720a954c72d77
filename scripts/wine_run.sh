#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine64, in a Wine prefix of
# its own (created on first use) and with Wine's own diagnostics silenced:
#
#   scripts/wine_run.sh program.exe [arguments...]
#   scripts/wine_run.sh --stop
#
# The exit status is the program's.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vask/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# scripts/wine_run.sh --stop ends the prefix's server and its programs.
if [ "${1:-}" = "--stop" ]; then
  wineserver -k 2>/dev/null || true
  exit 0
fi
# A new prefix gets the settings the window tests expect: Wine draws window
# frames itself (no window manager runs under Xvfb) and the classic system
# colours, which the class library's colour table also uses.
# The marker holds the checksum of the settings, so that a prefix made with
# older settings gets the new ones.
settings="$(dirname "$0")/wine_prefix.reg"
ready=$(cksum <"$settings")
if [ "$(cat "$WINEPREFIX/.vask-ready" 2>/dev/null)" != "$ready" ]; then
  mkdir -p "$WINEPREFIX"
  # Test programs start in parallel: one of them sets the prefix up.
  exec 9>"$WINEPREFIX/.setup-lock"
  flock 9
  if [ "$(cat "$WINEPREFIX/.vask-ready" 2>/dev/null)" != "$ready" ]; then
    wine wineboot --init </dev/null >/dev/null 2>&1 || true
    wine regedit /S "$settings" </dev/null >/dev/null 2>&1
    wineserver -w || true
    echo "$ready" >"$WINEPREFIX/.vask-ready"
  fi
  flock -u 9
  exec 9>&-
fi
# Wine's server and its own background programs start with the first Windows
# program and would inherit its output, keeping a caller that reads that
# output waiting after the program has ended. So they are started here first,
# detached from it, and the server is kept up between the many short test
# programs. (A server keeps the screen size of the X display it started on:
# scripts/run.sh stops it before showing vask on a display of its own.)
exec 8>"$WINEPREFIX/.start-lock"
flock 8
if ! pgrep -u "$(id -u)" wineserver >/dev/null 2>&1; then
  wineserver -p60 </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
fi
flock -u 8
exec 8>&-
exec wine "$@"
