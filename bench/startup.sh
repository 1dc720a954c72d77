#!/usr/bin/env bash
# Start-up time of vask: from starting the program to its first drawn frame
# (the window is shown and the middle of the picture is on the screen),
# median of 10 runs under Xvfb, beside a minimal FLTK program that shows the
# same 640 x 480 picture. Aim: ratio <= 1.3.
#   bench/startup.sh [build-dir]     (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
scripts/setup.sh
cmake --preset default >/dev/null 2>&1 || true
cmake --build "$build" --target vask minimal_splash >/dev/null
vask="$build/launcher/vask"
minimal="$build/bench/minimal_splash"
picture="$build/launcher/assets/splash.bmp"

source scripts/xvfb.sh
start_xvfb 1280x800x24

# Milliseconds from start until the window of class $1 shows, at window
# position ($2, $3), the colour $4 (as "srgb(r,g,b)" from ImageMagick).
first_frame_ms() {
  local class=$1 x=$2 y=$3 want=$4
  shift 4
  local t0 id="" colour="" t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  local pid=$!
  while :; do
    if [ -z "$id" ]; then
      id=$(xdotool search --onlyvisible --classname "$class" 2>/dev/null | head -1 || true)
    fi
    if [ -n "$id" ]; then
      colour=$(import -window "$id" -crop "1x1+$x+$y" -depth 8 txt:- 2>/dev/null |
        grep -o 'srgb([0-9,]*)' | head -1 || true)
      [ "$colour" = "$want" ] && break
    fi
    if [ $(( ($(date +%s%N) - t0) / 1000000 )) -gt 20000 ]; then
      echo "timeout waiting for $class" >&2
      break
    fi
  done
  t1=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo $(( (t1 - t0) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}'; }

# The picture's middle pixel (320, 240) as the screen will show it.
want=$(convert "$picture" -crop 1x1+320+240 -depth 8 txt:- | grep -o 'srgb([0-9,]*)' | head -1)
# In vask it lies at window (3 - 4 + 320, 3 + 3 + 240).
vask_runs=() minimal_runs=()
for _ in $(seq 10); do
  vask_runs+=("$(first_frame_ms vask 319 246 "$want" "$vask")")
  minimal_runs+=("$(first_frame_ms minimal 320 240 "$want" "$minimal" "$picture")")
done
v=$(printf '%s\n' "${vask_runs[@]}" | median)
m=$(printf '%s\n' "${minimal_runs[@]}" | median)
echo "vask start to first frame:           median ${v} ms (runs: ${vask_runs[*]})"
echo "minimal FLTK start to first frame:   median ${m} ms (runs: ${minimal_runs[*]})"
awk -v v="$v" -v m="$m" 'BEGIN { r = (m > 0) ? v / m : 0; printf "ratio %.2f (aim <= 1.30)\n", r }'
