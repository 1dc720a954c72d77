"""Writes an 18-megapixel JPEG photograph (5184 x 3456, the size of an
18-megapixel camera) made from the most detailed 5120 x 2880 wallpaper that
bench/setup.sh installs, with a little luminance noise as a camera sensor
adds, at quality 92 with 4:2:0 sampling, as a camera writes it.

usage: make_photo.py OUTPUT   (nothing happens when OUTPUT exists)
"""
import glob
import os
import sys

from PIL import Image, ImageChops

SIZE = (5184, 3456)

out = sys.argv[1]
if not os.path.exists(out):
    sources = glob.glob("/usr/share/wallpapers/*/contents/images/5120x2880.jpg")
    if not sources:
        sys.exit("make_photo.py: no 5120x2880 wallpaper; run bench/setup.sh")
    source = max(sources, key=os.path.getsize)  # the largest file: the most detail
    photo = Image.open(source).convert("RGB").resize(SIZE, Image.Resampling.LANCZOS)
    noise = Image.effect_noise(SIZE, 4).convert("RGB")  # gray noise around 128
    photo = ImageChops.add(photo, noise, 1.0, -128)
    photo.save(out + ".tmp", "JPEG", quality=92, subsampling="4:2:0")
    os.replace(out + ".tmp", out)
