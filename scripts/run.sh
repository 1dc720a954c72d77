#!/usr/bin/env bash
# Sets up, builds and starts vask. Without a display it runs vask under Xvfb,
# saves a screenshot and prints where it is.
#
#   scripts/run.sh              # the Linux program (preset "release", which
#                               # also builds zeljpeg-convert)
#   scripts/run.sh --windows    # the Windows program (x86-64) under Wine
#
# The Linux program needs only what building and running it takes
# (scripts/setup.sh run); the Windows program needs the cross compilers and
# Wine (everything scripts/setup.sh installs).
set -euo pipefail
cd "$(dirname "$0")/.."
run=()
if [ "${1:-}" = "--windows" ]; then
  scripts/setup.sh
  scripts/build.sh windows-x64 vask
  run=(scripts/wine_run.sh build/windows-x64/launcher/vask.exe)
  # A Wine server still up from another display would keep its screen size.
  scripts/wine_run.sh --stop
  shot=${VASK_SCREENSHOT:-$PWD/build/vask-windows-screenshot.png}
  search=(--name '^Vask$')
else
  scripts/setup.sh run
  scripts/build.sh release
  run=(build/release/launcher/vask)
  shot=${VASK_SCREENSHOT:-$PWD/build/vask-screenshot.png}
  search=(--classname vask)
fi
if [ -n "${DISPLAY:-}" ]; then
  exec "${run[@]}"
fi
source scripts/xvfb.sh
start_xvfb 1280x800x24
"${run[@]}" &
pid=$!
# Wait for the window (at most 60 s: a first Wine start sets up its prefix),
# then give it a moment to draw. A program that never shows it has failed.
if ! timeout 60 xdotool search --sync --onlyvisible "${search[@]}" >/dev/null 2>&1; then
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "run: vask did not show its window" >&2
  exit 1
fi
sleep 1
import -window root "$shot"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "No display: vask ran under Xvfb; screenshot saved to $shot"
