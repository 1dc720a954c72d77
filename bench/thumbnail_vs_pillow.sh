#!/usr/bin/env bash
# Thumbnails of an 18-megapixel photograph (a 256-pixel box): ReadThumbnail
# (the decode at the smallest DCT scale that covers the box, then the
# halftone shrink; what zeljpeg-convert --fit does) against the full decode
# plus the same shrink, and against Pillow's Image.thumbnail, in one run.
# CPU time of each in its own process (the photo read into memory first),
# in interleaved rounds; the figures are the median and quartiles of the
# per-round ratios. Targets: full / scaled >= 4, Pillow / scaled > 1.
# Usage: bench/thumbnail_vs_pillow.sh [rounds]   (default 15)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench-release"
rounds=${1:-15}
"$root/bench/setup.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVASK_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j2 bench_thumbnail >/dev/null
photo="$build/photo-18mp.jpg"
/usr/bin/python3 "$root/bench/support/make_photo.py" "$photo"

echo "load: $(uptime)"
/usr/bin/python3 - "$build/bench/bench_thumbnail" "$photo" "$rounds" <<'PY'
import io, statistics, subprocess, sys, time
from PIL import Image

bench, photo, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = open(photo, "rb").read()
BOX = 256

def ours(mode, iterations):
    out = subprocess.run([bench, mode, photo, str(BOX), str(iterations)], check=True,
                         capture_output=True, text=True).stdout
    return float(out)

def pillow(iterations):
    def once():
        image = Image.open(io.BytesIO(data))
        image.thumbnail((BOX, BOX))
        return image
    once()  # warm-up
    start = time.process_time()
    for _ in range(iterations):
        once()
    return (time.process_time() - start) / iterations

full_ratio, pillow_ratio, times = [], [], {"scaled": [], "full": [], "pillow": []}
for r in range(rounds):
    order = ["scaled", "full", "pillow"] if r % 2 == 0 else ["pillow", "full", "scaled"]
    t = {}
    for what in order:
        t[what] = pillow(10) if what == "pillow" else ours(what, 10 if what == "scaled" else 2)
        times[what].append(t[what])
    full_ratio.append(t["full"] / t["scaled"])
    pillow_ratio.append(t["pillow"] / t["scaled"])

def summary(values):
    q = statistics.quantiles(values, n=4)
    return f"median {statistics.median(values):6.2f}  quartiles {q[0]:6.2f} .. {q[2]:6.2f}"

print(f"photo {Image.open(photo).size[0]} x {Image.open(photo).size[1]}, box {BOX}, {rounds} rounds, CPU ms per thumbnail (median):")
for what in ("scaled", "full", "pillow"):
    print(f"  {what:7s} {statistics.median(times[what]) * 1000:8.1f}")
print(f"full decode + shrink / ReadThumbnail:  {summary(full_ratio)}   (target >= 4)")
print(f"Pillow thumbnail / ReadThumbnail:      {summary(pillow_ratio)}   (target > 1)")
PY
