#!/usr/bin/env python3
"""Draws Quorlane's icon and writes app/resources/quorlane.ico (48, 32 and 16 pixels, 32-bit with alpha).

The motif: a folder with a column of place buttons at its left, as the places bar sits beside the
Open and Save dialogs. Shapes are laid out on a 16-unit grid, so at 16, 32 and 48 pixels their edges
fall on pixel boundaries, and rasterised with 4x4 supersampling; the output is byte-for-byte
deterministic. Python 3 standard library only.

    python3 scripts/make-icon.py                 writes the .ico
    python3 scripts/make-icon.py --preview P.png also writes the three sizes side by side, enlarged
    python3 scripts/make-icon.py --hicolor DIR   writes only DIR/NxN/apps/quorlane.png, the desktop's icons
"""
import argparse
import pathlib
import struct
import zlib

SIZES = (48, 32, 16)
HICOLOR_SIZES = (16, 32, 48, 64, 128)
SUBSAMPLES = 4

# (left, top, right, bottom, corner radius) in grid units, colours as RGB.
STRIP_OUTLINE = (0x1d, 0x3f, 0x7a)
STRIP_FILL = (0x2f, 0x6a, 0xc8)
MARKER = (0xe4, 0xee, 0xff)
FOLDER_OUTLINE = (0x9a, 0x6b, 0x0c)
FOLDER_BACK = (0xe0, 0xa8, 0x2e)
FOLDER_FRONT = (0xf6, 0xcf, 0x62)


def rounded_rect(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x < right and top <= y < bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def shapes(size):
    """The icon as a list of (test, colour), painted in order; one pixel is 16/size units."""
    px = 16.0 / size
    out = []

    def framed(left, top, right, bottom, radius, outline, fill):
        out.append((rounded_rect(left, top, right, bottom, radius), outline))
        out.append((rounded_rect(left + px, top + px, right - px, bottom - px, max(radius - px, 0.0)), fill))

    # The column of places.
    framed(0, 1, 6, 15, 0.75, STRIP_OUTLINE, STRIP_FILL)
    for top in (3, 7, 11):
        out.append((rounded_rect(2, top, 4, top + 2, 0.3), MARKER))
    # The folder: back with its tab, then the front flap a little lower.
    framed(7, 3, 12, 6, 0.6, FOLDER_OUTLINE, FOLDER_BACK)
    framed(7, 4, 16, 14, 0.6, FOLDER_OUTLINE, FOLDER_BACK)
    framed(7, 6, 16, 14, 0.6, FOLDER_OUTLINE, FOLDER_FRONT)
    return out


def render(size):
    """Rows of (r, g, b, a), top row first."""
    painted = shapes(size)
    step = 16.0 / size / SUBSAMPLES
    rows = []
    for py in range(size):
        row = []
        for pxl in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SUBSAMPLES):
                y = (py * SUBSAMPLES + sy + 0.5) * step
                for sx in range(SUBSAMPLES):
                    x = (pxl * SUBSAMPLES + sx + 0.5) * step
                    colour = None
                    for test, c in painted:
                        if test(x, y):
                            colour = c
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = acc[3]
            if n == 0:
                row.append((0, 0, 0, 0))
            else:
                # Straight (not premultiplied) colour: the average of the covered samples.
                row.append((round(acc[0] / n), round(acc[1] / n), round(acc[2] / n),
                            round(255 * n / SUBSAMPLES ** 2)))
        rows.append(row)
    return rows


def dib(rows):
    """An icon image: BITMAPINFOHEADER, BGRA pixels bottom-up, then the 1-bit AND mask."""
    size = len(rows)
    mask_stride = (size + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_stride * size, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            pixels += bytes((b, g, r, a))
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def preview(renders, scale=6):
    """The sizes side by side, each enlarged `scale` times, on a light grey ground."""
    gap = 8
    height = max(len(r) for r in renders) * scale
    width = sum(len(r) * scale + gap for r in renders) + gap
    canvas = [[(0xdd, 0xdd, 0xdd, 255)] * width for _ in range(height + 2 * gap)]
    x0 = gap
    for rows in renders:
        for y, row in enumerate(rows):
            for x, (r, g, b, a) in enumerate(row):
                ground = 0xdd
                mixed = tuple((c * a + ground * (255 - a)) // 255 for c in (r, g, b)) + (255,)
                for dy in range(scale):
                    line = canvas[gap + y * scale + dy]
                    for dx in range(scale):
                        line[x0 + x * scale + dx] = mixed
        x0 += len(rows) * scale + gap
    return png(canvas)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=pathlib.Path, default=root / "app" / "resources" / "quorlane.ico")
    parser.add_argument("--preview", type=pathlib.Path)
    parser.add_argument("--hicolor", type=pathlib.Path)
    args = parser.parse_args()
    if args.hicolor:
        for size in HICOLOR_SIZES:
            folder = args.hicolor / f"{size}x{size}" / "apps"
            folder.mkdir(parents=True, exist_ok=True)
            (folder / "quorlane.png").write_bytes(png(render(size)))
        return
    renders = [render(size) for size in SIZES]
    args.output.write_bytes(ico([(len(rows), dib(rows)) for rows in renders]))
    if args.preview:
        args.preview.write_bytes(preview(renders))


if __name__ == "__main__":
    main()
