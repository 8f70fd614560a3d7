#!/usr/bin/env python3
"""Generates app/forms/vantor.ico, the launcher window's icon.

Thirteen images in this order: 48, 32, 16 px at 4 bpp; 256, 48, 32, 16 px at
8 bpp; 256, 128, 64, 48, 32, 16 px at 32 bpp. The 256-px images are PNG (the
Vista icon style), the others DIBs with XOR and AND masks. The stored form
expects an icon of exactly ICON_SIZE bytes, so the 32-bpp PNG carries a private
ancillary chunk that pads the file to that size; decoders skip such chunks.

Standard library only. Output is deterministic for a given zlib.
Usage: make_icon.py [output path]   (default: vantor.ico next to the form source)
"""
import os
import struct
import sys
import zlib

ICON_SIZE = 454998
LAYOUT = [(48, 4), (32, 4), (16, 4),
          (256, 8), (48, 8), (32, 8), (16, 8),
          (256, 32), (128, 32), (64, 32), (48, 32), (32, 32), (16, 32)]
PAD_CHUNK = b"vaNt"  # ancillary, private, safe to copy

# ---------------------------------------------------------------- drawing
# The picture: a blue rounded tile with two phones, the front one showing an
# orange play triangle (several emulator instances being started).

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def triangle(a, b, c):
    def edge(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        d1, d2, d3 = edge(a, b, x, y), edge(b, c, x, y), edge(c, a, x, y)
        neg = d1 < 0 or d2 < 0 or d3 < 0
        pos = d1 > 0 or d2 > 0 or d3 > 0
        return not (neg and pos)
    return inside


TILE = rounded_rect(0.03, 0.03, 0.97, 0.97, 0.2)
TILE_INNER = rounded_rect(0.06, 0.06, 0.94, 0.94, 0.17)
BACK_PHONE = rounded_rect(0.42, 0.14, 0.78, 0.72, 0.07)
FRONT_PHONE = rounded_rect(0.22, 0.27, 0.60, 0.86, 0.07)
SCREEN = rounded_rect(0.27, 0.34, 0.55, 0.76, 0.02)
PLAY = triangle((0.35, 0.44), (0.35, 0.66), (0.50, 0.55))


def colour_at(x, y):
    """RGBA (0..1 floats) of the picture at normalised point (x, y)."""
    if PLAY(x, y):
        return (1.0, 0.69, 0.13, 1.0)
    if SCREEN(x, y):
        return (0.10, 0.16, 0.29, 1.0)
    if FRONT_PHONE(x, y):
        return (1.0, 1.0, 1.0, 1.0)
    if TILE(x, y):
        t = y  # vertical gradient, light blue to deep blue
        base = (0.18 + (0.11 - 0.18) * t, 0.66 + (0.30 - 0.66) * t, 1.0 + (0.82 - 1.0) * t)
        if BACK_PHONE(x, y):
            base = tuple(c + (1.0 - c) * 0.55 for c in base)
        elif not TILE_INNER(x, y):
            base = tuple(c * 0.85 for c in base)  # darker rim
        return base + (1.0,)
    return (0.0, 0.0, 0.0, 0.0)


def render(size):
    """Rows top-down of (r, g, b, a) bytes, antialiased by supersampling."""
    n = 4 if size <= 64 else 3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = colour_at((px + (sx + 0.5) / n) / size,
                                           (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if a > 0:
                rgb = [round(255 * c / acc[3]) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(255 * a)))
        rows.append(row)
    return rows

# ---------------------------------------------------------------- palettes

def median_cut(colours, count):
    """Palette of at most `count` RGB colours for the given list."""
    boxes = [sorted(set(colours))]
    while len(boxes) < count:
        boxes.sort(key=lambda bx: max(max(c[i] for c in bx) - min(c[i] for c in bx)
                                      for i in range(3)) if len(bx) > 1 else -1)
        box = boxes.pop()
        if len(box) < 2:
            boxes.append(box)
            break
        ranges = [max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)]
        axis = ranges.index(max(ranges))
        box.sort(key=lambda c: c[axis])
        mid = len(box) // 2
        boxes += [box[:mid], box[mid:]]
    return [tuple(sum(c[i] for c in bx) // len(bx) for i in range(3)) for bx in boxes]


def nearest(palette, cache, rgb):
    if rgb not in cache:
        cache[rgb] = min(range(len(palette)),
                         key=lambda i: sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)))
    return cache[rgb]


def indexed(rows, colours):
    """(palette, index rows, opaque rows); index 0 is kept for transparency."""
    opaque = [[px[3] >= 128 for px in row] for row in rows]
    seen = [px[:3] for row in rows for px in row if px[3] >= 128]
    palette = [(0, 0, 0)] + median_cut(seen, colours - 1)
    palette += [(0, 0, 0)] * (colours - len(palette))
    cache = {}
    body = palette[1:]
    idx = [[nearest(body, cache, px[:3]) + 1 if op else 0 for px, op in zip(row, orow)]
           for row, orow in zip(rows, opaque)]
    return palette, idx, opaque

# ---------------------------------------------------------------- encoders

def pack_row(values, bpp):
    out = bytearray()
    if bpp == 1 or bpp == 4:
        per = 8 // bpp
        for i in range(0, len(values), per):
            byte = 0
            for j in range(per):
                v = values[i + j] if i + j < len(values) else 0
                byte |= v << (8 - bpp * (j + 1))
            out.append(byte)
    elif bpp == 8:
        out.extend(values)
    else:
        for v in values:
            out.extend(v)
    out.extend(b"\0" * (-len(out) % 4))  # DIB rows are padded to 4 bytes
    return bytes(out)


def dib(rows, bpp):
    size = len(rows)
    if bpp == 32:
        palette = []
        xor_rows = [[bytes((px[2], px[1], px[0], px[3])) for px in row] for row in rows]
        opaque = [[px[3] > 0 for px in row] for row in rows]
    else:
        palette, xor_rows, opaque = indexed(rows, 1 << bpp)
    xor = b"".join(pack_row(r, bpp) for r in reversed(xor_rows))  # bottom-up
    mask = b"".join(pack_row([0 if o else 1 for o in r], 1) for r in reversed(opaque))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, len(palette) if palette else 0, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + pal + xor + mask


def chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))


def png(rows, bpp, pad=0):
    size = len(rows)
    if bpp == 32:
        raw = b"".join(b"\0" + b"".join(bytes(px) for px in row) for row in rows)
        head = chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
        extra = b""
    else:
        palette, idx, _ = indexed(rows, 256)
        raw = b"".join(b"\0" + bytes(row) for row in idx)
        head = chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
        extra = chunk(b"PLTE", b"".join(bytes(c) for c in palette)) + chunk(b"tRNS", b"\0")
    body = head + extra + chunk(b"IDAT", zlib.compress(raw, 9))
    if pad:
        assert pad >= 12, "padding chunk needs at least its 12 bytes of framing"
        body += chunk(PAD_CHUNK, b"\0" * (pad - 12))
    return b"\x89PNG\r\n\x1a\n" + body + chunk(b"IEND", b"")


def icon(images):
    """images: list of (size, bpp, data) in directory order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 16 if bpp == 4 else 0, 0, 1, bpp,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(d for _, _, d in images)


def build():
    pictures = {}
    images = []
    for size, bpp in LAYOUT:
        if size not in pictures:
            pictures[size] = render(size)
        rows = pictures[size]
        images.append([size, bpp, png(rows, bpp) if size >= 256 else dib(rows, bpp)])
    short = ICON_SIZE - len(icon(images))
    last_png = max(i for i, (s, b, _) in enumerate(images) if s >= 256 and b == 32)
    if short < 12:
        sys.exit(f"make_icon: the images already take {ICON_SIZE - short} bytes, "
                 f"no room to pad to {ICON_SIZE}")
    images[last_png][2] = png(pictures[256], 32, pad=short)
    data = icon(images)
    assert len(data) == ICON_SIZE, len(data)
    return data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "app", "forms",
                                                              "vantor.ico")
    data = build()
    with open(out, "wb") as f:
        f.write(data)
    print(f"{out}: {len(data)} bytes, {len(LAYOUT)} images")


if __name__ == "__main__":
    main()
