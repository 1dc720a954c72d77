#!/usr/bin/env bash
# Graphics API figures on a 5120 x 2880 photograph:
#  1. CreateDIBitmap (24-bit DIB -> 32-bit bitmap) and GetDIBits (back to 24
#     bits) throughput in GB/s;
#  2. StretchBlt HALFTONE to 1280 x 720 against Pillow's
#     Image.resize((1280, 720), Image.BOX) on the same photo in the same run
#     (medians; ratio = Pillow time / our time, target >= 1).
# Usage: bench/gdi_vs_pillow.sh [photo.jpg]   (default: the first wallpaper)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench-release"
"$root/bench/setup.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVASK_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j2 bench_gdi >/dev/null
bench="$build/bench/bench_gdi"

photo="${1:-$(ls /usr/share/wallpapers/*/contents/images/5120x2880.jpg 2>/dev/null | sort | head -n1)}"
if [ -z "$photo" ]; then
  echo "no 5120x2880 JPEG found; pass one as the argument" >&2
  exit 1
fi
export VASK_BENCH_PHOTO="$photo"

"$bench" --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out=/tmp/bench_gdi.json --benchmark_out_format=json >/dev/null

# Debian's python3-pil belongs to the system interpreter.
/usr/bin/python3 - "$photo" <<'PY'
import json, statistics, sys, time
from PIL import Image

photo = sys.argv[1]
data = json.load(open("/tmp/bench_gdi.json"))
med = {b["run_name"]: b for b in data["benchmarks"] if b.get("aggregate_name") == "median"}

def ms(name, key="real_time"):
    return med[name][key]

print(f"photo: {photo}")
for name in ("BM_CreateDIBitmap24To32/real_time", "BM_GetDIBits32To24/real_time"):
    b = med[name]
    print(f"{name.split('/')[0]:28s} {b['real_time']:8.1f} ms  {b['bytes_per_second'] / 1e9:5.2f} GB/s"
          f"  (cpu {b['cpu_time']:.1f} ms)")

img = Image.open(photo).convert("RGB")
img.load()
real, cpu = [], []
for _ in range(7):
    t0, c0 = time.perf_counter(), time.process_time()
    img.resize((1280, 720), Image.BOX)
    real.append((time.perf_counter() - t0) * 1000)
    cpu.append((time.process_time() - c0) * 1000)
pil_real, pil_cpu = statistics.median(real), statistics.median(cpu)
ours = "BM_StretchBltHalftone/1280/720/real_time"
our_real, our_cpu = ms(ours), ms(ours, "cpu_time")
print(f"StretchBlt HALFTONE -> 1280x720 {our_real:8.1f} ms  (cpu {our_cpu:.1f} ms)")
print(f"Pillow resize BOX   -> 1280x720 {pil_real:8.1f} ms  (cpu {pil_cpu:.1f} ms)")
print(f"ratio Pillow/ours: real {pil_real / our_real:.2f}, cpu {pil_cpu / our_cpu:.2f} (target >= 1)")
PY
