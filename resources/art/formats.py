"""Writers for the binary formats of the artwork: BMP, ICO, CUR and (for previews) PNG.

Image rows are lists of pixel tuples, top row first: (r, g, b) for opaque bitmaps, (r, g, b, a) for
icons and cursors.
"""

import struct
import zlib


def _bmp_rows_24(rows):
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (-len(line) % 4)
        out += line
    return bytes(out)


def write_bmp24(path, rows):
    """An uncompressed bottom-up 24-bit BMP."""
    h, w = len(rows), len(rows[0])
    pixels = _bmp_rows_24(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def _icon_image(rows):
    """One icon image: BITMAPINFOHEADER (double height), 32-bit BGRA pixels, then the AND mask."""
    h, w = len(rows), len(rows[0])
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((w + 31) // 32) * 4
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                line[x >> 3] |= 0x80 >> (x & 7)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def _write_icon_file(path, images, kind, hotspots=None):
    """kind 1 = icon, 2 = cursor. images: list of rows (one per size). Sizes of 256 are PNG-compressed,
    as Windows expects for the largest icon images."""
    blobs = []
    for rows in images:
        if len(rows) >= 256:
            blobs.append(png_bytes(rows))
        else:
            blobs.append(_icon_image(rows))
    header = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for i, (rows, blob) in enumerate(zip(images, blobs)):
        h, w = len(rows), len(rows[0])
        if kind == 1:
            planes, bits = 1, 32
        else:
            planes, bits = hotspots[i]
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, planes, bits, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(blobs))


def write_ico(path, images):
    _write_icon_file(path, images, 1)


def write_cur(path, rows, hotspot):
    _write_icon_file(path, [rows], 2, [hotspot])


def png_bytes(rows):
    h, w = len(rows), len(rows[0])
    channels = len(rows[0][0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for px in row:
            raw += bytes(px)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    colour_type = 6 if channels == 4 else 2
    ihdr = struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def write_png(path, rows):
    with open(path, "wb") as f:
        f.write(png_bytes(rows))
