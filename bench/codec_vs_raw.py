#!/usr/bin/env python3
"""The library's codec paths against plain libjpeg-turbo, and the halftone
shrink against Pillow.

Each contender runs as its own process, in paired rounds with its
reference, and reports the CPU time of one operation; the ratio is the
contender's time over the reference's (median [quartiles] of the rounds),
with instruction counts of the operation alone under callgrind:
- decoding: ReadDIBitmap, ReadDIBitmapFromStream and TJPEGBitmap
  LoadFromStream, all from a memory stream, against a plain decode into the
  same bottom-up BGR rows (24 bits: target <= 1.03), and ReadDIBitmap
  through the 4096-byte read buffer (dib24buffered: a file's way); ReadDIBitmap at 64
  colours against the plain decode with the same quantiser;
- encoding at quality 75: WriteDIBitmap of the 24-bit photo against a plain
  encode of the same rows, and of the photo at 256 colours against the same
  picture at 24 bits;
- StretchBlt HALFTONE of the 18-megapixel photo to 1280 x 720 against
  Pillow's resize with the BOX filter (a ratio below 1: ours is faster).
Photographs: baseline 4:2:0, 4:2:2, 4:4:4 and progressive JPEGs of a
4-megapixel picture and a baseline 18-megapixel one (paired.make_photos).

Usage: bench/codec_vs_raw.py [--rounds N] [--no-callgrind] [build-dir]
(build-dir: default build/default, where bench_decode, bench_encode and
bench_gdi must be built).
"""
import argparse
import os
import sys

sys.dont_write_bytecode = True  # no cache files in the checkout
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import paired  # noqa: E402


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(root, "build", "default"))
    parser.add_argument("--rounds", type=int, default=11)
    parser.add_argument("--repeats", type=int, default=3, help="operations per process")
    parser.add_argument("--no-callgrind", action="store_true")
    parser.add_argument("--only", choices=("decode", "encode", "halftone"),
                        help="run one of the three comparisons")
    args = parser.parse_args()
    programs = {}
    for name in ("bench_decode", "bench_encode", "bench_gdi"):
        programs[name] = os.path.join(args.build, "bench", name)
        if not os.access(programs[name], os.X_OK):
            raise paired.BenchError(f"{programs[name]} is not built: "
                                    f"cmake --build {args.build} --target {name}")
    folder = os.path.expanduser("~/.cache/vask/bench-photos")
    os.makedirs(folder, exist_ok=True)
    photos = paired.make_photos(folder)
    print(f"load averages at start: {' '.join(paired.load())}")

    def measure(cmd):
        _, peak, out = paired.run(cmd)
        return float(out), peak

    def compare(title, reference_name, reference, contenders, toggle):
        """reference and contenders: functions of the repeat count giving the
        command (and its environment through paired.run's env)."""
        results = paired.rounds(reference(args.repeats), {n: c(args.repeats) for n, c in contenders.items()},
                                args.rounds, measure)
        counts = None
        if not args.no_callgrind and toggle:
            counts = {None: paired.instructions(reference(1), toggle)}
            for n, c in contenders.items():
                counts[n] = paired.instructions(c(1), toggle)
        paired.report(f"{title}: CPU per operation, ratio to {reference_name} "
                      f"(median [quartiles] of {args.rounds} rounds)", results, reference_name, counts)

    decode = programs["bench_decode"]
    for name, bits in [] if args.only not in (None, "decode") else [(n, "24") for n in ("4mp-420.jpg", "4mp-422.jpg", "4mp-444.jpg",
                                           "4mp-prog.jpg", "18mp-420.jpg")] + [("4mp-420.jpg", "8")]:
        photo = photos[name]
        modes = (["dib24", "dib24buffered", "fromstream24", "bitmap24"] if bits == "24"
                 else ["dib8"])
        mode = lambda m: lambda n: [decode, "--run", m, photo, str(n)]  # noqa: E731
        compare(f"decode {name} at {bits} bits", "plain libjpeg-turbo", mode("raw" + bits),
                {m: mode(m) for m in modes}, "*BenchDecodeOnce*")

    # The encoder and the halftone shrink take their photo from the
    # environment; paired.run passes it on to the program.
    encode = programs["bench_encode"]
    os.environ["VASK_BENCH_PHOTO"] = photos["4mp-420.jpg"]
    mode = lambda m: lambda n: [encode, "--run", m, str(n)]  # noqa: E731
    if args.only in (None, "encode"):
        compare("encode 4mp (decoded 4mp-420.jpg) at quality 75", "plain libjpeg-turbo",
                mode("plain24"), {"WriteDIBitmap 24-bit": mode("dib24")}, "*BenchEncodeOnce*")
        compare("encode 4mp at 256 colours, quality 75", "WriteDIBitmap of it at 24 bits",
                mode("dib24of8"), {"WriteDIBitmap 8-bit": mode("dib8")}, "*BenchEncodeOnce*")

    os.environ["VASK_BENCH_PHOTO"] = photos["18mp-420.jpg"]
    pillow = ["/usr/bin/python3", "-c", PILLOW, photos["18mp-420.jpg"]]
    if args.only in (None, "halftone"):
        compare("halftone shrink of 18mp (decoded 18mp-420.jpg) to 1280 x 720",
                "Pillow resize BOX", lambda n: pillow + [str(n)],
                {"StretchBlt HALFTONE":
                 lambda n: [programs["bench_gdi"], "--run", "halftone", str(n)]}, None)
    print(f"load averages at end: {' '.join(paired.load())}")


# Pillow's BOX resize of a photo to 1280 x 720: one untimed, then the CPU
# seconds of one of the timed ones.
PILLOW = """
import sys, time
from PIL import Image
image = Image.open(sys.argv[1]).convert("RGB")
image.load()
repeats = int(sys.argv[2])
image.resize((1280, 720), Image.BOX)
start = time.process_time()
for _ in range(repeats):
    image.resize((1280, 720), Image.BOX)
print((time.process_time() - start) / max(repeats, 1))
"""


if __name__ == "__main__":
    try:
        main()
    except paired.BenchError as e:
        sys.exit(f"codec_vs_raw: {e}")
