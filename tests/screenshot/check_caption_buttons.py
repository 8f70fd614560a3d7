#!/usr/bin/env python3
"""Checks a screenshot of Vantor's window: its three caption buttons show the
window symbols (minimize bar, maximize box, close cross) as any system draws
them, not text glyphs such as the letters "0 1 r" that a missing Marlett font
gives.

    check_caption_buttons.py shot.png      exit 0: symbols; 1: not; 2: no window
"""
import subprocess
import sys

DARKER = 50  # a glyph pixel is this much darker than the button face


def load(path):
    """(width, height, rows of (r, g, b)) through ImageMagick's PPM output."""
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True).stdout
    fields, at = [], 0
    while len(fields) < 4:  # P6 width height maxval, blank-separated
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    at += 1
    width, height = int(fields[1]), int(fields[2])
    rows = [[tuple(data[at + 3 * (y * width + x):at + 3 * (y * width + x) + 3])
             for x in range(width)] for y in range(height)]
    return width, height, rows


def is_caption(p):
    return p[2] > 200 and p[0] < 120  # the active caption's blue


def caption_bar(width, height, rows):
    """(x0, y0, x1, y1) of the caption: from the first rows holding a run of at
    least 100 pixels of the active caption's colour, with that run's extent."""
    found = []
    for y in range(height):
        best, start = (0, 0, -1), None
        for x in range(width + 1):
            if x < width and is_caption(rows[y][x]):
                start = x if start is None else start
            elif start is not None:
                if x - start > best[2] - best[1] + 1:
                    best = (y, start, x - 1)
                start = None
        if best[2] - best[1] + 1 >= 100:
            found.append(best)
    if not found:
        return None
    # The first block of consecutive rows.
    block = [found[0]]
    for row in found[1:]:
        if row[0] != block[-1][0] + 1:
            break
        block.append(row)
    x0, x1 = min(r[1] for r in block), max(r[2] for r in block)
    # Rows crossed by the title text have shorter runs: the caption goes on
    # while a third of the row has its colour.
    y1 = block[-1][0]
    while y1 + 1 < height and \
            sum(1 for x in range(x0, x1 + 1) if is_caption(rows[y1 + 1][x])) * 3 >= x1 - x0 + 1:
        y1 += 1
    return x0, block[0][0], x1, y1


def buttons(rows, bar):
    """The three caption buttons, left to right, as (x0, y0, x1, y1): the runs
    of other colours at the right end of the caption's middle row. Adjacent
    buttons (minimize and maximize) form one run, cut into buttons as wide as
    the close button, which stands alone."""
    x0, y0, x1, y1 = bar
    middle = (y0 + y1) // 2
    runs, start = [], None
    for x in range(x0, x1 + 2):
        inside = x <= x1 and not is_caption(rows[middle][x])
        if inside and start is None:
            start = x
        elif not inside and start is not None:
            if x - start >= 10:
                runs.append((start, x - 1))
            start = None
    if not runs:
        return []
    close_width = runs[-1][1] - runs[-1][0] + 1
    spans = []
    for left, right in runs:
        parts = max(1, round((right - left + 1) / close_width))
        step = (right - left + 1) / parts
        spans += [(left + round(i * step), left + round((i + 1) * step) - 1) for i in range(parts)]
    found = []
    for left, right in spans[-3:]:
        centre = (left + right) // 2
        top = middle
        while top > y0 and not is_caption(rows[top - 1][centre]):
            top -= 1
        bottom = middle
        while bottom < y1 and not is_caption(rows[bottom + 1][centre]):
            bottom += 1
        found.append((left, top, right, bottom))
    return found


def glyph(rows, box):
    """Dark pixels inside the button's frame, as a set of (x, y) relative to
    their bounding box, with its width and height."""
    x0, y0, x1, y1 = box
    inner = [(x, y) for y in range(y0 + 2, y1 - 1) for x in range(x0 + 2, x1 - 1)]
    lum = {(x, y): sum(rows[y][x]) / 3 for x, y in inner}
    values = sorted(lum.values())
    face = values[len(values) // 2]
    dark = [(x, y) for (x, y) in inner if lum[(x, y)] < face - DARKER]
    if not dark:
        return set(), 0, 0
    gx, gy = min(p[0] for p in dark), min(p[1] for p in dark)
    w = max(p[0] for p in dark) - gx + 1
    h = max(p[1] for p in dark) - gy + 1
    return {(x - gx, y - gy) for x, y in dark}, w, h


def share(points, cells):
    cells = list(cells)
    return sum(1 for c in cells if c in points) / len(cells) if cells else 0


def is_minimize(points, w, h):
    # A flat bar: wide, at most three pixels high, one of its rows filled (Wine 8
    # fills the top one, Wine 10 the bottom one, its top row a pixel shorter).
    return w >= 4 and h <= 3 and \
        max(share(points, [(x, y) for x in range(w)]) for y in range(h)) > 0.9


def is_maximize(points, w, h):
    # A box: full top, left and right edges, hollow inside.
    if w < 5 or h < 5:
        return False
    edges = share(points, [(x, 0) for x in range(w)]) > 0.9 and \
        share(points, [(0, y) for y in range(h)]) > 0.8 and \
        share(points, [(w - 1, y) for y in range(h)]) > 0.8
    inside = [(x, y) for y in range(2, h - 1) for x in range(1, w - 1)]
    return edges and share(points, inside) < 0.3


def is_close(points, w, h):
    # A cross: both diagonals drawn, the middle of each edge empty.
    if w < 5 or h < 5:
        return False

    def on(x, y):
        return any((x + dx, y) in points for dx in (-1, 0, 1))

    rows_ok = sum(1 for y in range(h)
                  if on(round(y * (w - 1) / (h - 1)), y) and
                  on(round((h - 1 - y) * (w - 1) / (h - 1)), y))
    edges = [(w // 2, 0), (w // 2, h - 1), (0, h // 2), (w - 1, h // 2)]
    return rows_ok >= 0.8 * h and not any(p in points for p in edges)


def main():
    width, height, rows = load(sys.argv[1])
    bar = caption_bar(width, height, rows)
    found = buttons(rows, bar) if bar else []
    if len(found) != 3:
        print(f"no caption with three buttons found (caption {bar}, buttons {found})")
        return 2
    ok = True
    for name, test, box in zip(("minimize", "maximize", "close"),
                               (is_minimize, is_maximize, is_close), found):
        points, w, h = glyph(rows, box)
        good = test(points, w, h)
        ok = ok and good
        print(f"{name} button at {box}: glyph {w}x{h}, "
              f"{'a symbol' if good else 'NOT the symbol'}")
        if not good:  # the glyph as seen, for the log
            for y in range(h):
                print("    " + "".join("#" if (x, y) in points else "." for x in range(w)))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
