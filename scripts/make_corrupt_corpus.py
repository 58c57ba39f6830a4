#!/usr/bin/env python3
"""Makes the damaged picture files of tests/data/corrupt and the seed files of the fuzz targets.

    make_corrupt_corpus.py [--corrupt DIR] [--seeds DIR]

--corrupt DIR  writes the damaged files (default: tests/data/corrupt beside this script).
--seeds DIR    writes well-formed seed files, one folder per reader (bmp, jpeg, tiff, png, gif):
               every layout the readers handle, JPEG files with EXIF blocks (and a maker note),
               TIFF files of 16 bits per sample, grey and RGB, packed and in planes.

Everything is written by this script from first principles (its own JPEG, GIF LZW, PNG and TIFF
writers); the output is the same on every run. Each damaged file is named after the reader that
must refuse it and the damage: bmp-, jpeg-, tiff8-, tiff16-, png-, gif-.
"""

import argparse
import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------------------------
# Pictures


def gradient(width, height, channels):
    """A deterministic picture with edges and texture, rows of channel-interleaved bytes."""
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            for c in range(channels):
                value = (x * 255 // max(1, width - 1) + y * 37 + c * 85 + ((x ^ y) & 8) * 9) & 0xFF
                row.append(value)
        rows.append(bytes(row))
    return rows


# ---------------------------------------------------------------------------------------------
# BMP


def bmp(width, height, bits, pixels, palette=None, compression=0, colors_used=None,
        header_size=40, offset=None, masks=None, top_down=False, size_image=None):
    """A BMP file: `pixels` are the stored bytes after the colour table (rows or RLE data)."""
    palette = palette or []
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height, 1,
                       bits, compression,
                       len(pixels) if size_image is None else size_image, 2835, 2835,
                       len(palette) if colors_used is None else colors_used, 0)
    info += b"\0" * max(0, header_size - 40)
    extra = b"" if masks is None else struct.pack("<III", *masks)
    data_offset = 14 + len(info) + len(extra) + len(table)
    if offset is not None:
        data_offset = offset
    body = info + extra + table + pixels
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, data_offset) + body


def bmp_core(width, height, bits, pixels, palette):
    """An OS/2 core-header BMP (12-byte header, 3-byte colour entries)."""
    table = b"".join(bytes((b, g, r)) for (r, g, b) in palette)
    info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    body = info + table + pixels
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + len(info) + len(table)) + body


def bmp_rows(width, height, bits, seed=0):
    """Bottom-up stored rows of a `bits` picture, each padded to 4 bytes."""
    stride = (width * bits + 31) // 32 * 4
    out = bytearray()
    for y in range(height):
        row = bytearray(stride)
        for i in range((width * bits + 7) // 8):
            row[i] = (i * 29 + y * 71 + seed) & 0xFF
        out += row
    return bytes(out)


def grey_palette(count):
    return [(i * 255 // max(1, count - 1),) * 3 for i in range(count)]


def rle8(width, height):
    out = bytearray()
    for y in range(height):
        out += bytes((3, y & 0xFF))                       # a run of three
        out += bytes((0, 4, 1, 2, 3, 4))                  # absolute run of four
        out += bytes((0, 2, 1, 0))                        # delta one to the right
        out += bytes((0, 0))                              # end of line
    out += bytes((0, 1))
    return bytes(out)


def rle4(width, height):
    out = bytearray()
    for y in range(height):
        out += bytes((5, 0x12))                           # a run of five, alternating 1 and 2
        out += bytes((0, 3, 0x34, 0x50))                  # absolute run of three
        out += bytes((0, 0))
    out += bytes((0, 1))
    return bytes(out)


def bmp_seeds():
    seeds = {}
    seeds["rgb24.bmp"] = bmp(9, 5, 24, bmp_rows(9, 5, 24))
    seeds["rgb32.bmp"] = bmp(6, 4, 32, bmp_rows(6, 4, 32))
    seeds["rgb16-555.bmp"] = bmp(7, 3, 16, bmp_rows(7, 3, 16))
    seeds["rgb16-565-bitfields.bmp"] = bmp(7, 3, 16, bmp_rows(7, 3, 16), compression=3,
                                           masks=(0xF800, 0x07E0, 0x001F))
    seeds["rgb32-bitfields.bmp"] = bmp(5, 3, 32, bmp_rows(5, 3, 32), compression=3,
                                       masks=(0x3FF00000, 0x000FFC00, 0x000003FF))
    seeds["index8.bmp"] = bmp(10, 4, 8, bmp_rows(10, 4, 8), palette=grey_palette(256))
    seeds["index8-short-table.bmp"] = bmp(10, 4, 8, bmp_rows(10, 4, 8), palette=grey_palette(20))
    seeds["index4.bmp"] = bmp(11, 3, 4, bmp_rows(11, 3, 4), palette=grey_palette(16))
    seeds["index1.bmp"] = bmp(37, 3, 1, bmp_rows(37, 3, 1), palette=[(0, 0, 0), (255, 255, 0)])
    seeds["top-down.bmp"] = bmp(5, 4, 24, bmp_rows(5, 4, 24), top_down=True)
    seeds["rle8.bmp"] = bmp(12, 4, 8, rle8(12, 4), palette=grey_palette(256), compression=1)
    seeds["rle4.bmp"] = bmp(12, 4, 4, rle4(12, 4), palette=grey_palette(16), compression=2)
    seeds["core-header.bmp"] = bmp_core(6, 3, 8, bmp_rows(6, 3, 8), grey_palette(256))
    seeds["v5-header.bmp"] = bmp(6, 3, 24, bmp_rows(6, 3, 24), header_size=124)
    return seeds


def bmp_corrupt():
    rows24 = bmp_rows(16, 16, 24)
    good24 = bmp(16, 16, 24, rows24)
    files = {}
    files["bmp-truncated-rows.bmp"] = good24[: len(good24) - len(rows24) // 2]
    files["bmp-huge-size-cut.bmp"] = bmp(60000, 60000, 24, bytes(200))
    files["bmp-palette-count-huge.bmp"] = bmp(2, 2, 8, bytes(64), colors_used=0xFFFFFFFF,
                                              offset=0)
    pal = bmp(8, 8, 8, bmp_rows(8, 8, 8), palette=grey_palette(256))
    files["bmp-palette-cut.bmp"] = pal[: 14 + 40 + 300]
    files["bmp-offset-past-end.bmp"] = bmp(4, 4, 24, bmp_rows(4, 4, 24), offset=0x7FFFFFF0)
    # An absolute run of 200 pixels with only 5 bytes of it in the file.
    files["bmp-rle8-absolute-run-cut.bmp"] = bmp(
        300, 2, 8, bytes((4, 9, 0, 200, 1, 2, 3, 4, 5)), palette=grey_palette(256),
        compression=1)
    # A delta escape whose two offset bytes are missing.
    files["bmp-rle4-delta-cut.bmp"] = bmp(8, 2, 4, bytes((4, 0x11, 0, 2)),
                                          palette=grey_palette(16), compression=2)
    files["bmp-rle8-top-down.bmp"] = bmp(12, 4, 8, rle8(12, 4), palette=grey_palette(256),
                                         compression=1, top_down=True)
    files["bmp-bitfields-24-bits.bmp"] = bmp(4, 4, 24, bmp_rows(4, 4, 24), compression=3,
                                             masks=(0xFF0000, 0xFF00, 0xFF))
    files["bmp-header-size-huge.bmp"] = bmp(4, 4, 24, bmp_rows(4, 4, 24))[:14] + \
        struct.pack("<I", 0x7FFFFFFF) + bmp(4, 4, 24, bmp_rows(4, 4, 24))[18:]
    files["bmp-core-header-cut.bmp"] = bmp_core(6, 3, 8, bmp_rows(6, 3, 8), grey_palette(256))[:20]
    files["bmp-index1-rows-cut.bmp"] = bmp(64, 64, 1, bmp_rows(64, 64, 1)[:100],
                                           palette=[(0, 0, 0), (255, 255, 255)])
    files["bmp-negative-width.bmp"] = bmp(-16, 16, 24, rows24)
    files["bmp-bits-5.bmp"] = bmp(4, 4, 5, bmp_rows(4, 4, 8), palette=grey_palette(32))
    # Headers that lie about the size, depth or layout, with a few bytes of data after them.
    some = bytes((0x11,)) * 64
    files["bmp-width-100001.bmp"] = bmp(100001, 1, 24, some)
    files["bmp-top-down-height-100001.bmp"] = bmp(1, 100001, 24, some, top_down=True)
    files["bmp-height-int-min.bmp"] = bmp(1, -2 ** 31, 24, some)
    files["bmp-zero-width.bmp"] = bmp(0, 5, 24, some)
    files["bmp-header-size-20.bmp"] = bmp(2, 2, 24, some, header_size=20)
    files["bmp-bits-0.bmp"] = bmp(2, 2, 0, some)
    files["bmp-rle8-at-24-bits.bmp"] = bmp(2, 2, 24, some, compression=1)
    files["bmp-jpeg-inside.bmp"] = bmp(2, 2, 24, some, compression=4)
    files["bmp-file-header-only.bmp"] = b"BM" + struct.pack("<IHHI", 0, 0, 0, 54)
    return files


# ---------------------------------------------------------------------------------------------
# JPEG (baseline and progressive, Huffman coded, the tables of the standard's annex K)

ZIGZAG = [0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34,
          27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37,
          44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63]

LUMA_Q = [16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57,
          69, 56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55,
          64, 81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100,
          103, 99]
CHROMA_Q = [17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99,
            99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99] + [99] * 32

DC_LUMA = ([0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0], list(range(12)))
DC_CHROMA = ([0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0], list(range(12)))
AC_LUMA = ([0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D], bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f02433627282090a161718191a"
    "25262728292a3435363738393a434445464748494a535455565758595a636465666768696a737475767778797a"
    "838485868788898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9ca"
    "d2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9fa"))
AC_CHROMA = ([0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77], bytes.fromhex(
    "000102031104052131061241510761711322328108144291a1b1c109233352f0156272d10a162434e125f11718"
    "191a262728292a35363738393a434445464748494a535455565758595a636465666768696a737475767778797a"
    "82838485868788898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9ca"
    "d2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9fa"))


def huffman_codes(table):
    counts, values = table
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(counts[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


def scaled_quant(base, quality):
    scale = 5000 // quality if quality < 50 else 200 - 2 * quality
    return [min(255, max(1, (q * scale + 50) // 100)) for q in base]


COS = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)] for u in range(8)]


def fdct(block):
    """Quantisable DCT coefficients (natural order) of an 8x8 block of level-shifted samples."""
    out = [0.0] * 64
    for v in range(8):
        for u in range(8):
            s = 0.0
            for y in range(8):
                cy = COS[v][y]
                row = block[y * 8:(y + 1) * 8]
                for x in range(8):
                    s += row[x] * COS[u][x] * cy
            cu = math.sqrt(0.5) if u == 0 else 1.0
            cv = math.sqrt(0.5) if v == 0 else 1.0
            out[v * 8 + u] = 0.25 * cu * cv * s
    return out


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, code, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((code >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)
                self.acc = 0
                self.n = 0

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)


def magnitude(value):
    size = abs(value).bit_length()
    bits = value if value >= 0 else value + (1 << size) - 1
    return size, bits


def encode_block(writer, coefs, prev_dc, dc_codes, ac_codes, dc=True, ac=True):
    if dc:
        diff = coefs[0] - prev_dc
        size, bits = magnitude(diff)
        writer.put(*dc_codes[size])
        if size:
            writer.put(bits, size)
    if ac:
        run = 0
        for k in range(1, 64):
            value = coefs[ZIGZAG[k]]
            if value == 0:
                run += 1
                continue
            while run > 15:
                writer.put(*ac_codes[0xF0])
                run -= 16
            size, bits = magnitude(value)
            writer.put(*ac_codes[(run << 4) | size])
            writer.put(bits, size)
            run = 0
        if run:
            writer.put(*ac_codes[0x00])
    return coefs[0]


def segment(marker, payload):
    return bytes((0xFF, marker)) + struct.pack(">H", len(payload) + 2) + payload


def dht(table_class, table_id, table):
    counts, values = table
    return segment(0xC4, bytes(((table_class << 4) | table_id,)) + bytes(counts) + bytes(values))


def jpeg(width, height, components=3, subsample=True, quality=80, progressive=False,
         restart=0, app_segments=(), precision=8):
    """A JPEG file of a gradient picture: grey (1 component) or YCbCr (3), 4:2:0 or 4:4:4."""
    rgb = gradient(width, height, 3)
    planes = []
    if components == 1:
        planes.append([[rgb[y][3 * x] for x in range(width)] for y in range(height)])
    else:
        ycc = [[], [], []]
        for y in range(height):
            rows = [[], [], []]
            for x in range(width):
                r, g, b = rgb[y][3 * x:3 * x + 3]
                rows[0].append(0.299 * r + 0.587 * g + 0.114 * b)
                rows[1].append(128 - 0.168736 * r - 0.331264 * g + 0.5 * b)
                rows[2].append(128 + 0.5 * r - 0.418688 * g - 0.081312 * b)
            for c in range(3):
                ycc[c].append(rows[c])
        planes = ycc
    hs = [2 if (subsample and components == 3 and c == 0) else 1 for c in range(components)]
    hmax = max(hs)
    mcu_w = 8 * hmax
    mcus_x = (width + mcu_w - 1) // mcu_w
    mcus_y = (height + mcu_w - 1) // mcu_w
    quants = [scaled_quant(LUMA_Q, quality), scaled_quant(CHROMA_Q, quality)]
    tq = [0 if c == 0 else 1 for c in range(components)]

    def block(c, bx, by):
        """Quantised coefficients of block (bx, by) of component c (edge samples repeated)."""
        scale = hmax // hs[c]
        samples = []
        for y in range(8):
            for x in range(8):
                px = min(width - 1, (bx * 8 + x) * scale)
                py = min(height - 1, (by * 8 + y) * scale)
                samples.append(planes[c][py][px] - 128)
        coefs = fdct(samples)
        q = quants[tq[c]]
        return [int(round(coefs[i] / q[i])) for i in range(64)]

    blocks = {}
    for c in range(components):
        for by in range(mcus_y * hs[c]):
            for bx in range(mcus_x * hs[c]):
                blocks[(c, bx, by)] = block(c, bx, by)

    codes = [(huffman_codes(DC_LUMA), huffman_codes(AC_LUMA)),
             (huffman_codes(DC_CHROMA), huffman_codes(AC_CHROMA))]
    out = bytearray(b"\xFF\xD8")
    out += segment(0xE0, b"JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    for app in app_segments:
        out += app
    out += segment(0xDB, b"\x00" + bytes(quants[0][ZIGZAG[k]] for k in range(64)))
    if components == 3:
        out += segment(0xDB, b"\x01" + bytes(quants[1][ZIGZAG[k]] for k in range(64)))
    sof = struct.pack(">BHHB", precision, height, width, components)
    for c in range(components):
        sof += bytes((c + 1, (hs[c] << 4) | hs[c], tq[c]))
    out += segment(0xC2 if progressive else 0xC0, sof)
    out += dht(0, 0, DC_LUMA) + dht(1, 0, AC_LUMA)
    if components == 3:
        out += dht(0, 1, DC_CHROMA) + dht(1, 1, AC_CHROMA)
    if restart:
        out += segment(0xDD, struct.pack(">H", restart))

    def sos(comps, ss, se):
        payload = bytes((len(comps),))
        for c in comps:
            t = 0 if c == 0 else 1
            payload += bytes((c + 1, (t << 4) | t))
        return segment(0xDA, payload + bytes((ss, se, 0)))

    def interleaved_scan(dc, ac):
        writer = BitWriter()
        prev = [0] * components
        data = bytearray()
        count = 0
        rst = 0
        for my in range(mcus_y):
            for mx in range(mcus_x):
                if restart and count and count % restart == 0:
                    writer.flush()
                    data += writer.out
                    data += bytes((0xFF, 0xD0 + rst))
                    rst = (rst + 1) & 7
                    writer = BitWriter()
                    prev = [0] * components
                count += 1
                for c in range(components):
                    for vy in range(hs[c]):
                        for vx in range(hs[c]):
                            coefs = blocks[(c, mx * hs[c] + vx, my * hs[c] + vy)]
                            t = 0 if c == 0 else 1
                            prev[c] = encode_block(writer, coefs, prev[c], codes[t][0],
                                                   codes[t][1], dc, ac)
        writer.flush()
        return bytes(data + writer.out)

    if not progressive:
        out += sos(range(components), 0, 63) + interleaved_scan(True, True)
    else:
        out += sos(range(components), 0, 0) + interleaved_scan(True, False)
        for c in range(components):
            # A non-interleaved scan covers the component's own blocks only.
            scale = hmax // hs[c]
            bw = (width + 8 * scale - 1) // (8 * scale)
            bh = (height + 8 * scale - 1) // (8 * scale)
            writer = BitWriter()
            t = 0 if c == 0 else 1
            for by in range(bh):
                for bx in range(bw):
                    encode_block(writer, blocks[(c, bx, by)], 0, codes[t][0], codes[t][1],
                                 dc=False, ac=True)
            writer.flush()
            out += sos([c], 1, 63) + bytes(writer.out)
    out += b"\xFF\xD9"
    return bytes(out)


# EXIF: a TIFF structure inside an APP1 segment.

def tiff_ifd(entries, offset, big_endian=False, next_ifd=0):
    """An IFD at `offset` with its out-of-line values after it. Entries: (tag, type, count,
    value bytes). Returns the IFD bytes."""
    e = ">" if big_endian else "<"
    entries = sorted(entries, key=lambda item: item[0])
    head_size = 2 + 12 * len(entries) + 4
    data = bytearray()
    head = bytearray(struct.pack(e + "H", len(entries)))
    for tag, kind, count, value in entries:
        if len(value) <= 4:
            head += struct.pack(e + "HHI", tag, kind, count) + value.ljust(4, b"\0")
        else:
            head += struct.pack(e + "HHII", tag, kind, count, offset + head_size + len(data))
            data += value
            if len(data) & 1:
                data += b"\0"
    head += struct.pack(e + "I", next_ifd)
    return bytes(head + data)


def short(v, e="<"):
    return struct.pack(e + "H", v)


def long_(v, e="<"):
    return struct.pack(e + "I", v)


def rational(n, d, e="<"):
    return struct.pack(e + "II", n, d)


def exif_block(big_endian=False, maker="Canon", with_thumbnail=True, focal=(50, 1),
               focal35=None, plane=(4000, 1), unit=2, dims=(64, 48)):
    e = ">" if big_endian else "<"
    header = (b"MM\0*" if big_endian else b"II*\0") + struct.pack(e + "I", 8)
    # IFD0: make, orientation, resolution, the EXIF pointer (filled in below).
    ifd0_entries = [
        (0x010F, 2, len(maker) + 1, maker.encode() + b"\0"),
        (0x0112, 3, 1, short(1, e)),
        (0x011A, 5, 1, rational(72, 1, e)),
        (0x0128, 3, 1, short(2, e)),
    ]
    ifd0_size = len(tiff_ifd(ifd0_entries + [(0x8769, 4, 1, long_(0, e))], 8, big_endian))
    exif_offset = 8 + ifd0_size
    maker_note = tiff_ifd([(0x0001, 3, 2, short(1, e) + short(2, e)),
                           (0x0006, 2, 6, b"model\0")], 0, big_endian)
    exif_entries = [
        (0x9000, 7, 4, b"0230"),
        (0x920A, 5, 1, rational(*focal, e)),
        (0xA20E, 5, 1, rational(*plane, e)),
        (0xA210, 3, 1, short(unit, e)),
        (0xA002, 4, 1, long_(dims[0], e)),
        (0xA003, 3, 1, short(dims[1], e)),
        (0x927C, 7, len(maker_note), maker_note),
    ]
    if focal35 is not None:
        exif_entries.append((0xA405, 3, 1, short(focal35, e)))
    exif_size = len(tiff_ifd(exif_entries, exif_offset, big_endian))
    ifd1_offset = exif_offset + exif_size
    ifd1 = b""
    if with_thumbnail:
        thumb = jpeg(8, 8, components=1)
        thumb_at = ifd1_offset + len(tiff_ifd([(0x0201, 4, 1, long_(0, e)),
                                               (0x0202, 4, 1, long_(0, e)),
                                               (0x0103, 3, 1, short(6, e))], 0, big_endian))
        ifd1 = tiff_ifd([(0x0201, 4, 1, long_(thumb_at, e)),
                         (0x0202, 4, 1, long_(len(thumb), e)),
                         (0x0103, 3, 1, short(6, e))], ifd1_offset, big_endian) + thumb
    ifd0 = tiff_ifd(ifd0_entries + [(0x8769, 4, 1, long_(exif_offset, e))], 8, big_endian,
                    next_ifd=ifd1_offset if with_thumbnail else 0)
    exif = tiff_ifd(exif_entries, exif_offset, big_endian)
    return header + ifd0 + exif + ifd1


def app1(exif):
    return segment(0xE1, b"Exif\0\0" + exif)


def jpeg_seeds():
    seeds = {}
    seeds["ycc420.jpg"] = jpeg(24, 16)
    seeds["ycc444.jpg"] = jpeg(16, 8, subsample=False)
    seeds["grey.jpg"] = jpeg(16, 16, components=1)
    seeds["progressive.jpg"] = jpeg(24, 16, progressive=True)
    seeds["restart.jpg"] = jpeg(32, 16, restart=1)
    seeds["exif-le.jpg"] = jpeg(16, 16, app_segments=[app1(exif_block())])
    seeds["exif-be-35mm.jpg"] = jpeg(16, 16, components=1, app_segments=[
        app1(exif_block(big_endian=True, maker="OLYMPUS", focal35=28, unit=3))])
    seeds["exif-no-thumbnail.jpg"] = jpeg(8, 8, components=1, app_segments=[
        app1(exif_block(with_thumbnail=False, maker="FUJIFILM", unit=4))])
    return seeds


def replace_segment(data, marker, payload):
    """`data` with the first segment of `marker` given a new payload."""
    pos = 2
    while pos + 4 <= len(data):
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        if data[pos + 1] == marker:
            return data[:pos] + segment(marker, payload) + data[pos + 2 + length:]
        pos += 2 + length
    raise ValueError("no such segment")


def find_segment(data, marker):
    pos = 2
    while pos + 4 <= len(data):
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        if data[pos + 1] == marker:
            return pos, bytes(data[pos + 4:pos + 2 + length])
        pos += 2 + length
    raise ValueError("no such segment")


def jpeg_corrupt():
    files = {}
    good = jpeg(32, 32)
    _, sof = find_segment(good, 0xC0)
    files["jpeg-truncated-scan.jpg"] = good[: len(good) - (len(good) - find_segment(good, 0xDA)[0]) // 2]
    files["jpeg-huge-size-no-data.jpg"] = replace_segment(
        good, 0xC0, sof[:1] + struct.pack(">HH", 65000, 65000) + sof[5:])[:700]
    files["jpeg-zero-width.jpg"] = replace_segment(good, 0xC0, sof[:3] + b"\0\0" + sof[5:])
    # Huffman code counts that add up to more codes than 16 bits can hold.
    files["jpeg-huffman-counts-overflow.jpg"] = good.replace(
        dht(0, 0, DC_LUMA), dht(0, 0, ([0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200],
                                       list(range(200)))), 1)
    # The frame asks for quantisation table 3, which no DQT defines.
    files["jpeg-undefined-quant-table.jpg"] = replace_segment(
        good, 0xC0, sof[:6] + bytes((sof[6], sof[7], 3)) + sof[9:])
    # A sampling factor of 5 (at most 4 exist).
    files["jpeg-sampling-factor-5.jpg"] = replace_segment(
        good, 0xC0, sof[:6] + bytes((sof[6], 0x55, sof[8])) + sof[9:])
    files["jpeg-precision-12.jpg"] = replace_segment(good, 0xC0, b"\x0c" + sof[1:])
    # The scan asks for Huffman tables 3, which no DHT defines.
    pos, sos = find_segment(good, 0xDA)
    files["jpeg-undefined-huffman-table.jpg"] = good[:pos] + segment(
        0xDA, sos[:2] + b"\x33" + sos[3:]) + good[pos + 2 + len(sos) + 2:]
    progressive = jpeg(32, 32, progressive=True)
    files["jpeg-progressive-cut.jpg"] = progressive[: len(progressive) * 2 // 3]
    # Restart markers out of order.
    restart = bytearray(jpeg(64, 16, restart=1))
    for i in range(find_segment(bytes(restart), 0xDA)[0], len(restart) - 1):
        if restart[i] == 0xFF and restart[i + 1] == 0xD1:
            restart[i + 1] = 0xD5
    files["jpeg-restart-out-of-order.jpg"] = bytes(restart)
    # EXIF offsets that point outside the block, in a file whose scan is cut.
    exif = bytearray(exif_block(with_thumbnail=True))
    struct.pack_into("<I", exif, 4, 0x7FFFFFF0)  # the first IFD far away
    lying = jpeg(16, 16, app_segments=[app1(bytes(exif))])
    files["jpeg-exif-lying-offsets-cut.jpg"] = lying[:-40]
    exif = bytearray(exif_block(big_endian=True))
    count_at = 8  # the entry count of IFD0
    struct.pack_into(">H", exif, count_at, 0xFFFF)
    lying = jpeg(16, 16, app_segments=[app1(bytes(exif))])
    files["jpeg-exif-entry-count-huge-cut.jpg"] = lying[:-40]
    files["jpeg-no-frame.jpg"] = b"\xFF\xD8" + segment(0xDB, b"\x00" + bytes(64)) + b"\xFF\xD9"
    return files


# ---------------------------------------------------------------------------------------------
# TIFF

SHORT, LONG, RATIONAL = 3, 4, 5


def tiff(width, height, bits, samples, photometric, strips, compression=1, planar=1,
         rows_per_strip=None, extra=(), big_endian=False, tiles=None, sample_format=None,
         predictor=None, count_override=None, offset_override=None):
    """A TIFF file. `strips` are the (already compressed) strip or tile bytes."""
    e = ">" if big_endian else "<"
    header = (b"MM\0*" if big_endian else b"II*\0") + struct.pack(e + "I", 8)
    strip_data = b"".join(strips)
    entries = [
        (256, LONG, 1, long_(width, e)),
        (257, LONG, 1, long_(height, e)),
        (258, SHORT, samples, b"".join(short(bits, e) for _ in range(samples))),
        (259, SHORT, 1, short(compression, e)),
        (262, SHORT, 1, short(photometric, e)),
        (277, SHORT, 1, short(samples, e)),
        (284, SHORT, 1, short(planar, e)),
    ]
    if sample_format is not None:
        entries.append((339, SHORT, samples, b"".join(short(sample_format, e)
                                                     for _ in range(samples))))
    if predictor is not None:
        entries.append((317, SHORT, 1, short(predictor, e)))
    entries += list(extra)
    offset_tag, count_tag = (324, 325) if tiles else (273, 279)
    if tiles:
        entries += [(322, LONG, 1, long_(tiles[0], e)), (323, LONG, 1, long_(tiles[1], e))]
    else:
        entries.append((278, LONG, 1, long_(rows_per_strip or height, e)))
    n = len(strips)
    placeholder = entries + [(offset_tag, LONG, n, bytes(4 * n)), (count_tag, LONG, n, bytes(4 * n))]
    ifd_size = len(tiff_ifd(placeholder, 8, big_endian))
    offsets, pos = [], 8 + ifd_size
    for s in strips:
        offsets.append(pos)
        pos += len(s)
    counts = count_override or [len(s) for s in strips]
    offsets = offset_override or offsets
    entries += [(offset_tag, LONG, len(offsets), b"".join(long_(o, e) for o in offsets)),
                (count_tag, LONG, len(counts), b"".join(long_(c, e) for c in counts))]
    ifd = tiff_ifd(entries, 8, big_endian)
    assert len(ifd) == ifd_size
    return header + ifd + strip_data


def samples16(width, height, channels, big_endian=False):
    out = bytearray()
    for y in range(height):
        for x in range(width):
            for c in range(channels):
                out += struct.pack(">H" if big_endian else "<H",
                                   (x * 4099 + y * 1031 + c * 20000) & 0xFFFF)
    return bytes(out)


def tiff_seeds():
    seeds = {}
    rgb = b"".join(gradient(8, 6, 3))
    seeds["rgb8.tif"] = tiff(8, 6, 8, 3, 2, [rgb])
    seeds["rgb8-strips.tif"] = tiff(8, 6, 8, 3, 2, [rgb[:72], rgb[72:]], rows_per_strip=3)
    seeds["grey8-deflate.tif"] = tiff(8, 6, 8, 1, 1, [zlib.compress(b"".join(gradient(8, 6, 1)))],
                                      compression=8)
    seeds["grey8-be.tif"] = tiff(8, 6, 8, 1, 0, [b"".join(gradient(8, 6, 1))], big_endian=True)
    colormap = b"".join(short((i * 257 * k) & 0xFFFF) for k in (1, 2, 3) for i in range(16))
    seeds["palette4.tif"] = tiff(8, 4, 4, 1, 3, [bytes(range(16))],
                                 extra=[(320, SHORT, 48, colormap)])
    seeds["bilevel-packbits.tif"] = tiff(16, 4, 1, 1, 0, [bytes((0xFD, 0xAA, 0x03, 1, 2, 3, 4))],
                                         compression=32773)
    seeds["rgb8-planar.tif"] = tiff(4, 2, 8, 3, 2, [bytes(range(8)), bytes(range(8, 16)),
                                                    bytes(range(16, 24))], planar=2)
    tile = bytes(16 * 16 * 3)
    seeds["rgb8-tiled.tif"] = tiff(20, 10, 8, 3, 2, [tile, tile], tiles=(16, 16))
    seeds["rgba8.tif"] = tiff(4, 4, 8, 4, 2, [bytes(range(64))],
                              extra=[(338, SHORT, 1, short(2))])
    # 16 bits per sample: the reader's own path.
    seeds["grey16.tif"] = tiff(7, 5, 16, 1, 1, [samples16(7, 5, 1)])
    seeds["grey16-white-is-zero.tif"] = tiff(7, 5, 16, 1, 0, [samples16(7, 5, 1)])
    seeds["grey16-alpha.tif"] = tiff(5, 3, 16, 2, 1, [samples16(5, 3, 2)],
                                     extra=[(338, SHORT, 1, short(2))])
    seeds["rgb16.tif"] = tiff(6, 4, 16, 3, 2, [samples16(6, 4, 3)])
    seeds["rgb16-be.tif"] = tiff(6, 4, 16, 3, 2, [samples16(6, 4, 3, True)], big_endian=True)
    seeds["rgb16-strips.tif"] = tiff(6, 4, 16, 3, 2, [samples16(6, 2, 3), samples16(6, 2, 3)],
                                     rows_per_strip=2)
    seeds["rgb16-planar.tif"] = tiff(6, 4, 16, 3, 2, [samples16(6, 4, 1)] * 3, planar=2)
    seeds["rgba16.tif"] = tiff(4, 3, 16, 4, 2, [samples16(4, 3, 4)],
                               extra=[(338, SHORT, 1, short(1))])
    seeds["rgb16-deflate.tif"] = tiff(6, 4, 16, 3, 2, [zlib.compress(samples16(6, 4, 3))],
                                      compression=8)
    # Horizontal differencing of 16-bit samples, then deflate.
    raw = samples16(6, 4, 1)
    diffs = bytearray()
    for y in range(4):
        previous = 0
        for x in range(6):
            value = struct.unpack_from("<H", raw, 2 * (y * 6 + x))[0]
            diffs += struct.pack("<H", (value - previous) & 0xFFFF)
            previous = value
    seeds["grey16-predictor.tif"] = tiff(6, 4, 16, 1, 1, [zlib.compress(bytes(diffs))],
                                         compression=8, predictor=2)
    # An EXIF directory, read by the focal-length reader of TIFF files.
    exif_ifd = tiff_ifd([(0x920A, RATIONAL, 1, rational(35, 1)),
                         (0xA20E, RATIONAL, 1, rational(3000, 1)),
                         (0xA210, SHORT, 1, short(2)),
                         (0xA405, SHORT, 1, short(24))], 0)
    base = tiff(4, 2, 16, 1, 1, [samples16(4, 2, 1)], extra=[(34665, LONG, 1, long_(0))])
    exif_at = len(base)
    base = tiff(4, 2, 16, 1, 1, [samples16(4, 2, 1)], extra=[(34665, LONG, 1, long_(exif_at))])
    seeds["grey16-exif.tif"] = base + tiff_ifd([(0x920A, RATIONAL, 1, rational(35, 1)),
                                                (0xA20E, RATIONAL, 1, rational(3000, 1)),
                                                (0xA210, SHORT, 1, short(2)),
                                                (0xA405, SHORT, 1, short(24))], exif_at)
    assert len(exif_ifd) > 0
    return seeds


def tiff_corrupt():
    files = {}
    rgb = b"".join(gradient(16, 16, 3))
    good = tiff(16, 16, 8, 3, 2, [rgb])
    files["tiff8-truncated-strip.tif"] = good[:-300]
    files["tiff8-huge-size-cut.tif"] = tiff(60000, 60000, 8, 3, 2, [rgb[:200]])
    # The colour map holds 10 entries where a 4-bit palette needs 16.
    files["tiff8-colormap-short.tif"] = tiff(8, 4, 4, 1, 3, [bytes(range(16))],
                                             extra=[(320, SHORT, 30, bytes(60))])
    files["tiff8-unknown-compression.tif"] = tiff(8, 6, 8, 3, 2, [rgb[:144]], compression=12345)
    files["tiff8-deflate-garbage.tif"] = tiff(8, 6, 8, 3, 2, [b"\x78\x9c" + bytes(range(7, 200))],
                                              compression=8)
    # The directory says it holds 65535 entries; the file ends after a few.
    entries_huge = bytearray(good[:200])
    struct.pack_into("<H", entries_huge, 8, 0xFFFF)
    files["tiff8-entry-count-huge.tif"] = bytes(entries_huge)
    files["tiff8-tile-width-zero.tif"] = tiff(20, 10, 8, 3, 2, [bytes(768), bytes(768)],
                                              tiles=(0, 16))
    files["tiff8-bits-3.tif"] = tiff(8, 6, 3, 3, 2, [rgb[:54]])
    files["tiff8-be-cut.tif"] = tiff(16, 16, 8, 1, 1, [b"".join(gradient(16, 16, 1))],
                                     big_endian=True)[:150]
    # The first directory points at itself as the next one and lacks the image width.
    loop = tiff(4, 4, 8, 1, 1, [bytes(16)])
    count = struct.unpack_from("<H", loop, 8)[0]
    loop = bytearray(loop)
    struct.pack_into("<I", loop, 10 + 12 * count, 8)
    struct.pack_into("<H", loop, 10, 0x7FFF)  # first tag (ImageWidth) becomes unknown
    files["tiff8-directory-loop-no-width.tif"] = bytes(loop)
    # A strip whose offset lies past the end of the file.
    files["tiff8-width-100001.tif"] = tiff(100001, 1, 8, 1, 1, [bytes((0x80,)) * 16])
    files["tiff8-bits-64.tif"] = tiff(1, 1, 64, 1, 1, [bytes((0x80,)) * 8])
    files["tiff8-zero-size.tif"] = tiff(0, 0, 8, 1, 1, [bytes((0x80,)) * 16])
    files["tiff8-strip-offset-past-end.tif"] = tiff(4, 4, 8, 1, 1, [bytes(16)],
                                                    offset_override=[0x7FFFFFF0])
    return files


def bytes_replace_bits(data):
    """`data` (a little-endian RGB TIFF of 16 bits per sample) with BitsPerSample 16, 8, 16."""
    data = bytearray(data)
    for i in range(struct.unpack_from("<H", data, 8)[0]):
        at = 10 + 12 * i
        if struct.unpack_from("<H", data, at)[0] == 258:
            values_at = struct.unpack_from("<I", data, at + 8)[0]
            struct.pack_into("<H", data, values_at + 2, 8)
    return bytes(data)


def tiff16_corrupt():
    files = {}
    # Grey, one row, 65535 samples per pixel: a line of width x 65535 samples before any data.
    # (BitsPerSample holds one value; only SamplesPerPixel says 65535.)
    for width in (20000, 100000):
        data = bytearray(tiff(width, 1, 16, 1, 1, [bytes(64)]))
        for i in range(struct.unpack_from("<H", data, 8)[0]):
            at = 10 + 12 * i
            if struct.unpack_from("<H", data, at)[0] == 277:
                struct.pack_into("<H", data, at + 8, 65535)
        files["tiff16-grey-samples-65535-width-%d.tif" % width] = bytes(data)
    rgb16 = samples16(16, 16, 3)
    files["tiff16-rgb-truncated.tif"] = tiff(16, 16, 16, 3, 2, [rgb16])[:-700]
    files["tiff16-planar-one-strip-for-three.tif"] = tiff(6, 4, 16, 3, 2, [samples16(6, 4, 1)],
                                                          planar=2)
    files["tiff16-huge-size-cut.tif"] = tiff(60000, 60000, 16, 1, 1, [bytes(200)])
    files["tiff16-rgb-two-samples.tif"] = tiff(6, 4, 16, 2, 2, [samples16(6, 4, 2)])
    files["tiff16-deflate-cut.tif"] = tiff(16, 16, 16, 3, 2, [zlib.compress(rgb16)[:100]],
                                           compression=8)
    # Two strips of two rows each, the second one's offset past the end of the file.
    files["tiff16-second-strip-past-end.tif"] = tiff(
        6, 4, 16, 1, 1, [samples16(6, 2, 1), samples16(6, 2, 1)], rows_per_strip=2,
        offset_override=[200, 0x7FFFFFF0])
    # Grey with three samples: more than grey and alpha.
    files["tiff16-grey-three-samples.tif"] = tiff(2, 1, 16, 3, 1, [bytes((0x40,)) * 12])
    # 10000 x 1000 samples from 64 compressed bytes: more than LZW or deflate can expand to.
    for name, compression in (("lzw", 5), ("deflate", 8)):
        files["tiff16-%s-expands-past-its-data.tif" % name] = tiff(
            10000, 1000, 16, 1, 1, [bytes((0x40,)) * 64], compression=compression)
    files["tiff16-bits-per-sample-mixed.tif"] = bytes_replace_bits(
        tiff(6, 4, 16, 3, 2, [samples16(6, 4, 3)]))
    return files


# ---------------------------------------------------------------------------------------------
# PNG


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, depth, color_type, raw_rows=None, interlace=0, extra=(), idat=None,
        filters=None):
    """A PNG file; `raw_rows` are unfiltered rows, written with filter 0 (or `filters`)."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[color_type]
    row_bytes = (width * channels * depth + 7) // 8
    if idat is None:
        if raw_rows is None:
            raw_rows = [bytes((x * 7 + y * 13) & 0xFF for x in range(row_bytes))
                        for y in range(height)]
        if interlace:
            raw = adam7(width, height, channels, depth, raw_rows)
        else:
            raw = b"".join(bytes((filters[y % len(filters)] if filters else 0,)) + r
                           for y, r in enumerate(raw_rows))
        idat = zlib.compress(raw, 9)
    head = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, interlace)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head)
    for kind, data in extra:
        out += chunk(kind, data)
    return out + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def adam7(width, height, channels, depth, rows):
    """Interlaced image data of byte-aligned samples (depth 8 or 16) of `rows`."""
    assert depth in (8, 16)
    size = channels * depth // 8
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4),
              (1, 0, 2, 2), (0, 1, 1, 2)]
    out = bytearray()
    for x0, y0, dx, dy in passes:
        if x0 >= width or y0 >= height:
            continue
        for y in range(y0, height, dy):
            out.append(0)
            for x in range(x0, width, dx):
                out += rows[y][x * size:(x + 1) * size]
    return bytes(out)


def png_seeds():
    seeds = {}
    seeds["grey8.png"] = png(7, 5, 8, 0)
    seeds["grey1.png"] = png(19, 3, 1, 0)
    seeds["grey16.png"] = png(5, 4, 16, 0)
    seeds["rgb8.png"] = png(6, 4, 8, 2, filters=[0, 1, 2, 3, 4])
    seeds["rgb16.png"] = png(5, 3, 16, 2)
    seeds["rgba8.png"] = png(5, 3, 8, 6)
    seeds["grey-alpha8.png"] = png(5, 3, 8, 4)
    palette = bytes(range(48))
    seeds["palette4-trns.png"] = png(9, 3, 4, 3, extra=[(b"PLTE", palette),
                                                        (b"tRNS", bytes((0, 128, 255)))])
    seeds["palette8.png"] = png(6, 3, 8, 3, raw_rows=[bytes((0, 5, 10, 15, 1, 2))] * 3,
                                extra=[(b"PLTE", palette)])
    seeds["rgb8-interlaced.png"] = png(11, 9, 8, 2, interlace=1,
                                       raw_rows=gradient(11, 9, 3))
    seeds["rgb8-chunks.png"] = png(4, 4, 8, 2, extra=[
        (b"gAMA", struct.pack(">I", 45455)), (b"bKGD", struct.pack(">HHH", 1, 2, 3)),
        (b"sRGB", b"\0"), (b"pHYs", struct.pack(">IIB", 2835, 2835, 1)),
        (b"tEXt", b"Comment\0seed")])
    seeds["grey8-trns.png"] = png(4, 4, 8, 0, extra=[(b"tRNS", struct.pack(">H", 7))])
    return seeds


def png_corrupt():
    files = {}
    good = png(32, 32, 8, 2, raw_rows=gradient(32, 32, 3))
    files["png-truncated-idat.png"] = good[: len(good) // 2]
    bad_crc = bytearray(png(4, 4, 8, 2))
    bad_crc[29] ^= 0xFF  # the last byte of the IHDR CRC
    files["png-ihdr-crc-wrong.png"] = bytes(bad_crc)
    files["png-huge-size-cut.png"] = png(99999, 99999, 8, 2, idat=zlib.compress(bytes(300)))
    files["png-palette-300-entries.png"] = png(4, 4, 8, 3, raw_rows=[bytes(4)] * 4,
                                               extra=[(b"PLTE", bytes(900))])
    files["png-palette-length-10.png"] = png(4, 4, 8, 3, raw_rows=[bytes(4)] * 4,
                                             extra=[(b"PLTE", bytes(10))])
    files["png-palette-missing.png"] = png(4, 4, 8, 3, raw_rows=[bytes(4)] * 4)
    files["png-idat-not-zlib.png"] = png(8, 8, 8, 0, idat=bytes(range(1, 60)))
    files["png-interlace-method-2.png"] = png(4, 4, 8, 0, interlace=2, idat=zlib.compress(bytes(20)))
    files["png-filter-type-9.png"] = png(4, 4, 8, 2, filters=[9])
    files["png-not-enough-data.png"] = png(64, 64, 8, 2, idat=zlib.compress(bytes(100)))
    files["png-grey-depth-3.png"] = png(4, 4, 3, 0, idat=zlib.compress(bytes(20)))
    files["png-rgb16-cut.png"] = png(16, 16, 16, 2)[:300]
    # Ancillary chunks whose length fields claim a gigabyte, in files that end right after.
    for kind in (b"zTXt", b"eXIf", b"sPLT"):
        files["png-%s-length-1-gb.png" % kind.decode().lower()] = png(4, 4, 8, 2)[:33] + \
            struct.pack(">I", 0x40000000) + kind + bytes(40)
    files["png-width-100001.png"] = png(100001, 1, 8, 2, idat=zlib.compress(bytes(16)))
    files["png-zero-width.png"] = png(0, 1, 8, 2, idat=zlib.compress(bytes(16)))
    files["png-colour-type-5.png"] = b"\x89PNG\r\n\x1a\n" + chunk(
        b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 5, 0, 0, 0)) + chunk(
        b"IDAT", zlib.compress(bytes(16))) + chunk(b"IEND", b"")
    files["png-no-idat.png"] = b"\x89PNG\r\n\x1a\n" + chunk(
        b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 0, 0, 0, 0)) + chunk(b"IEND", b"")
    return files


# ---------------------------------------------------------------------------------------------
# GIF


def lzw(indexes, min_size):
    """GIF LZW codes of `indexes`, packed least significant bit first."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    acc = 0
    nbits = 0
    width = min_size + 1

    def emit(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    table = {bytes((i,)): i for i in range(clear)}
    next_code = end + 1
    emit(clear)
    current = b""
    for index in indexes:
        candidate = current + bytes((index,))
        if candidate in table:
            current = candidate
            continue
        emit(table[current])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table = {bytes((i,)): i for i in range(clear)}
            next_code = end + 1
            width = min_size + 1
        current = bytes((index,))
    if current:
        emit(table[current])
    emit(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data, size=255):
    out = bytearray()
    for i in range(0, len(data), size):
        piece = data[i:i + size]
        out.append(len(piece))
        out += piece
    return bytes(out + b"\0")


def gif(width, height, indexes=None, min_size=8, global_bits=8, local_bits=None,
        interlaced=False, extensions=b"", frames=1, data=None, trailer=True):
    out = bytearray(b"GIF89a" + struct.pack("<HH", width, height))
    if global_bits:
        out += bytes((0x80 | 0x70 | (global_bits - 1), 0, 0))
        out += bytes((i * 7) & 0xFF for i in range(3 << global_bits))
    else:
        out += bytes((0, 0, 0))
    out += extensions
    if indexes is None:
        limit = 1 << min_size
        indexes = [((x * 3 + y * 5) // 4) % limit for y in range(height) for x in range(width)]
    for _ in range(frames):
        flags = (0x40 if interlaced else 0)
        if local_bits:
            flags |= 0x80 | (local_bits - 1)
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, flags)
        if local_bits:
            out += bytes((255 - i * 5) & 0xFF for i in range(3 << local_bits))
        out.append(min_size)
        out += sub_blocks(lzw(indexes, min_size) if data is None else data)
    if trailer:
        out += b"\x3B"
    return bytes(out)


def gif_seeds():
    seeds = {}
    seeds["global8.gif"] = gif(16, 8)
    seeds["global2.gif"] = gif(10, 4, min_size=2, global_bits=2)
    seeds["local4.gif"] = gif(9, 7, min_size=4, global_bits=0, local_bits=4)
    seeds["interlaced.gif"] = gif(5, 19, interlaced=True)
    seeds["no-table.gif"] = gif(6, 3, global_bits=0)
    ext = (b"\x21\xF9\x04\x01\x0A\x00\x03\x00"                        # graphic control
           + b"\x21\xFE" + sub_blocks(b"a comment")                    # comment
           + b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00")           # application
    seeds["extensions-frames.gif"] = gif(8, 8, extensions=ext, frames=2)
    # Long enough for the code width to reach 12 bits and for a table reset.
    seeds["long-stream.gif"] = gif(128, 64, indexes=[(x * x + y * 7) & 0xFF
                                                     for y in range(64) for x in range(128)])
    return seeds


def gif_corrupt():
    files = {}
    good = gif(32, 32)
    files["gif-truncated-lzw.gif"] = good[: len(good) - 200]
    # Clear (2), pixel 1, end (3) at 2 bits: decodes, but GIF has no code size below 2.
    files["gif-code-size-1.gif"] = gif(1, 1, min_size=1, global_bits=1,
                                       data=bytes((2 | (1 << 2) | (3 << 4),)))
    files["gif-code-size-12.gif"] = gif(4, 4, min_size=12, data=bytes(10))
    files["gif-global-table-cut.gif"] = gif(4, 4)[:100]
    files["gif-local-table-cut.gif"] = gif(4, 4, global_bits=0, local_bits=8)[:200]
    files["gif-zero-size.gif"] = gif(0, 0, data=lzw([1], 8))
    # The first code after the clear is a table entry that does not exist yet.
    files["gif-code-beyond-table.gif"] = gif(4, 4, min_size=2, global_bits=2,
                                             data=bytes((4 | (7 << 3), 0)))
    files["gif-huge-size-cut.gif"] = gif(65535, 65535, indexes=[1] * 100, trailer=False)
    files["gif-extension-cut.gif"] = gif(4, 4, extensions=b"\x21\xFE\x40abc")[:800]
    files["gif-no-image.gif"] = b"GIF89a" + struct.pack("<HH", 4, 4) + bytes((0, 0, 0)) + b"\x3B"
    files["gif-interlaced-short.gif"] = gif(8, 40, indexes=[3] * 100, interlaced=True)
    files["gif-pixels-one-short.gif"] = gif(4, 4, indexes=[1] * 15)
    files["gif-sub-block-past-end.gif"] = gif(8, 8)[:-3] + b"\xF0\x01\x02"
    # Clear (4), pixel 1, end (5) at 3 bits: one pixel of code size 2, under lying headers.
    one_pixel = bytes(((4 | (1 << 3) | (5 << 6)) & 0xFF, 1))
    files["gif-zero-width.gif"] = gif(0, 1, min_size=2, global_bits=1, data=one_pixel)
    files["gif-code-size-0.gif"] = gif(1, 1, min_size=0, global_bits=1, data=one_pixel)
    files["gif-unknown-block.gif"] = b"GIF89a" + struct.pack("<HH", 1, 1) + bytes((0, 0, 0, 0x99))
    return files


# ---------------------------------------------------------------------------------------------


def write_all(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(files.items()):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--corrupt", default=os.path.join(here, "..", "tests", "data", "corrupt"))
    parser.add_argument("--seeds")
    parser.add_argument("--no-corrupt", action="store_true", help="write the seeds only")
    args = parser.parse_args()
    if not args.no_corrupt:
        corrupt = {}
        for make in (bmp_corrupt, jpeg_corrupt, tiff_corrupt, tiff16_corrupt, png_corrupt,
                     gif_corrupt):
            corrupt.update(make())
        write_all(args.corrupt, corrupt)
        print("%d damaged files in %s" % (len(corrupt), os.path.normpath(args.corrupt)))
    if args.seeds:
        for reader, make in (("bmp", bmp_seeds), ("jpeg", jpeg_seeds), ("tiff", tiff_seeds),
                             ("png", png_seeds), ("gif", gif_seeds)):
            write_all(os.path.join(args.seeds, reader), make())
        print("seeds in %s" % args.seeds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
