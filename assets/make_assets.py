#!/usr/bin/python3
"""Regenerate the binary artwork in this folder from its SVG sources.

    tick.svg    -> tick.ico     (two 16-colour images, 32x32 and 16x16)
    picture.svg -> picture.jpg  (250x250 colour JPEG)

Needs Pillow and `rsvg-convert` (librsvg2-bin).  Run from anywhere:

    /usr/bin/python3 assets/make_assets.py

The build decodes the JPEG into the bitmap that the executable holds, so that
the program needs no codec (Pillow alone):

    /usr/bin/python3 assets/make_assets.py --bitmap picture.jpg picture.bmp

The .ico is written byte by byte rather than through Pillow, because the
images must be 4 bits per pixel with the standard Windows 16-colour palette
and a 1-bit AND mask, which Pillow's ICO writer does not produce.
"""

import io
import os
import struct
import subprocess
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard Windows 16-colour (VGA) palette, in palette-index order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

ICON_SIZES = (32, 16)   # order of the images inside the .ico
ALPHA_CUTOFF = 128      # rasterised pixels at least this opaque become ink

# Hand-tuned 16x16 tick.  Scaling the 32 px drawing down to 16 px leaves the
# strokes with uneven, lumpy stair-steps, so the small image is drawn pixel by
# pixel instead: both strokes run at 45 degrees, three pixels thick, and
# meet in a one-pixel point.  '#' = black, '.' = transparent.
TICK_16 = """
................
................
................
.............##.
............###.
...........###..
..........###...
.........###....
.##.....###.....
.###...###......
..###.###.......
...#####........
....###.........
.....#..........
................
................
"""

PIXEL_OVERRIDES = {16: TICK_16}


def rasterise(svg_path, width, height):
    """Render an SVG to an RGBA Pillow image of the given size."""
    png = subprocess.run(
        ["rsvg-convert", "-w", str(width), "-h", str(height), "-f", "png", svg_path],
        check=True, stdout=subprocess.PIPE).stdout
    return Image.open(io.BytesIO(png)).convert("RGBA")


def nearest_index(rgb):
    r, g, b = rgb
    return min(range(16), key=lambda i: (PALETTE[i][0] - r) ** 2
               + (PALETTE[i][1] - g) ** 2 + (PALETTE[i][2] - b) ** 2)


def icon_pixels(svg_path, size):
    """Return a size x size grid (rows top-down) of palette indices, None = transparent."""
    if size in PIXEL_OVERRIDES:
        rows = PIXEL_OVERRIDES[size].split()
        if len(rows) != size or any(len(r) != size for r in rows):
            sys.exit("hand-tuned %dpx icon is not %dx%d" % (size, size, size))
        return [[0 if ch == "#" else None for ch in row] for row in rows]
    img = rasterise(svg_path, size, size)
    grid = []
    for y in range(size):
        row = []
        for x in range(size):
            r, g, b, a = img.getpixel((x, y))
            row.append(nearest_index((r, g, b)) if a >= ALPHA_CUTOFF else None)
        grid.append(row)
    return grid


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def icon_image(grid):
    """Encode one icon image: BITMAPINFOHEADER, palette, 4bpp XOR bitmap, AND mask."""
    size = len(grid)
    xor_rows, and_rows = [], []
    for row in reversed(grid):                      # bitmaps are stored bottom-up
        nibbles = [0 if p is None else p for p in row]
        xor = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(padded(xor))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)   # 1 = transparent
        and_rows.append(padded(bits.to_bytes(size // 8, "big")))
    xor_data = b"".join(xor_rows)
    and_data = b"".join(and_rows)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,                          # biSize
        size, size * 2,              # width, height (XOR + AND, hence doubled)
        1, 4,                        # planes, bits per pixel
        0,                           # BI_RGB
        len(xor_data) + len(and_data),
        0, 0,                        # pixels per metre
        16, 0)                       # colours used, colours important
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + xor_data + and_data


def write_ico(svg_path, ico_path):
    images = [(size, icon_image(icon_pixels(svg_path, size))) for size in ICON_SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))    # ICONDIR
    offset = 6 + 16 * len(images)
    for size, data in images:                       # ICONDIRENTRY
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4,
                           len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(ico_path, "wb") as f:
        f.write(out)


def write_jpeg(svg_path, jpg_path, size=(250, 250), quality=85):
    img = rasterise(svg_path, *size)
    flat = Image.new("RGB", img.size, (255, 255, 255))
    flat.paste(img, mask=img.getchannel("A"))
    flat.save(jpg_path, "JPEG", quality=quality, optimize=True)


def write_bitmap(jpg_path, bmp_path):
    """A 24-bit bottom-up BMP of the JPEG's pixels; the same bytes every time."""
    with Image.open(jpg_path) as img:
        img.convert("RGB").save(bmp_path, "BMP")


def main():
    if sys.argv[1:2] == ["--bitmap"]:
        write_bitmap(sys.argv[2], sys.argv[3])
        return
    write_ico(os.path.join(HERE, "tick.svg"), os.path.join(HERE, "tick.ico"))
    write_jpeg(os.path.join(HERE, "picture.svg"), os.path.join(HERE, "picture.jpg"))
    for name in ("tick.ico", "picture.jpg"):
        path = os.path.join(HERE, name)
        print("%-12s %6d bytes" % (name, os.path.getsize(path)))


if __name__ == "__main__":
    main()
