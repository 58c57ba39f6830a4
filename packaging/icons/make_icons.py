#!/usr/bin/env python3
"""Draws the program's icon: three overlapping photo tiles fanned out like the patches of a
quilt, with a stitched seam along the middle tile. One description of the shapes gives both the
SVG (share/icons/hicolor/scalable) and the PNG sizes, which are rasterised here with 4x4
supersampling and written with zlib, so no image library is needed.

Usage: make_icons.py [OUTPUT_DIR]   (default: the folder of this script)
"""
import math
import os
import struct
import sys
import zlib

VIEW = 256.0  # the drawing's coordinate space, 0..VIEW on both axes
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

OUTLINE = (0x2B, 0x34, 0x44)
FRAME = (0xFF, 0xFF, 0xFF)
STITCH = (0xE0, 0x4F, 0x3A)

# Each tile: centre, size, rotation in degrees (clockwise, as in SVG), and its picture's
# colours: sky, hill and sun. Later tiles lie on top.
TILES = [
    dict(cx=84, cy=134, w=124, h=100, angle=-14,
         sky=(0x8C, 0xC8, 0xF0), hill=(0x4F, 0x9A, 0x48), sun=(0xFF, 0xD3, 0x4A)),
    dict(cx=172, cy=134, w=124, h=100, angle=14,
         sky=(0xF4, 0xB4, 0x6C), hill=(0x6B, 0x5A, 0x8E), sun=(0xFF, 0xF1, 0xC8)),
    dict(cx=128, cy=122, w=132, h=108, angle=0,
         sky=(0x6F, 0xB7, 0xE8), hill=(0x3D, 0x8B, 0x3D), sun=(0xFF, 0xE0, 0x5A)),
]
RADIUS = 10.0  # corner radius of a tile's outline
OUTLINE_W = 5.0  # width of the dark edge around a tile
BORDER = 9.0  # white frame inside the outline, around the picture


def picture_shapes(t):
    """The picture inside a tile, in the tile's own frame (origin at its centre): the inner
    rectangle, the hill (a large circle whose top shows) and the sun (a small circle)."""
    iw = t["w"] / 2 - OUTLINE_W - BORDER
    ih = t["h"] / 2 - OUTLINE_W - BORDER
    hill = (-iw * 0.25, ih + t["w"] * 0.55, t["w"] * 0.85)  # cx, cy, r
    sun = (iw * 0.45, -ih * 0.35, t["h"] * 0.12)
    return iw, ih, hill, sun


def stitch_line():
    """Dashes along the middle tile's vertical centre line: (y0, y1) pairs in its frame."""
    t = TILES[2]
    ih = t["h"] / 2 - OUTLINE_W - BORDER
    dash, gap = 9.0, 7.0
    y, dashes = -ih + 4, []
    while y + dash <= ih - 4:
        dashes.append((y, y + dash))
        y += dash + gap
    return dashes


STITCH_W = 4.0


def fmt(v):
    return ("%.2f" % v).rstrip("0").rstrip(".")


def hexc(c):
    return "#%02x%02x%02x" % c


def write_svg(path):
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
           'viewBox="0 0 256 256">',
           '  <title>Quiltwork</title>',
           '  <defs>']
    for i, t in enumerate(TILES):
        iw, ih, _, _ = picture_shapes(t)
        out.append('    <clipPath id="picture%d"><rect x="%s" y="%s" width="%s" height="%s"/>'
                   '</clipPath>' % (i, fmt(-iw), fmt(-ih), fmt(2 * iw), fmt(2 * ih)))
    out.append('  </defs>')
    for i, t in enumerate(TILES):
        iw, ih, hill, sun = picture_shapes(t)
        hw, hh = t["w"] / 2, t["h"] / 2
        out.append('  <g transform="translate(%s %s) rotate(%s)">'
                   % (fmt(t["cx"]), fmt(t["cy"]), fmt(t["angle"])))
        out.append('    <rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s"/>'
                   % (fmt(-hw), fmt(-hh), fmt(2 * hw), fmt(2 * hh), fmt(RADIUS), hexc(OUTLINE)))
        fw, fh = hw - OUTLINE_W, hh - OUTLINE_W
        out.append('    <rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s"/>'
                   % (fmt(-fw), fmt(-fh), fmt(2 * fw), fmt(2 * fh), fmt(RADIUS - OUTLINE_W),
                      hexc(FRAME)))
        out.append('    <g clip-path="url(#picture%d)">' % i)
        out.append('      <rect x="%s" y="%s" width="%s" height="%s" fill="%s"/>'
                   % (fmt(-iw), fmt(-ih), fmt(2 * iw), fmt(2 * ih), hexc(t["sky"])))
        out.append('      <circle cx="%s" cy="%s" r="%s" fill="%s"/>'
                   % (fmt(sun[0]), fmt(sun[1]), fmt(sun[2]), hexc(t["sun"])))
        out.append('      <circle cx="%s" cy="%s" r="%s" fill="%s"/>'
                   % (fmt(hill[0]), fmt(hill[1]), fmt(hill[2]), hexc(t["hill"])))
        out.append('    </g>')
        if i == len(TILES) - 1:
            for y0, y1 in stitch_line():
                out.append('    <line x1="0" y1="%s" x2="0" y2="%s" stroke="%s" '
                           'stroke-width="%s" stroke-linecap="butt"/>'
                           % (fmt(y0), fmt(y1), hexc(STITCH), fmt(STITCH_W)))
        out.append('  </g>')
    out.append('</svg>')
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def inside_rounded(x, y, hw, hh, r):
    ax, ay = abs(x), abs(y)
    if ax > hw or ay > hh:
        return False
    if ax <= hw - r or ay <= hh - r:
        return True
    dx, dy = ax - (hw - r), ay - (hh - r)
    return dx * dx + dy * dy <= r * r


def colour_at(x, y):
    """The colour at a point of the drawing, or None where it is transparent."""
    colour = None
    for i, t in enumerate(TILES):
        a = math.radians(t["angle"])
        dx, dy = x - t["cx"], y - t["cy"]
        # Into the tile's frame: the inverse of the clockwise rotation.
        lx = dx * math.cos(a) + dy * math.sin(a)
        ly = -dx * math.sin(a) + dy * math.cos(a)
        hw, hh = t["w"] / 2, t["h"] / 2
        if not inside_rounded(lx, ly, hw, hh, RADIUS):
            continue
        iw, ih, hill, sun = picture_shapes(t)
        if not inside_rounded(lx, ly, hw - OUTLINE_W, hh - OUTLINE_W, RADIUS - OUTLINE_W):
            colour = OUTLINE
        elif abs(lx) > iw or abs(ly) > ih:
            colour = FRAME
        elif (lx - hill[0]) ** 2 + (ly - hill[1]) ** 2 <= hill[2] ** 2:
            colour = t["hill"]
        elif (lx - sun[0]) ** 2 + (ly - sun[1]) ** 2 <= sun[2] ** 2:
            colour = t["sun"]
        else:
            colour = t["sky"]
        if i == len(TILES) - 1 and abs(lx) <= STITCH_W / 2:
            if any(y0 <= ly <= y1 for y0, y1 in stitch_line()):
                colour = STITCH
    return colour


def render(size, samples=4):
    """RGBA rows of the drawing at size x size pixels."""
    scale = VIEW / size
    rows = []
    n = samples * samples
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = cover = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale,
                                  (py + (sy + 0.5) / samples) * scale)
                    if c is not None:
                        r, g, b, cover = r + c[0], g + c[1], b + c[2], cover + 1
            if cover:
                # Colour averaged over the covered samples (straight alpha), alpha the coverage.
                row += bytes((r // cover, g // cover, b // cover, (255 * cover + n // 2) // n))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 on every row
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9))
           + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    write_svg(os.path.join(out, "quiltapp.svg"))
    for size in SIZES:
        write_png(os.path.join(out, "quiltapp-%d.png" % size), size, render(size))


if __name__ == "__main__":
    main()
