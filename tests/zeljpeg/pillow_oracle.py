"""Pillow as the oracle of the metadata tests: reads an image (a JPEG, or a
BMP for "turn") on standard input.

  upright      writes the image turned upright by ImageOps.exif_transpose, as PPM
  turn N       writes the image given EXIF orientation N, turned upright by
               ImageOps.exif_transpose, as PPM
  metadata     writes three lines: the icc_profile and the exif bytes in hex,
               and the dpi (or "none")
  orientation  writes the EXIF orientation tag (0 when there is none)
  shrink W H   writes the image resized to W x H with the box filter (area
               averaging), as PPM
"""
import io
import sys

from PIL import Image, ImageOps

image = Image.open(io.BytesIO(sys.stdin.buffer.read()))
mode = sys.argv[1]


def write_ppm(picture):
    picture = picture.convert("RGB")
    sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % picture.size + picture.tobytes())


if mode == "upright":
    write_ppm(ImageOps.exif_transpose(image))
elif mode == "turn":
    image.load()
    image.getexif()[0x0112] = int(sys.argv[2])
    write_ppm(ImageOps.exif_transpose(image))
elif mode == "shrink":
    write_ppm(image.convert("RGB").resize((int(sys.argv[2]), int(sys.argv[3])), Image.Resampling.BOX))
elif mode == "metadata":
    print(image.info.get("icc_profile", b"").hex())
    print(image.info.get("exif", b"").hex())
    dpi = image.info.get("dpi")
    print("%dx%d" % (round(dpi[0]), round(dpi[1])) if dpi else "none")
elif mode == "orientation":
    print(image.getexif().get(0x0112, 0))
else:
    sys.exit("unknown mode " + mode)
