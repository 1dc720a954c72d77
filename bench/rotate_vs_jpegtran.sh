#!/usr/bin/env bash
# Lossless rotation of an 18-megapixel photograph by 90 degrees:
# zeljpeg-convert --rotate 90 (TJPEGTransformer) against jpegtran -rotate 90,
# file to file, the CPU time of each process (user + system), in interleaved
# rounds; the figure is the median and quartiles of the per-round ratios.
# Target: ours / jpegtran <= 1.1. Also checks that both outputs decode to
# the same pixels.
# Usage: bench/rotate_vs_jpegtran.sh [rounds]   (default 15)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench-release"
rounds=${1:-15}
"$root/bench/setup.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVASK_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j2 zeljpeg-convert >/dev/null
photo="$build/photo-18mp.jpg"
/usr/bin/python3 "$root/bench/support/make_photo.py" "$photo"

echo "load: $(uptime)"
/usr/bin/python3 - "$build/examples/zeljpeg-convert" "$photo" "$rounds" <<'PY'
import os, statistics, subprocess, sys, tempfile

convert, photo, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])

def cpu(cmd):
    pid = os.spawnvp(os.P_NOWAIT, cmd[0], cmd)
    _, status, usage = os.wait4(pid, 0)
    if status != 0:
        raise SystemExit(f"failed: {' '.join(cmd)}")
    return usage.ru_utime + usage.ru_stime

with tempfile.TemporaryDirectory() as tmp:
    ours_out, theirs_out = os.path.join(tmp, "ours.jpg"), os.path.join(tmp, "theirs.jpg")
    ours_cmd = [convert, "--quiet", "--rotate", "90", photo, ours_out]
    theirs_cmd = ["jpegtran", "-rotate", "90", "-outfile", theirs_out, photo]
    cpu(ours_cmd), cpu(theirs_cmd)  # warm-up
    ratios, ours_t, theirs_t = [], [], []
    for r in range(rounds):
        if r % 2 == 0:
            a = cpu(ours_cmd); b = cpu(theirs_cmd)
        else:
            b = cpu(theirs_cmd); a = cpu(ours_cmd)
        ours_t.append(a); theirs_t.append(b); ratios.append(a / b)
    decode = lambda f: subprocess.run(["djpeg", f], check=True, capture_output=True).stdout
    same = decode(ours_out) == decode(theirs_out)
    q = statistics.quantiles(ratios, n=4)
    print(f"{rounds} rounds, CPU ms (median): zeljpeg-convert {statistics.median(ours_t) * 1000:7.1f}  "
          f"jpegtran {statistics.median(theirs_t) * 1000:7.1f}")
    print(f"ours / jpegtran: median {statistics.median(ratios):5.3f}  quartiles {q[0]:5.3f} .. {q[2]:5.3f}"
          "   (target <= 1.1)")
    print(f"outputs decode to the same pixels: {'yes' if same else 'NO'}")
PY
