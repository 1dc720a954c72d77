#!/usr/bin/env python3
"""zeljpeg-convert against the codec's own tools on photographs.

Picture -> JPEG against cjpeg (quality 75; quality 90 progressive
optimised) and JPEG -> BMP against djpeg -bmp (baseline and progressive),
at 4 and 18 megapixels (see paired.make_photos): CPU time as the median
[quartiles] of the per-round ratios of paired rounds, peak resident memory
of each process, and (with --callgrind, slow) instruction counts. Every
output is checked against the tool's: the same JPEG bytes, the same BMP
pixel rows. Targets: picture -> JPEG <= 1.05 x cjpeg's CPU and <= 1.1 x its
memory; JPEG -> BMP <= 1.0 x djpeg's CPU and <= 1.05 x its memory.

Usage: bench/convert_vs_tools.py [--rounds N] [--callgrind] [build-dir]
(build-dir: default build/default, where zeljpeg-convert must be built).
"""
import argparse
import os
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache files in the checkout
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import paired  # noqa: E402


def pixels(bmp_path):
    data = open(bmp_path, "rb").read()
    return data[int.from_bytes(data[10:14], "little"):]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(root, "build", "default"))
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--callgrind", action="store_true")
    args = parser.parse_args()
    convert = os.path.join(args.build, "examples", "zeljpeg-convert")
    if not os.access(convert, os.X_OK):
        raise paired.BenchError(f"{convert} is not built: cmake --build {args.build} --target zeljpeg-convert")
    folder = os.path.expanduser("~/.cache/vask/bench-photos")
    os.makedirs(folder, exist_ok=True)
    photos = paired.make_photos(folder)
    print(f"load averages at start: {' '.join(paired.load())}")

    def measure(cmd):
        seconds, peak, _ = paired.run(cmd)
        return seconds, peak

    with tempfile.TemporaryDirectory() as tmp:
        theirs_out, ours_out = os.path.join(tmp, "theirs"), os.path.join(tmp, "ours")
        cases = []
        for mp in ("4mp", "18mp"):
            bmp = photos[f"{mp}.bmp"]
            for label, tool, opts in (("q75", ["-quality", "75"], ["--quality", "75"]),
                                      ("q90 progressive optimised",
                                       ["-quality", "90", "-progressive", "-optimize"],
                                       ["--quality", "90", "--progressive", "--optimize"])):
                cases.append((f"{mp} BMP -> JPEG {label}", "cjpeg",
                              ["cjpeg", *tool, "-outfile", theirs_out + ".jpg", bmp],
                              [convert, *opts, bmp, ours_out + ".jpg"], ".jpg"))
            for kind in ("420", "prog"):
                jpg = photos[f"{mp}-{kind}.jpg"]
                label = "baseline" if kind == "420" else "progressive"
                cases.append((f"{mp} {label} JPEG -> BMP", "djpeg -bmp",
                              ["djpeg", "-bmp", "-outfile", theirs_out + ".bmp", jpg],
                              [convert, jpg, ours_out + ".bmp"], ".bmp"))
        for title, tool, theirs, ours, ext in cases:
            results = paired.rounds(theirs, {"zeljpeg-convert": ours}, args.rounds, measure)
            if ext == ".jpg":
                same = open(theirs_out + ext, "rb").read() == open(ours_out + ext, "rb").read()
            else:
                same = pixels(theirs_out + ext) == pixels(ours_out + ext)
            counts = None
            if args.callgrind:
                counts = {None: paired.instructions(theirs),
                          "zeljpeg-convert": paired.instructions(ours)}
            paired.report(f"{title} (median [quartiles] of {args.rounds} rounds); "
                          f"output the same as {tool}'s: {'yes' if same else 'NO'}",
                          results, tool, counts, show_memory=True)
    print(f"load averages at end: {' '.join(paired.load())}")


if __name__ == "__main__":
    try:
        main()
    except paired.BenchError as e:
        sys.exit(f"convert_vs_tools: {e}")
