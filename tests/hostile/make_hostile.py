#!/usr/bin/env python3
"""Hostile inputs for brevane-cli, written at test time (nothing large is committed): one row
of CASES per bomb, run by run_hostile.py.   make_hostile.py DIR   writes them all into DIR."""

import os
import struct
import sys
import zlib

SRCCOPY = 0x00CC0020
u16, i16, u32, i32 = [lambda *v, c=c: struct.pack("<%d%s" % (len(v), c), *v) for c in "HhIi"]


def wmf_record(function, params):
    return u32(3 + len(params) // 2) + u16(function) + params


def wmf(records, box=(0, 0, 40, 40), inch=96):
    """A placeable WMF around 'records' (META_EOF added)."""
    records = records + [wmf_record(0, b"")]
    body = b"".join(records)
    longest = max(struct.unpack_from("<I", r)[0] for r in records)
    header = u16(1, 9, 0x0300) + u32((18 + len(body)) // 2) + u16(16) + u32(longest) + u16(0)
    placeable = u32(0x9AC6CDD7) + u16(0) + i16(*box) + u16(inch) + u32(0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    return placeable + u16(checksum) + header + body


def dib(width, height, bits=24, bi_size=40, compression=0, pixel_bytes=None):
    """A BITMAPINFOHEADER, its colour table and 'pixel_bytes' of pixels (None: all of them);
    compressed pixels are zeros and an end-of-bitmap code."""
    colours = (1 << bits) if bits <= 8 else 0
    if pixel_bytes is None:
        pixel_bytes = ((width * bits + 31) // 32) * 4 * abs(height)
    pixels = b"\0" * max(pixel_bytes - 2, 0) + b"\x00\x01" if compression else b"\0" * pixel_bytes
    header = u32(bi_size) + i32(width, height) + u16(1, bits)
    header += u32(compression, len(pixels) if compression else 0, 0, 0, colours, 0)
    return header + b"\x80\x00\x00\x00" * colours + pixels


WINDOW = [wmf_record(0x020B, i16(0, 0)), wmf_record(0x020C, i16(40, 40))]
EXTENTS = i16(40, 40, 0, 0, 40, 40, 0, 0)  # source and destination: height, width, y, x


def emf(records, width=40, height=40):
    body = b"".join(records) + u32(14, 20, 0, 16, 20)
    return (u32(1, 88) + i32(0, 0, width - 1, height - 1) + i32(0, 0, width * 2540 // 96, height * 2540 // 96)
            + u32(0x464D4520, 0x10000, 88 + len(body), len(records) + 2) + u16(1, 0)
            + u32(0, 0, 0) + i32(960, 960, 254, 254) + body)


def emf_large_bitmap(side=4000):
    """EMR_STRETCHDIBITS of a 1-bit bitmap: the converter compresses it into a PNG."""
    bitmap, info = dib(side, side, 1), 40 + 8
    return emf([u32(81, 80 + len(bitmap)) + i32(0, 0, 39, 39) + i32(0, 0, 0, 0, side, side)
                + u32(80, info, 80 + info, len(bitmap) - info) + u32(0, SRCCOPY) + i32(40, 40) + bitmap])


def jpeg_segment(marker, payload):
    return b"\xff" + bytes([marker]) + struct.pack(">H", len(payload) + 2) + payload


def jpeg_scans(scans=20_000, side=4096):
    """A progressive greyscale JPEG: one DC scan, then the same AC band over and over, each
    scan a walk over all blocks. DC and AC tables: one 1-bit code each (an EOB run of 2^14)."""
    out = b"\xff\xd8" + jpeg_segment(0xDB, b"\x00" + b"\x01" * 64)
    out += jpeg_segment(0xC2, b"\x08" + struct.pack(">HH", side, side) + b"\x01\x01\x11\x00")
    out += jpeg_segment(0xC4, b"\x00\x01" + b"\x00" * 16) + jpeg_segment(0xC4, b"\x10\x01" + b"\x00" * 15 + b"\xe0")
    out += jpeg_segment(0xDA, b"\x01\x01\x00\x00\x00\x00") + b"\x00" * 64
    out += (jpeg_segment(0xDA, b"\x01\x01\x00\x01\x3f\x00") + b"\x00" * 38) * (scans - 1)
    return out + b"\xff\xd9"


def png(width, height):
    """A greyscale PNG of zeros: 'width' x 'height' pixels in a few kilobytes."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"\0" * ((width + 1) * height), 9)) + chunk(b"IEND", b""))


def ico(block, entries=256):
    """An icon directory of 'entries' 256x256 32-bit images, all pointing at one block."""
    return u16(0, 1, entries) + (bytes(4) + u16(1, 32) + u32(len(block), 6 + 16 * entries)) * entries + block


def ico_one_large_block():
    """A 256 x 256 image followed by 20 MB the entry counts as its own."""
    image = u32(40) + i32(256, 512) + u16(1, 32) + u32(0, 0, 0, 0, 0, 0) + b"\0" * (256 * 256 * 4 + 256 * 32)
    return ico(image + b"\0" * (20 * 1024 * 1024 - len(image)))


def pe(resources):
    """A PE32 image with nothing but a resource section: (type, id, data), each language 0,
    each with a name directory, a language directory and a data entry."""
    rsrc_rva, raw_at = 0x1000, 0x200
    resources = sorted(resources)
    tree = 16 + 8 * len(resources)
    name_dir = [tree + i * 64 for i in range(len(resources))]
    data_at = tree + 64 * len(resources)
    body = u32(0, 0) + u16(0, 0) + u16(0, len(resources))
    body += b"".join(u32(t, 0x80000000 | name_dir[i]) for i, (t, _, _) in enumerate(resources))
    offsets = []
    for i, (_, rid, data) in enumerate(resources):
        offsets.append(data_at)
        body += u32(0, 0) + u16(0, 0) + u16(0, 1) + u32(rid, 0x80000000 | (name_dir[i] + 24))
        body += u32(0, 0) + u16(0, 0) + u16(0, 1) + u32(0, name_dir[i] + 48) + u32(rsrc_rva + data_at, len(data), 0, 0)
        data_at += (len(data) + 3) & ~3
    for (_, _, data), at in zip(resources, offsets):
        body += b"\0" * (at - len(body)) + data
    size, raw = len(body), body + b"\0" * (-len(body) % 0x200)
    headers = (b"MZ" + b"\0" * 58 + u32(0x40) + b"PE\0\0" + u16(0x14C, 1) + u32(0, 0, 0) + u16(224, 0x0102)
               + u16(0x10B) + b"\0\0" + u32(0, len(raw), 0, 0, 0, 0) + u32(0x400000, 0x1000, 0x200)
               + u16(4, 0, 0, 0, 4, 0) + u32(0, rsrc_rva + ((size + 0xFFF) & ~0xFFF), 0x200, 0) + u16(2, 0)
               + u32(0x100000, 0x1000, 0x100000, 0x1000, 0, 16) + b"\0" * 16 + u32(rsrc_rva, size) + b"\0" * (13 * 8)
               + b".rsrc\0\0\0" + u32(size, rsrc_rva, len(raw), raw_at, 0, 0) + u16(0, 0) + u32(0x40000040))
    return headers + b"\0" * (raw_at - len(headers)) + raw


def pe_group_of_one_image_repeated():
    image = u32(40) + i32(16, 32) + u16(1, 4) + u32(0, 0, 0, 0, 16, 0) + b"\0" * (64 + 128 + 64)
    group = u16(0, 1, 32767) + (bytes([16, 16, 16, 0]) + u16(1, 4) + u32(len(image)) + u16(1)) * 32767
    return pe([(3, 1, image), (14, 1, group)])


# Run-length coded bitmaps: libwmf allocates a byte per pixel before it decodes the few bytes
# of codes. META_STRETCHDIB and META_DIBSTRETCHBLT: RasterOp, (ColorUsage,) extents; a
# META_DIBCREATEPATTERNBRUSH: BS_DIBPATTERNPT, DIB_RGB_COLORS; META_DIBBITBLT of 1x1.
def wmf_bisize_zero():
    return wmf(WINDOW + [wmf_record(0x0F43, u32(SRCCOPY) + u16(0) + EXTENTS + dib(8, 8, bi_size=0, pixel_bytes=36))])


def wmf_stretchblt_bomb():
    return wmf(WINDOW + [wmf_record(0x0B41, u32(SRCCOPY) + EXTENTS
                                    + dib(58737, 58737, 8, compression=1, pixel_bytes=80))])


def wmf_pattern_brushes():
    return wmf(WINDOW + [wmf_record(0x0142, u16(5, 0) + dib(19365, 19365, 8, compression=1, pixel_bytes=2))] * 4)


def wmf_tiny_bomb():
    return wmf([wmf_record(0x0940, u32(SRCCOPY) + i16(0, 0, 1, 1, 0, 0)
                           + dib(52000, 52000, 4, compression=2, pixel_bytes=2))], inch=1440)


def wmf_polygons(count=60, points=16000):
    polygon = wmf_record(0x0324, u16(points) + b"".join(i16(i % 40, i * 7 % 40) for i in range(points)))
    return wmf(WINDOW + [polygon] * count)


# One row per bomb: its name, the file, how it is made (an int: a sparse file of that size),
# the brevane-cli commands run on it ({f} the file, {o} a fresh output folder) and what stderr
# must say ("": a bomb that is a valid picture must be converted, cheaply, without a word).
CONVERT = [["convert", "{f}", "-o", "{o}"]]
TOO_LARGE = r"Invalid picture: a bitmap of \d+ x \d+ pixels in the metafile is too large to load"
CASES = [
    ("WMF bitmap header with biSize 0", "bisize0.wmf", wmf_bisize_zero, CONVERT,
     r"Invalid picture: a bitmap in the metafile is damaged"),
    ("WMF stretched RLE bitmap asking 3.45 GB", "stretchblt.wmf", wmf_stretchblt_bomb, CONVERT, TOO_LARGE),
    ("WMF four RLE pattern brushes of 375 MB", "brushes.wmf", wmf_pattern_brushes, CONVERT, TOO_LARGE),
    ("WMF of a few bytes asking 2.7 GB", "tiny.wmf", wmf_tiny_bomb, CONVERT, TOO_LARGE),
    ("EMF of a 16-megapixel bitmap", "bitmap.emf", emf_large_bitmap, CONVERT,
     r"Invalid picture: the metafile's bitmaps are too large to load"),
    ("EMF of 1,000 rectangles filling a 5000x5000 frame", "fills.emf",
     lambda: emf([u32(43, 24) + i32(0, 0, 4999, 4999)] * 1000, width=5000, height=5000), CONVERT, ""),
    ("WMF of 60 polygons of 16,000 points", "polygons.wmf", wmf_polygons, CONVERT,
     r"Invalid picture: the metafile has too many points to load"),
    ("EMF of a million ellipses", "ellipses.emf", lambda: emf([(u32(42, 24) + i32(0, 0, 39, 39)) * 1_000_000]),
     CONVERT, r"Invalid picture: the metafile has too many records to load"),
    ("progressive JPEG of 20,000 scans", "scans.jpg", jpeg_scans, CONVERT,
     r"Invalid picture: more than 256 scans is too many to load"),
    ("icon of 256 entries of 32 MP each, as a picture", "large-pngs.ico", lambda: ico(png(5792, 5792)), CONVERT, ""),
    ("icon of 256 PNG entries of 32 MP each, previewed", "large-pngs-preview.ico", lambda: ico(png(5792, 5792)),
     [["preview", "{f}", "-o", "{o}/sheet.png"]], r"."),
    ("icon of 256 entries at one 20 MB block", "one-block.ico", ico_one_large_block, [["info", "{f}"]], ""),
    ("icon of 256 entries at one 20 MB block, its palette", "one-block-palette.ico", ico_one_large_block,
     [["palette", "--from-icon", "{f}", "-o", "{o}/p.pal"]], r"no colour table"),
    ("executable whose icon group names one image 32,767 times", "group.exe", pe_group_of_one_image_repeated,
     [["extract", "{f}", "-o", "{o}/x.ico"]], r"."),
    ("2 GB file that is not a palette", "big.pal", lambda: 2 << 30,
     [["palette", "--load", "{f}", "-o", "{o}/p.pal"]], r"JASC-PAL|palette"),
    ("2 GB file that is not an executable", "big.exe", lambda: 2 << 30,
     [["list", "{f}"], ["extract", "{f}", "-o", "{o}/x.ico"]], r"."),
]

if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    for name, file, maker, _, _ in CASES:
        path, data = os.path.join(sys.argv[1], file), maker()
        with open(path, "wb") as f:
            f.truncate(data) if isinstance(data, int) else f.write(data)
        print("%-60s %s (%d bytes)" % (name, path, os.path.getsize(path)))
