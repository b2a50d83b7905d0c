#!/usr/bin/env python3
"""Writes the pictures the partial decoder test reads into the folder given.

PNG, GIF and BMP files are written byte by byte here, so every header field, bit depth and
chunk is chosen; JPEG files come from Pillow (python3-pil). A name starting with "qt-" is a
case the partial decoder leaves to Qt.
"""
import io
import os
import random
import struct
import sys
import zlib

from PIL import Image

OUT = sys.argv[1]


def save(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def colour(x, y, w, h):
    """A busy RGBA picture: gradients, a checkerboard and noise, alpha in bands."""
    r = (x * 255) // max(1, w - 1)
    g = (y * 255) // max(1, h - 1)
    b = 255 if (x // 3 + y // 5) % 2 else (x * y) % 256
    n = random.randrange(24)
    a = (0, 128, 255, 255)[(x // 7) % 4]
    return (r ^ n) & 255, (g + n) & 255, b, a


def pixels(w, h):
    random.seed(w * 1000 + h)
    return [[colour(x, y, w, h) for x in range(w)] for y in range(h)]


# PNG ----------------------------------------------------------------------------------------

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def pack_row(samples, depth):
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def png(w, h, colour_type, depth, sample_rows, extra=b"", interlace=False):
    """sample_rows[y] lists every sample of row y (channels interleaved)."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    raw = bytearray()
    if interlace:
        for x0, y0, dx, dy in ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4),
                               (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)):
            for y in range(y0, h, dy):
                row = []
                for x in range(x0, w, dx):
                    row += sample_rows[y][x * channels:(x + 1) * channels]
                if row:
                    raw += b"\0" + pack_row(row, depth)
    else:
        for y, row in enumerate(sample_rows):
            packed = pack_row(row, depth)
            if y % 3 == 1:  # a Sub-filtered row now and then
                step = max(1, channels * depth // 8)
                packed = bytes((packed[i] - (packed[i - step] if i >= step else 0)) & 255
                               for i in range(len(packed)))
                raw += b"\1" + packed
            else:
                raw += b"\0" + packed
    ihdr = struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 1 if interlace else 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra
            + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def png_case(name, w, h, colour_type, depth, trns=None, palette=None, extra=b"", interlace=False, wide=None):
    px = pixels(w, h)
    top = (1 << depth) - 1
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            r, g, b, a = px[y][x]
            grey = (r * 3 + g * 5 + b * 2) // 10
            if colour_type == 3:
                row.append((x + y * 3) % (wide or len(palette) // 3))
            elif colour_type == 0:
                row.append(grey * top // 255 if depth < 16 else min(65535, grey * 257 + (x & 0xFF)))
            elif colour_type == 4:
                row += [grey * top // 255, a * top // 255] if depth == 8 else [min(65535, grey * 257 + x % 7), a * 257]
            else:
                cs = [r, g, b] + ([a] if colour_type == 6 else [])
                row += cs if depth == 8 else [(c * 257 + (x * 37 + y) % 251) & 0xFFFF for c in cs]
        rows.append(row)
    ex = extra
    if palette is not None:
        ex = chunk(b"PLTE", bytes(palette)) + ex
    if trns is not None:
        ex += chunk(b"tRNS", trns)
    save(name, png(w, h, colour_type, depth, rows, ex, interlace))


def palette_of(n):
    random.seed(n)
    return [random.randrange(256) for _ in range(3 * n)]


png_case("png-rgb8-300x200.png", 300, 200, 2, 8)
png_case("png-rgb8-33x47.png", 33, 47, 2, 8)
png_case("png-rgb8-16x16.png", 16, 16, 2, 8)
png_case("png-rgba8-64x64.png", 64, 64, 6, 8)
png_case("png-rgba8-37x21.png", 37, 21, 6, 8)
png_case("png-rgb8-colour-key-40x40.png", 40, 40, 2, 8, trns=struct.pack(">HHH", 255, 255, 255))
png_case("png-grey8-50x70.png", 50, 70, 0, 8)
png_case("png-grey8-trns-51x20.png", 51, 20, 0, 8, trns=struct.pack(">H", 128))
png_case("png-grey1-70x30.png", 70, 30, 0, 1)
png_case("png-grey1-trns-black-33x33.png", 33, 33, 0, 1, trns=struct.pack(">H", 0))
png_case("png-grey2-45x12.png", 45, 12, 0, 2)
png_case("png-grey4-trns-29x60.png", 29, 60, 0, 4, trns=struct.pack(">H", 7))
png_case("png-greyalpha8-40x40.png", 40, 40, 4, 8)
png_case("png-grey16-60x60.png", 60, 60, 0, 16)
png_case("png-grey16-trns-41x17.png", 41, 17, 0, 16, trns=struct.pack(">H", 300))
png_case("png-rgb16-70x50.png", 70, 50, 2, 16)
png_case("qt-png-rgb16-trns-33x33.png", 33, 33, 2, 16, trns=struct.pack(">HHH", 1, 2, 3))
png_case("png-rgba16-129x65.png", 129, 65, 6, 16)
png_case("png-greyalpha16-35x35.png", 35, 35, 4, 16)
png_case("png-palette1-77x40.png", 77, 40, 3, 1, palette=palette_of(2))
png_case("png-palette1-one-colour-20x20.png", 20, 20, 3, 1, palette=palette_of(1), wide=2)
png_case("png-palette2-31x31.png", 31, 31, 3, 2, palette=palette_of(4), trns=bytes([0, 90]))
png_case("png-palette4-55x19.png", 55, 19, 3, 4, palette=palette_of(16))
png_case("png-palette8-trns-100x100.png", 100, 100, 3, 8, palette=palette_of(200), trns=bytes(range(0, 250, 5)))
png_case("png-palette8-index-past-table-40x40.png", 40, 40, 3, 8, palette=palette_of(10), wide=23)
png_case("png-gamma-chrm-48x48.png", 48, 48, 2, 8,
         extra=chunk(b"gAMA", struct.pack(">I", 100000))
         + chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)))
png_case("png-srgb-gamma-30x30.png", 30, 30, 6, 8,
         extra=chunk(b"sRGB", b"\0") + chunk(b"gAMA", struct.pack(">I", 45455)))
png_case("png-iccp-bogus-32x32.png", 32, 32, 2, 8,
         extra=chunk(b"iCCP", b"junk\0\0" + zlib.compress(b"not a profile" * 20)))
png_case("qt-png-interlaced-rgb8-61x43.png", 61, 43, 2, 8, interlace=True)

# GIF ----------------------------------------------------------------------------------------

def lzw(indices, min_bits):
    clear, end = 1 << min_bits, (1 << min_bits) + 1
    out, acc, nbits = bytearray(), 0, 0

    def put(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 255)
            acc >>= 8
            nbits -= 8

    width = min_bits + 1
    table = {(i,): i for i in range(clear)}
    put(clear, width)
    seq = ()
    for i in indices:
        if seq + (i,) in table:
            seq += (i,)
            continue
        put(table[seq], width)
        if len(table) + 2 < 4096:
            table[seq + (i,)] = len(table) + 2
            if len(table) + 2 > (1 << width) and width < 12:
                width += 1
        else:
            put(clear, width)
            table = {(k,): k for k in range(clear)}
            width = min_bits + 1
        seq = (i,)
    if seq:
        put(table[seq], width)
    put(end, width)
    if nbits:
        out.append(acc & 255)
    return bytes(out)


def blocks(data):
    return b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255)) + b"\0"


def gif(screen, frames, global_colours=256, background=0, global_map=True):
    """frames: (left, top, w, h, transparent or None, interlaced, local colours or 0[, pixels coded])."""
    sw, sh = screen
    bits = global_colours.bit_length() - 2
    out = bytearray(b"GIF89a" + struct.pack("<HH", sw, sh)
                    + bytes([(0x80 if global_map else 0) | bits, background, 0]))
    if global_map:
        out += bytes(palette_of(global_colours))
    out += b"!\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    for n, (left, top, w, h, trans, interlaced, local, *coded) in enumerate(frames):
        if trans is not None:
            out += b"!\xf9\x04" + bytes([1, 10, 0, trans, 0])
        colours = local or global_colours
        min_bits = max(2, (colours - 1).bit_length())
        random.seed(n + w * h)
        rows = [[(x * 5 + y * 3 + random.randrange(3)) % colours for x in range(w)] for y in range(h)]
        order = list(range(h))
        if interlaced:
            order = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
        flags = (0x40 if interlaced else 0) | ((0x80 | (colours.bit_length() - 2)) if local else 0)
        out += b"," + struct.pack("<HHHH", left, top, w, h) + bytes([flags])
        if local:
            out += bytes(palette_of(local))
        indices = [i for y in order for i in rows[y]]
        out += bytes([min_bits]) + blocks(lzw(indices[:coded[0]] if coded else indices, min_bits))
    return bytes(out + b";")


save("gif-full-100x80.gif", gif((100, 80), [(0, 0, 100, 80, None, False, 0)]))
save("gif-transparent-64x64.gif", gif((64, 64), [(0, 0, 64, 64, 3, False, 0)]))
save("gif-interlaced-45x61.gif", gif((45, 61), [(0, 0, 45, 61, None, True, 0)]))
# The end code comes after two passes: the rows copied down from them stay.
save("gif-interlaced-ends-early-40x40.gif", gif((40, 40), [(0, 0, 40, 40, None, True, 0, 40 * 8)]))
save("gif-interlaced-transparent-30x30.gif", gif((30, 30), [(0, 0, 30, 30, 9, True, 0)]))
save("gif-small-frame-background-64x48.gif", gif((64, 48), [(10, 5, 30, 20, None, False, 0)], background=7))
save("gif-small-frame-transparent-64x48.gif", gif((64, 48), [(3, 2, 20, 30, 5, False, 0)]))
save("gif-frame-past-screen-40x40.gif", gif((40, 40), [(30, 30, 25, 25, None, False, 0)]))
save("gif-zero-screen-33x20.gif", gif((0, 0), [(0, 0, 33, 20, None, False, 0)]))
save("gif-local-map-only-50x50.gif", gif((50, 50), [(0, 0, 50, 50, None, False, 16)], global_map=False))
save("gif-4-colours-17x300.gif", gif((17, 300), [(0, 0, 17, 300, None, False, 0)], global_colours=4))
save("gif-two-frames-60x60.gif", gif((60, 60), [(0, 0, 60, 60, None, False, 0), (5, 5, 20, 20, 1, False, 0)]))
save("gif-wide-300x120.gif", gif((300, 120), [(0, 0, 300, 120, 250, False, 0)]))
cut = gif((120, 300), [(0, 0, 120, 300, None, False, 0)])
save("gif-cut-short-120x300.gif", cut[:len(cut) * 6 // 10])

# BMP ----------------------------------------------------------------------------------------

def bmp(w, h, bits, rows, table=(), header=40, top_down=False, compression=0, masks=None,
        gap=0, clr_used=None, offset=None):
    """rows[y] is the packed bytes of row y, top row first."""
    row_bytes = (w * bits + 31) // 32 * 4
    data = b"".join(r.ljust(row_bytes, b"\0") for r in (rows if top_down else rows[::-1]))
    entry = 3 if header == 12 else 4
    colours = b"".join(bytes([b, g, r]) + (b"" if entry == 3 else b"\0") for r, g, b in table)
    mask_bytes = b"" if masks is None or header >= 108 else struct.pack("<3I", *masks[:3])
    if header == 12:
        info = struct.pack("<IhhHH", 12, w, -h if top_down else h, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bits, compression, len(data),
                           2835, 2835, len(table) if clr_used is None else clr_used, 0)
        if header >= 108:
            info += struct.pack("<4I", *(masks or (0, 0, 0, 0))) + b"BGRs" + bytes(48)
        info = info.ljust(header, b"\0")
    start = 14 + len(info) + len(mask_bytes) + len(colours) + gap
    off = start if offset is None else offset
    body = info + mask_bytes + colours + bytes(gap) + data
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, off) + body


def bmp_rows(w, h, bits, colours=None):
    px = pixels(w, h)
    rows = []
    for y in range(h):
        if bits in (1, 4, 8):
            idx = [(x + 2 * y + px[y][x][0] // 64) % (colours or (1 << bits)) for x in range(w)]
            rows.append(pack_row(idx, bits))
        elif bits == 24:
            rows.append(b"".join(bytes([b, g, r]) for r, g, b, a in px[y]))
        elif bits == 32:
            rows.append(b"".join(bytes([b, g, r, a]) for r, g, b, a in px[y]))
        else:  # 16: any 16-bit value, read through whatever masks the file has
            rows.append(b"".join(struct.pack("<H", (r << 8 | g) ^ (b << 3)) for r, g, b, a in px[y]))
    return rows


def table(n):
    p = palette_of(n)
    return [tuple(p[i * 3:i * 3 + 3]) for i in range(n)]


save("bmp-1bit-dark-first-70x40.bmp", bmp(70, 40, 1, bmp_rows(70, 40, 1), [(0, 0, 40), (250, 250, 200)]))
save("bmp-1bit-light-first-33x90.bmp", bmp(33, 90, 1, bmp_rows(33, 90, 1), [(255, 255, 255), (10, 0, 0)]))
save("bmp-4bit-57x31.bmp", bmp(57, 31, 4, bmp_rows(57, 31, 4), table(16)))
save("qt-bmp-4bit-index-past-table-21x21.bmp", bmp(21, 21, 4, bmp_rows(21, 21, 4), table(5)))
save("bmp-8bit-256x256.bmp", bmp(256, 256, 8, bmp_rows(256, 256, 8), table(256)))
save("qt-bmp-8bit-index-past-table-45x45.bmp", bmp(45, 45, 8, bmp_rows(45, 45, 8, 30), table(20)))
save("bmp-8bit-used-20-45x45.bmp", bmp(45, 45, 8, bmp_rows(45, 45, 8, 20), table(20)))
save("bmp-8bit-top-down-50x60.bmp", bmp(50, 60, 8, bmp_rows(50, 60, 8), table(256), top_down=True))
save("bmp-24bit-300x200.bmp", bmp(300, 200, 24, bmp_rows(300, 200, 24)))
save("bmp-24bit-top-down-31x77.bmp", bmp(31, 77, 24, bmp_rows(31, 77, 24), top_down=True))
save("bmp-24bit-gap-before-data-40x40.bmp", bmp(40, 40, 24, bmp_rows(40, 40, 24), gap=30))
save("bmp-24bit-offset-into-header-40x40.bmp", bmp(40, 40, 24, bmp_rows(40, 40, 24), offset=20))
save("bmp-32bit-rgb-65x33.bmp", bmp(65, 33, 32, bmp_rows(65, 33, 32)))
save("bmp-32bit-v4-alpha-48x48.bmp", bmp(48, 48, 32, bmp_rows(48, 48, 32), header=108,
                                         masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)))
save("bmp-32bit-bitfields-10bit-37x29.bmp", bmp(37, 29, 32, bmp_rows(37, 29, 32), compression=3,
                                                masks=(0x3FF00000, 0xFFC00, 0x3FF, 0)))
save("bmp-32bit-v5-bitfields-alpha-20x50.bmp", bmp(20, 50, 32, bmp_rows(20, 50, 32), header=124, compression=3,
                                                   masks=(0xFF00, 0xFF0000, 0xFF000000, 0xFF)))
save("bmp-16bit-555-41x41.bmp", bmp(41, 41, 16, bmp_rows(41, 41, 16)))
save("bmp-16bit-565-top-down-33x20.bmp", bmp(33, 20, 16, bmp_rows(33, 20, 16), compression=3, top_down=True,
                                             masks=(0xF800, 0x7E0, 0x1F)))
save("bmp-os2-8bit-30x30.bmp", bmp(30, 30, 8, bmp_rows(30, 30, 8), table(256), header=12))
save("bmp-os2-24bit-19x23.bmp", bmp(19, 23, 24, bmp_rows(19, 23, 24), header=12))
save("bmp-os2v2-4bit-25x25.bmp", bmp(25, 25, 4, bmp_rows(25, 25, 4), table(16), header=64))
top_down_cut = bmp(60, 200, 24, bmp_rows(60, 200, 24), top_down=True)
save("bmp-24bit-top-down-cut-short-60x200.bmp", top_down_cut[:len(top_down_cut) // 2])
rle = bytes([4, 1, 4, 2, 0, 0] * 8 + [0, 1])
save("qt-bmp-rle8-8x8.bmp", bmp(8, 8, 8, [b""] * 8, table(4), compression=1)[:54 + 16] + rle)

# JPEG ---------------------------------------------------------------------------------------

def jpeg(name, w, h, mode="RGB", **options):
    img = Image.new("RGBA", (w, h))
    img.putdata([p for row in pixels(w, h) for p in row])
    buf = io.BytesIO()
    img.convert(mode).save(buf, "JPEG", **options)
    save(name, buf.getvalue())
    return buf.getvalue()


jpeg("jpeg-420-300x200.jpg", 300, 200, quality=90, subsampling=2)
jpeg("jpeg-422-77x51.jpg", 77, 51, quality=85, subsampling=1)
jpeg("jpeg-444-45x45.jpg", 45, 45, quality=95, subsampling=0)
jpeg("jpeg-420-odd-17x300.jpg", 17, 300, subsampling=2)
jpeg("jpeg-420-odd-301x33.jpg", 301, 33, subsampling=2)
jpeg("jpeg-progressive-256x192.jpg", 256, 192, quality=90, progressive=True)
jpeg("jpeg-progressive-444-50x70.jpg", 50, 70, progressive=True, subsampling=0)
jpeg("jpeg-optimized-16x16.jpg", 16, 16, optimize=True)
jpeg("jpeg-grey-99x66.jpg", 99, 66, mode="L")
jpeg("jpeg-cmyk-40x40.jpg", 40, 40, mode="CMYK")
jpeg("jpeg-baseline-256x192.jpg", 256, 192, quality=90, subsampling=2)
cut_jpeg = jpeg("jpeg-cut-short-120x300.jpg", 120, 300, subsampling=2)
save("jpeg-cut-short-120x300.jpg", cut_jpeg[:len(cut_jpeg) // 2])
