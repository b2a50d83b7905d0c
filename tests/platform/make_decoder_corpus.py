#!/usr/bin/env python3
"""Writes the partial decoder's test pictures into the folder given: PNG, GIF and BMP byte by
byte (every header field chosen), JPEG through Pillow. Names starting "qt-" are left to Qt."""
import io, pathlib, random, struct, sys, zlib  # noqa: E401

from PIL import Image

def save(name, data):
    pathlib.Path(sys.argv[1], name).write_bytes(data)


def pixels(w, h):
    """A busy RGBA picture: gradients, a checkerboard and noise, alpha in bands."""
    random.seed(w * 1000 + h)
    return [[colour(x, y, w, h, random.randrange(24)) for x in range(w)] for y in range(h)]


def colour(x, y, w, h, n):
    r, g = (x * 255) // max(1, w - 1), (y * 255) // max(1, h - 1)
    return (r ^ n) & 255, (g + n) & 255, 255 if (x // 3 + y // 5) % 2 else (x * y) % 256, (0, 128, 255, 255)[x // 7 % 4]



def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def pack_row(samples, depth):
    if depth >= 8:
        return b"".join(s.to_bytes(depth // 8, "big") for s in samples)
    bits = "".join(format(s, "0%db" % depth) for s in samples) + "0" * (-len(samples) * depth % 8)
    return int(bits, 2).to_bytes(len(bits) // 8, "big")


def png_samples(colour_type, depth, x, y, r, g, b, a, colours):
    top, grey = (1 << depth) - 1, (r * 3 + g * 5 + b * 2) // 10
    if colour_type == 3:
        return [(x + y * 3) % colours]
    if colour_type == 0:
        return [grey * top // 255 if depth < 16 else min(65535, grey * 257 + (x & 0xFF))]
    if colour_type == 4:
        return [grey * top // 255, a * top // 255] if depth == 8 else [min(65535, grey * 257 + x % 7), a * 257]
    cs = [r, g, b] + ([a] if colour_type == 6 else [])
    return cs if depth == 8 else [(c * 257 + (x * 37 + y) % 251) & 0xFFFF for c in cs]


def png_case(name, w, h, colour_type, depth, trns=None, palette=None, extra=b"", interlace=False, wide=None):
    """Samples of the busy picture, a Sub-filtered row now and then; Adam7 passes when interlaced."""
    px, colours, channels = pixels(w, h), wide or len(palette or []) // 3, {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    rows = [[s for x in range(w) for s in png_samples(colour_type, depth, x, y, *px[y][x], colours)] for y in range(h)]
    raw, step = bytearray(), max(1, channels * depth // 8)
    passes = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2))
    for x0, y0, dx, dy in passes if interlace else ((0, 0, 1, 1),):
        for y in range(y0, h, dy):
            row = [s for x in range(x0, w, dx) for s in rows[y][x * channels:(x + 1) * channels]]
            packed = pack_row(row, depth) if row else b""
            if not interlace and y % 3 == 1:
                raw += b"\1" + bytes((v - (packed[i - step] if i >= step else 0)) & 255 for i, v in enumerate(packed))
            elif row:
                raw += b"\0" + packed
    ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 1 if interlace else 0))
    ex = (chunk(b"PLTE", bytes(palette)) if palette else b"") + extra + (chunk(b"tRNS", trns) if trns else b"")
    save(name, b"\x89PNG\r\n\x1a\n" + ihdr + ex + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def palette_of(n):
    random.seed(n)
    return [random.randrange(256) for _ in range(3 * n)]


png_case("png-rgb8-300x200.png", 300, 200, 2, 8)
png_case("png-rgb8-33x47.png", 33, 47, 2, 8)
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
png_case("png-rgb16-trns-33x33.png", 33, 33, 2, 16, trns=struct.pack(">HHH", 1, 2, 3))
png_case("png-rgba16-129x65.png", 129, 65, 6, 16)
png_case("png-greyalpha16-35x35.png", 35, 35, 4, 16)
png_case("png-palette1-77x40.png", 77, 40, 3, 1, palette=palette_of(2))
png_case("png-palette1-one-colour-20x20.png", 20, 20, 3, 1, palette=palette_of(1), wide=2)
png_case("png-palette2-31x31.png", 31, 31, 3, 2, palette=palette_of(4), trns=bytes([0, 90]))
png_case("png-palette4-55x19.png", 55, 19, 3, 4, palette=palette_of(16))
png_case("png-palette8-trns-100x100.png", 100, 100, 3, 8, palette=palette_of(200), trns=bytes(range(0, 250, 5)))
png_case("png-palette8-index-past-table-40x40.png", 40, 40, 3, 8, palette=palette_of(10), wide=23)
png_case("png-gamma-chrm-48x48.png", 48, 48, 2, 8, extra=chunk(b"gAMA", struct.pack(">I", 100000))
         + chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)))
png_case("png-srgb-gamma-30x30.png", 30, 30, 6, 8, extra=chunk(b"sRGB", b"\0") + chunk(b"gAMA", b"\0\0\xb1\x8f"))
png_case("png-iccp-bogus-32x32.png", 32, 32, 2, 8, extra=chunk(b"iCCP", b"junk\0\0" + zlib.compress(b"not a profile")))
png_case("qt-png-interlaced-rgb8-61x43.png", 61, 43, 2, 8, interlace=True)


def lzw(indices, min_bits):
    """Codes grow to 12 bits and the table is cleared when full, as encoders do."""
    clear = 1 << min_bits
    width, table, seq, codes = min_bits + 1, {(i,): i for i in range(clear)}, (), [(clear, min_bits + 1)]
    for i in indices:
        if seq + (i,) in table:
            seq += (i,)
            continue
        codes.append((table[seq], width))
        if len(table) + 2 < 4096:
            table[seq + (i,)] = len(table) + 2
            width += len(table) + 2 > (1 << width) and width < 12
        else:
            codes.append((clear, width))
            width, table = min_bits + 1, {(k,): k for k in range(clear)}
        seq = (i,)
    codes += ([(table[seq], width)] if seq else []) + [(clear + 1, width)]
    bits = "".join(format(code, "0%db" % n) for code, n in reversed(codes))  # first code lowest
    return int(bits, 2).to_bytes((len(bits) + 7) // 8, "little")


def blocks(data):
    return b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255)) + b"\0"


def gif(screen, frames, global_colours=256, background=0, global_map=True):
    """frames: (left, top, w, h, transparent or None, interlaced, local colours or 0[, pixels coded])."""
    flags = (0x80 if global_map else 0) | global_colours.bit_length() - 2
    out = b"GIF89a" + struct.pack("<HHBBB", *screen, flags, background, 0)
    out += bytes(palette_of(global_colours) * global_map)
    out += b"!\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    for n, (left, top, w, h, trans, interlaced, local, *coded) in enumerate(frames):
        colours, min_bits = local or global_colours, max(2, ((local or global_colours) - 1).bit_length())
        random.seed(n + w * h)
        rows = [[(x * 5 + y * 3 + random.randrange(3)) % colours for x in range(w)] for y in range(h)]
        order = [*range(0, h, 8), *range(4, h, 8), *range(2, h, 4), *range(1, h, 2)] if interlaced else range(h)
        indices = [i for y in order for i in rows[y]][:coded[0] if coded else None]
        flags = (0x40 if interlaced else 0) | ((0x80 | (colours.bit_length() - 2)) if local else 0)
        out += b"!\xf9\x04" + bytes([1, 10, 0, trans, 0]) if trans is not None else b""
        out += b"," + struct.pack("<HHHHB", left, top, w, h, flags) + bytes(palette_of(local) if local else [])
        out += bytes([min_bits]) + blocks(lzw(indices, min_bits))
    return out + b";"


save("gif-full-100x80.gif", gif((100, 80), [(0, 0, 100, 80, None, False, 0)]))
save("gif-interlaced-45x61.gif", gif((45, 61), [(0, 0, 45, 61, None, True, 0)]))
# The end code comes after two passes: the rows copied down from them stay.
save("gif-interlaced-ends-early-40x40.gif", gif((40, 40), [(0, 0, 40, 40, None, True, 0, 40 * 8)]))
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


def bmp_pixel(bits, r, g, b, a):  # 16 bits: any value, read through whatever masks the file has
    return {24: bytes([b, g, r]), 32: bytes([b, g, r, a]), 16: struct.pack("<H", (r << 8 | g) ^ (b << 3))}[bits]


def bmp(w, h, bits, table=(), colours=None, header=40, top_down=False, compression=0, masks=None, gap=0,
        offset=None, rows=None):
    if rows is None:
        px, n = pixels(w, h), colours or 1 << bits
        rows = [pack_row([(x + 2 * y + p[0] // 64) % n for x, p in enumerate(line)], bits) if bits <= 8
                else b"".join(bmp_pixel(bits, *p) for p in line) for y, line in enumerate(px)]
    data = b"".join(r.ljust((w * bits + 31) // 32 * 4, b"\0") for r in (rows if top_down else rows[::-1]))
    entries = b"".join(bytes([b, g, r]) + (b"" if header == 12 else b"\0") for r, g, b in table)
    mask_bytes = b"" if masks is None or header >= 108 else struct.pack("<3I", *masks[:3])
    if header == 12:
        info = struct.pack("<IhhHH", 12, w, -h if top_down else h, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bits, compression, len(data),
                           2835, 2835, len(table), 0)
        if header >= 108:
            info += struct.pack("<4I", *(masks or (0, 0, 0, 0))) + b"BGRs" + bytes(48)
        info = info.ljust(header, b"\0")
    body = info + mask_bytes + entries + bytes(gap) + data
    start = 14 + len(body) - len(data)
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, start if offset is None else offset) + body


def table(n):
    return list(zip(*[iter(palette_of(n))] * 3))


save("bmp-1bit-dark-first-70x40.bmp", bmp(70, 40, 1, [(0, 0, 40), (250, 250, 200)]))
save("bmp-1bit-light-first-33x90.bmp", bmp(33, 90, 1, [(255, 255, 255), (10, 0, 0)]))
save("bmp-4bit-57x31.bmp", bmp(57, 31, 4, table(16)))
save("bmp-4bit-index-past-table-21x21.bmp", bmp(21, 21, 4, table(5)))
save("bmp-8bit-256x256.bmp", bmp(256, 256, 8, table(256)))
save("bmp-8bit-index-past-table-45x45.bmp", bmp(45, 45, 8, table(20), colours=30))
save("bmp-8bit-used-20-45x45.bmp", bmp(45, 45, 8, table(20), colours=20))
save("bmp-8bit-top-down-50x60.bmp", bmp(50, 60, 8, table(256), top_down=True))
save("bmp-24bit-300x200.bmp", bmp(300, 200, 24))
save("bmp-24bit-top-down-31x77.bmp", bmp(31, 77, 24, top_down=True))
save("bmp-24bit-gap-before-data-40x40.bmp", bmp(40, 40, 24, gap=30))
save("bmp-24bit-offset-into-header-40x40.bmp", bmp(40, 40, 24, offset=20))
save("bmp-32bit-rgb-65x33.bmp", bmp(65, 33, 32))
save("bmp-32bit-v4-alpha-48x48.bmp", bmp(48, 48, 32, header=108, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)))
save("bmp-32bit-bitfields-10bit-37x29.bmp", bmp(37, 29, 32, compression=3, masks=(0x3FF00000, 0xFFC00, 0x3FF, 0)))
save("bmp-32bit-v5-bitfields-alpha-20x50.bmp",
     bmp(20, 50, 32, header=124, compression=3, masks=(0xFF00, 0xFF0000, 0xFF000000, 0xFF)))
save("bmp-16bit-555-41x41.bmp", bmp(41, 41, 16))
save("bmp-16bit-565-top-down-33x20.bmp", bmp(33, 20, 16, compression=3, top_down=True, masks=(0xF800, 0x7E0, 0x1F)))
save("bmp-os2-8bit-30x30.bmp", bmp(30, 30, 8, table(256), header=12))
save("bmp-os2-24bit-19x23.bmp", bmp(19, 23, 24, header=12))
save("bmp-os2v2-4bit-25x25.bmp", bmp(25, 25, 4, table(16), header=64))
save("bmp-24bit-top-down-cut-short-60x200.bmp", bmp(60, 200, 24, top_down=True)[:(54 + 200 * 180) // 2])
rle = bytes([4, 1, 4, 2, 0, 0] * 8 + [0, 1])
save("qt-bmp-rle8-8x8.bmp", bmp(8, 8, 8, table(4), compression=1, rows=[b""] * 8)[:70] + rle)


def jpeg(name, w, h, mode="RGB", **options):
    img = Image.new("RGBA", (w, h))
    img.putdata([p for row in pixels(w, h) for p in row])
    buf = io.BytesIO()
    img.convert(mode).save(buf, "JPEG", **options)
    save(name, buf.getvalue())
    return buf.getvalue()


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
