#!/usr/bin/env bash
# Batch decoding throughput: 16 photographs (the 2560 x 1600 wallpapers that
# bench/setup.sh installs, repeated to make 16) decoded to BMP files by
#   A. zeljpeg-convert --jobs 1 -o DIR ...
#   B. zeljpeg-convert --jobs 2 -o DIR ...
#   C. djpeg -bmp, two processes at a time (xargs -P 2)
# side by side in interleaved rounds (the order rotates from round to round),
# wall-clock time per batch. Prints the median and quartiles of the per-round
# ratios A/B (the speed-up of a second job; target >= 1.8 on two cores) and
# C/B (target >= 1.0), and the machine's load before and after.
# Usage: bench/batch_vs_djpeg.sh [rounds] [photo.jpg ...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench-release"
rounds=${1:-7}
shift || true
"$root/bench/setup.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVASK_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j2 zeljpeg-convert >/dev/null
convert="$build/examples/zeljpeg-convert"

if [ $# -gt 0 ]; then
  candidates=("$@")
else
  mapfile -t candidates < <(ls /usr/share/wallpapers/*/contents/images/2560x1600.jpg | sort)
fi
# Colour photographs only: a gray JPEG becomes the converter's 64-level gray
# BMP, which djpeg does not write.
photos=()
for f in "${candidates[@]}"; do
  [ "$(djpeg -pnm "$f" | head -c 2)" = P6 ] && photos+=("$f")
done
[ ${#photos[@]} -gt 0 ] || { echo "no photographs found" >&2; exit 1; }

# In memory (tmpfs) when there is one: the figures are about decoding, not
# about the disk (the converter syncs each output before renaming it).
work=$(mktemp -d -p "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out"
for i in $(seq 0 15); do
  cp "${photos[$((i % ${#photos[@]}))]}" "$work/in/photo$i.jpg"
done

python3 - "$convert" "$work" "$rounds" <<'PY'
import os, subprocess, sys, time, statistics, glob

convert, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
inputs = sorted(glob.glob(os.path.join(work, "in", "*.jpg")))
out = os.path.join(work, "out")

def clear():
    for f in glob.glob(os.path.join(out, "*")):
        os.remove(f)

def timed(cmd, **kw):
    clear()
    start = time.perf_counter()
    subprocess.run(cmd, check=True, **kw)
    return time.perf_counter() - start

runs = {
    "jobs1": lambda: timed([convert, "--quiet", "--jobs", "1", "-o", out] + inputs),
    "jobs2": lambda: timed([convert, "--quiet", "--jobs", "2", "-o", out] + inputs),
    "djpeg": lambda: timed(["xargs", "-P", "2", "-I{}", "sh", "-c",
                            f'djpeg -bmp -outfile "{out}/$(basename "{{}}" .jpg).bmp" "{{}}"'],
                           input="\n".join(inputs).encode()),
}

# Oracle: the batch writes what djpeg writes, pixel row for pixel row.
runs["jobs2"]()
ours = {f: open(os.path.join(out, f), "rb").read() for f in os.listdir(out)}
runs["djpeg"]()
off = lambda b: int.from_bytes(b[10:14], "little")
same = all(open(os.path.join(out, f), "rb").read()[off(b):] == b[off(b):] for f, b in ours.items())
same = same and len(ours) == len(inputs)
print(f"{len(inputs)} photographs, {os.path.getsize(inputs[0]) // 1024} KB JPEG each (first); "
      f"pixels identical to djpeg -bmp: {'yes' if same else 'NO'}")
print("load before:", open("/proc/loadavg").read().split()[:3])

names = list(runs)
times = {n: [] for n in names}
for r in range(rounds):
    order = names[r % len(names):] + names[:r % len(names)]
    for n in order:
        times[n].append(runs[n]())
print("load after: ", open("/proc/loadavg").read().split()[:3])

def summary(values):
    q = statistics.quantiles(values, n=4) if len(values) > 1 else [values[0]] * 3
    return f"median {statistics.median(values):6.3f}  quartiles {q[0]:6.3f} .. {q[2]:6.3f}"

for n in names:
    print(f"  {n:6s} seconds per batch: {summary(times[n])}")
speedup = [a / b for a, b in zip(times["jobs1"], times["jobs2"])]
vs_djpeg = [c / b for c, b in zip(times["djpeg"], times["jobs2"])]
print(f"jobs1 / jobs2 (target >= 1.8):           {summary(speedup)}")
print(f"djpeg -P 2 / jobs2 (target >= 1.0):      {summary(vs_djpeg)}")
PY
