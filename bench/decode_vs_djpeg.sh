#!/usr/bin/env bash
# Decoder figures on real photographs:
#  1. in-process throughput, ReadDIBitmap vs a plain libjpeg-turbo decode into
#     the same bottom-up BGR buffer (24-bit; 64 colours two-pass FS), as
#     ratios (target >= 0.97);
#  2. whole-process ConvertToDIB file -> file vs djpeg -bmp (median of runs);
#  3. peak resident memory of ReadDIBitmapFromStream vs djpeg.
# Usage: bench/decode_vs_djpeg.sh [photo.jpg ...]   (default: the wallpapers)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench-release"
"$root/bench/setup.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVASK_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j2 bench_decode >/dev/null
bench="$build/bench/bench_decode"

if [ $# -gt 0 ]; then
  VASK_BENCH_PHOTOS="$(IFS=:; echo "$*")"
  export VASK_BENCH_PHOTOS
fi

"$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out=/tmp/bench_decode.json --benchmark_out_format=json >/dev/null

python3 - "$bench" <<'PY'
import json, os, subprocess, sys, tempfile, time, glob, statistics

bench = sys.argv[1]
data = json.load(open("/tmp/bench_decode.json"))
median = {b["run_name"]: b["cpu_time"] for b in data["benchmarks"] if b.get("aggregate_name") == "median"}
print("In-process decode time (CPU ms, median of 5 repetitions; the machine is shared, so CPU time rather than wall time):")
photos = []
for name, t in sorted(median.items()):
    kind, photo = name.split("/", 1)
    if photo not in photos:
        photos.append(photo)
for photo in photos:
    for bits in ("24", "8"):
        plain = median.get(f"Plain{bits}/{photo}")
        ours = median.get(f"ReadDIBitmap{bits}/{photo}")
        if plain and ours:
            print(f"  {photo:40s} {bits:>2}-bit  plain {plain:8.2f}  ReadDIBitmap {ours:8.2f}  ratio {plain / ours:5.3f}")

env = os.environ.get("VASK_BENCH_PHOTOS")
if env:
    files = env.split(":")
else:
    files = []
    for size in ("2560x1600", "5120x2880"):
        found = sorted(glob.glob(f"/usr/share/wallpapers/*/contents/images/{size}.jpg"))
        files += found[:1]

def run(cmd):
    start = time.perf_counter()
    pid = os.spawnvp(os.P_NOWAIT, cmd[0], cmd)
    _, status, usage = os.wait4(pid, 0)
    if status != 0:
        raise SystemExit(f"failed: {cmd}")
    return time.perf_counter() - start, usage.ru_maxrss

print("Whole process, file to file (median of 9 runs, ms) and peak RSS (MB):")
with tempfile.TemporaryDirectory() as tmp:
    out = os.path.join(tmp, "out.bmp")
    for f in files:
        ours = [run([bench, "--convert", f, out]) for _ in range(9)]
        djpeg = [run(["djpeg", "-bmp", "-outfile", out, f]) for _ in range(9)]
        t_ours = statistics.median(t for t, _ in ours) * 1000
        t_djpeg = statistics.median(t for t, _ in djpeg) * 1000
        rss_read = max(run([bench, "--read-dib", f])[1] for _ in range(3)) / 1024
        rss_djpeg = max(m for _, m in djpeg) / 1024
        size = os.path.getsize(out) / 1048576
        # Oracle on the photograph: the same pixel rows as djpeg -bmp.
        run([bench, "--convert", f, out])
        ours_bmp = open(out, "rb").read()
        run(["djpeg", "-bmp", "-outfile", out, f])
        djpeg_bmp = open(out, "rb").read()
        off = lambda b: int.from_bytes(b[10:14], "little")
        same = ours_bmp[off(ours_bmp):] == djpeg_bmp[off(djpeg_bmp):]
        print(f"  {'':50s} pixels identical to djpeg -bmp: {'yes' if same else 'NO'}")
        print(f"  {os.path.relpath(f, '/usr/share/wallpapers'):50s} ConvertToDIB {t_ours:7.1f}  djpeg -bmp {t_djpeg:7.1f}  ratio {t_djpeg / t_ours:5.3f}")
        print(f"  {'':50s} DIB {size:6.1f}  peak ReadDIBitmapFromStream {rss_read:6.1f}  djpeg {rss_djpeg:6.1f}")
PY
