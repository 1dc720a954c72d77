"""Pillow as the oracle of the metadata tests: reads a JPEG on standard input.

  upright   writes the image turned upright by ImageOps.exif_transpose, as PPM
  metadata  writes two lines: the icc_profile and the exif bytes, in hex
  orientation  writes the EXIF orientation tag (0 when there is none)
"""
import io
import sys

from PIL import Image, ImageOps

image = Image.open(io.BytesIO(sys.stdin.buffer.read()))
mode = sys.argv[1]
if mode == "upright":
    image = ImageOps.exif_transpose(image).convert("RGB")
    sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % image.size + image.tobytes())
elif mode == "metadata":
    print(image.info.get("icc_profile", b"").hex())
    print(image.info.get("exif", b"").hex())
elif mode == "orientation":
    print(image.getexif().get(0x0112, 0))
else:
    sys.exit("unknown mode " + mode)
