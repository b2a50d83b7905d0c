#!/usr/bin/env python3
"""The conversion brevane-cli convert does, in one Pillow process: each picture's top-left
SIZE x SIZE square (padded with transparent pixels when the picture is smaller), every pixel
of the top-left pixel's colour transparent, written as OUT/STEM.ico (Pillow stores the image
as PNG).

  pillow_convert.py SIZE OUT PICTURE...
"""
import os
import sys

from PIL import Image, ImageChops


def convert(path, side, out):
    with Image.open(path) as picture:
        rgb = picture.convert("RGB")
    part = rgb.crop((0, 0, min(side, rgb.width), min(side, rgb.height)))
    key = Image.new("RGB", part.size, part.getpixel((0, 0)))
    r, g, b = ImageChops.difference(part, key).split()
    opaque = ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v else 0)
    icon = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    icon.paste(part, (0, 0), opaque)
    stem = os.path.splitext(os.path.basename(path))[0]
    icon.save(os.path.join(out, stem + ".ico"), "ICO", sizes=[(side, side)])


if __name__ == "__main__":
    side, out = int(sys.argv[1]), sys.argv[2]
    for picture in sys.argv[3:]:
        convert(picture, side, out)
