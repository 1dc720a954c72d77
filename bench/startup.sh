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
cmake --build "$build" --target vask minimal_splash first_frame >/dev/null
vask="$build/launcher/vask"
minimal="$build/bench/minimal_splash"
probe="$build/bench/first_frame"
picture="$build/launcher/assets/splash.bmp"

source scripts/xvfb.sh
start_xvfb 1280x800x24

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# The picture's middle pixel (320, 240) as the screen will show it: both
# programs centre their windows, so it lands in the middle of the screen
# (vask: window 638 x 492, picture at client (-4, 3) inside a 3-pixel frame).
want=$(convert "$picture" -crop 1x1+320+240 -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -1 | tr -d '#')
vask_runs=() minimal_runs=()
for _ in $(seq 10); do
  vask_runs+=("$("$probe" 640 400 "$want" "$vask")")
  minimal_runs+=("$("$probe" 640 400 "$want" "$minimal" "$picture")")
done
v=$(printf '%s\n' "${vask_runs[@]}" | median)
m=$(printf '%s\n' "${minimal_runs[@]}" | median)
echo "vask start to first frame:           median ${v} ms (runs: ${vask_runs[*]})"
echo "minimal FLTK start to first frame:   median ${m} ms (runs: ${minimal_runs[*]})"
awk -v v="$v" -v m="$m" 'BEGIN { r = (m > 0) ? v / m : 0; printf "ratio %.2f (aim <= 1.30)\n", r }'
