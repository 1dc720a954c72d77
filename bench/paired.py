"""Paired comparisons for the benchmark scripts.

The machine the benchmarks run on may be shared, so single timings mean
little. Contenders are run in interleaved rounds (the order turning round
from one round to the next), each round gives one ratio of a contender to
the base, and the figure is the median of those ratios with the lower and
upper quartiles. Times are CPU times (user + system), not wall times.
Beside them, instruction counts under callgrind (valgrind), which do not
depend on the load at all, and peak resident memory (getrusage of the
child).
"""

import glob
import os
import re
import statistics
import subprocess
import sys
import tempfile


class BenchError(Exception):
    pass


def run(cmd, env=None):
    """Runs cmd; returns (CPU seconds, peak RSS in MB, stdout). A failing
    command raises BenchError with its standard error.

    The peak comes from GNU time (/usr/bin/time), which starts cmd from a
    small process: a child forked from this Python process would count
    Python's own memory as its peak until it starts the program."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err, \
            tempfile.NamedTemporaryFile(mode="r") as peak:
        proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak.name, *cmd],
                                stdout=out, stderr=err, env=env)
        # The times of the program, which time waits for, count as time's.
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        if proc.returncode != 0:
            raise BenchError(f"{' '.join(cmd)} failed ({proc.returncode}): "
                             f"{err.read().decode(errors='replace').strip()}")
        lines = peak.read().split()
        return (usage.ru_utime + usage.ru_stime, int(lines[-1]) / 1024.0 if lines else 0.0,
                out.read().decode())


def quartiles(values):
    """(lower quartile, median, upper quartile) of values."""
    values = sorted(values)
    if len(values) < 2:
        return values[0], values[0], values[0]
    q1, q2, q3 = statistics.quantiles(values, n=4, method="inclusive")
    return q1, q2, q3


def rounds(base, contenders, count, measure):
    """Runs base and each contender once per round, count rounds after one
    warm-up round, in an order that turns round every round. measure(cmd)
    gives a (seconds, peak MB) pair. Returns {name: (ratios, seconds,
    peaks)} with the base under None; ratios are contender / base."""
    names = [None] + list(contenders)
    commands = {None: base, **contenders}
    results = {n: ([], [], []) for n in names}
    for r in range(count + 1):
        order = names if r % 2 == 0 else list(reversed(names))
        got = {n: measure(commands[n]) for n in order}
        if r == 0:
            continue  # warm-up: caches, page cache, lazy binding
        for n in names:
            seconds, peak = got[n]
            results[n][1].append(seconds)
            results[n][2].append(peak)
            results[n][0].append(seconds / got[None][0])
    return results


def instructions(cmd, toggle=None):
    """Instructions cmd executes under callgrind (of the functions matching
    toggle alone, when given)."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "callgrind.out")
        vg = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}"]
        if toggle:
            vg += ["--collect-atstart=no", f"--toggle-collect={toggle}"]
        run(vg + cmd)
        with open(out) as f:
            for line in f:
                m = re.match(r"(?:summary|totals):\s+(\d+)", line)
                if m:
                    return int(m.group(1))
    raise BenchError(f"no instruction count from callgrind for {' '.join(cmd)}")


def report(title, results, base_name, counts=None, show_memory=False):
    """Prints one line per contender: CPU ratio median [quartiles], the
    median CPU times, peak memory and the instruction ratio."""
    base_ratios, base_seconds, base_peaks = results[None]
    print(title)
    print(f"  {base_name:28s} CPU {statistics.median(base_seconds) * 1000:9.1f} ms"
          + (f"   peak {max(base_peaks):7.1f} MB" if show_memory else "")
          + (f"   {counts[None] / 1e6:10.1f} M instructions" if counts else ""))
    for name, (ratios, seconds, peaks) in results.items():
        if name is None:
            continue
        q1, q2, q3 = quartiles(ratios)
        line = (f"  {name:28s} CPU {statistics.median(seconds) * 1000:9.1f} ms"
                f"   ratio {q2:.3f} [{q1:.3f}-{q3:.3f}]")
        if show_memory:
            line += f"   peak {max(peaks):7.1f} MB ratio {max(peaks) / max(base_peaks):.3f}"
        if counts:
            line += (f"   {counts[name] / 1e6:10.1f} M instructions"
                     f" ratio {counts[name] / counts[None]:.3f}")
        print(line)
    sys.stdout.flush()


def load():
    """The system load averages, for the report."""
    return open("/proc/loadavg").read().split()[:3]


def wallpaper(size, last=True):
    """A wallpaper photograph of that size ("2560x1600", "5120x2880") that
    bench/setup.sh installs: the last in name order (the earlier benchmarks
    took the first)."""
    found = sorted(glob.glob(f"/usr/share/wallpapers/*/contents/images/{size}.jpg"))
    if not found:
        raise BenchError(f"no {size} wallpaper: run bench/setup.sh first")
    return found[-1] if last else found[0]


def make_photos(folder):
    """Inputs made for these benchmarks from photographs: a 4-megapixel
    (2448 x 1632) and an 18-megapixel (5184 x 3456) 24-bit BMP, each the
    mirror image of a wallpaper resized with ImageMagick, and JPEGs of them
    made by cjpeg at quality 90: baseline 4:2:0, 4:2:2, 4:4:4 and
    progressive. Returns {name: path}; made once per folder."""
    photos = {}
    for mp, size, source in (("4mp", "2448x1632", "2560x1600"),
                             ("18mp", "5184x3456", "5120x2880")):
        bmp = os.path.join(folder, f"{mp}.bmp")
        if not os.path.exists(bmp):
            subprocess.run(["convert", wallpaper(source), "-flop", "-resize", size + "!",
                            "-type", "TrueColor", "BMP3:" + bmp], check=True)
            # No resolution: cjpeg would write it into the JFIF header as a
            # density, which a picture loaded from the file does not keep.
            with open(bmp, "r+b") as f:
                f.seek(38)
                f.write(bytes(8))
        photos[f"{mp}.bmp"] = bmp
        for kind, args in (("420", []), ("422", ["-sample", "2x1"]), ("444", ["-sample", "1x1"]),
                           ("prog", ["-progressive"])):
            jpg = os.path.join(folder, f"{mp}-{kind}.jpg")
            if not os.path.exists(jpg):
                subprocess.run(["cjpeg", "-quality", "90", *args, "-outfile", jpg, bmp], check=True)
            photos[f"{mp}-{kind}.jpg"] = jpg
    return photos
