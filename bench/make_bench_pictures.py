#!/usr/bin/env python3
"""Writes the pictures bench/convert_vs_imagemagick.sh converts (python3-pil).

  make_bench_pictures.py mixed DIR COUNT   p00000.bmp, p00001.gif, ...: BMP, GIF, JPEG and PNG in
                                           turn, 16 to 256 pixels either way, every stem its own
  make_bench_pictures.py photos DIR COUNT  photo000.jpg, ...: 1600x1200 JPEGs with noise, as a
                                           camera's pictures are busy everywhere

The same seed gives the same pictures, so runs compare.
"""
import os
import random
import sys

from PIL import Image, ImageDraw

FORMATS = (("bmp", "BMP", {}), ("gif", "GIF", {}), ("jpg", "JPEG", {"quality": 90}), ("png", "PNG", {}))


def mixed(out, count):
    rnd = random.Random(42)
    ramp = Image.linear_gradient("L")  # 256x256, dark at the top
    across = ramp.transpose(Image.Transpose.ROTATE_90)
    for i in range(count):
        w, h = rnd.randint(16, 256), rnd.randint(16, 256)
        picture = Image.merge("RGB", (ramp.resize((w, h)), across.resize((w, h)),
                                      Image.new("L", (w, h), rnd.randrange(256))))
        draw = ImageDraw.Draw(picture)
        for _ in range(3):
            x, y = rnd.randrange(w), rnd.randrange(h)
            draw.ellipse((x, y, x + rnd.randint(4, 60), y + rnd.randint(4, 60)),
                         fill=tuple(rnd.randrange(256) for _ in range(3)))
        ext, kind, options = FORMATS[i % len(FORMATS)]
        if kind == "GIF":
            picture = picture.quantize(256)
        picture.save(os.path.join(out, "p%05d.%s" % (i, ext)), kind, **options)


def photos(out, count):
    rnd = random.Random(7)
    noise = Image.effect_noise((1600, 1200), 40)
    for i in range(count):
        base = Image.linear_gradient("L").resize((1600, 1200))
        picture = Image.merge("RGB", (Image.blend(base, noise, 0.3),
                                      Image.blend(base.transpose(Image.Transpose.FLIP_LEFT_RIGHT), noise, 0.5),
                                      Image.new("L", (1600, 1200), rnd.randrange(256))))
        picture.save(os.path.join(out, "photo%03d.jpg" % i), "JPEG", quality=88)


if __name__ == "__main__":
    kind, folder, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
    os.makedirs(folder, exist_ok=True)
    {"mixed": mixed, "photos": photos}[kind](folder, n)
