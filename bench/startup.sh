#!/usr/bin/env bash
# Start-up time of vask to its complete first frame, beside a minimal FLTK
# program that shows the same 640 x 480 picture, under Xvfb. first_frame
# learns each program's complete frame from a warm-up run (the window's
# pixels once the screen has settled), then times runs to the screen change
# that completes that frame, watching the X DAMAGE extension's reports
# rather than polling the screen. The two programs alternate, rounds after
# rounds; the figure is the median of the per-round ratios with quartiles.
# Aim: ratio <= 1.3. Any failed run stops the benchmark with its message
# and a non-zero status.
#   bench/startup.sh [build-dir] [rounds]   (default build/default, 21)
# Builds and installs nothing: build the targets vask, minimal_splash and
# first_frame in build-dir first (scripts/setup.sh installs what they need).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
rounds=${2:-21}
vask="$build/launcher/vask"
minimal="$build/bench/minimal_splash"
probe="$build/bench/first_frame"
picture="$build/launcher/assets/splash.bmp"
for f in "$vask" "$minimal" "$probe" "$picture"; do
  if [ ! -e "$f" ]; then
    echo "startup: $f is missing: cmake --build $build --target vask minimal_splash first_frame" >&2
    exit 1
  fi
done

source scripts/xvfb.sh
start_xvfb 1280x800x24
frames=$(mktemp -d)
trap 'rm -rf "$frames"; kill $VASK_XVFB_PID 2>/dev/null || true' EXIT

echo "load averages at start: $(cut -d' ' -f1-3 /proc/loadavg)"
# Warm-up runs, which also record the complete frames.
"$probe" --reference "$frames/vask.ppm" "$vask"
"$probe" --reference "$frames/minimal.ppm" "$minimal" "$picture"

vask_runs=() minimal_runs=()
for r in $(seq "$rounds"); do
  if [ $((r % 2)) -eq 1 ]; then
    vask_runs+=("$("$probe" "$frames/vask.ppm" "$vask")")
    minimal_runs+=("$("$probe" "$frames/minimal.ppm" "$minimal" "$picture")")
  else
    minimal_runs+=("$("$probe" "$frames/minimal.ppm" "$minimal" "$picture")")
    vask_runs+=("$("$probe" "$frames/vask.ppm" "$vask")")
  fi
done

python3 - "${vask_runs[*]}" "${minimal_runs[*]}" <<'PY'
import statistics, sys
vask = [float(v) for v in sys.argv[1].split()]
minimal = [float(v) for v in sys.argv[2].split()]
def quartiles(values):
    return statistics.quantiles(values, n=4, method="inclusive")
ratios = [v / m for v, m in zip(vask, minimal)]
for name, runs in (("vask", vask), ("minimal FLTK", minimal)):
    q1, q2, q3 = quartiles(runs)
    print(f"{name:13s} start to complete first frame: median {q2:.0f} ms [{q1:.0f}-{q3:.0f}]"
          f" (runs: {' '.join(f'{v:.0f}' for v in runs)})")
q1, q2, q3 = quartiles(ratios)
print(f"ratio vask / minimal: median {q2:.2f} [{q1:.2f}-{q3:.2f}] over {len(ratios)} rounds (aim <= 1.30)")
PY
echo "load averages at end: $(cut -d' ' -f1-3 /proc/loadavg)"
