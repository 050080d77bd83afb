#!/usr/bin/env python3
"""Level designer: turns each level's motif into lattice cells that meet the
level's fixed figures (first tile cell, number of spaces, column and row
extents), keeps every cell off the letters of the level's name, picks for
each level the variant whose difficulty keeps the game's challenge rising,
checks every shape with the solver and writes the layout table.

    design_levels.py SOLVER                preview every level and check it
    design_levels.py SOLVER --write        also rewrite game/puzzle/levels.cpp
    design_levels.py SOLVER --level N      preview one level (its plain variant)
    design_levels.py SOLVER --place-names  choose each name's letter box and
                                           rewrite them in game/play/level_names.h
    design_levels.py SOLVER --names-report LEVELNAMES_PNG
                                           cells of the game's layouts that cover
                                           name ink, per level, and the difficulty

The names and their boxes come from game/play/level_names.h, the one table
the play screen and the media generator read as well.

Motifs live in a normalised box: u runs -1 (left) to 1 (right) across the
level's columns, v -1 (top) to 1 (bottom) across its rows. A motif is a
function giving a depth, positive inside the figure; cells are chosen by
depth, kept edge-connected to the first tile and mirrored when the level's
extents allow it, then grown or trimmed to the exact count.
"""
import heapq
import math
import os
import re
import subprocess
import sys
import zlib

COLUMNS, ROWS = 25, 11

# level: (first x, first y, spaces, min x, max x, min y, max y)
FIGURES = {
    -1: (12, 9, 4, 10, 14, 9, 9), 0: (12, 8, 18, 7, 17, 4, 8), 1: (12, 8, 29, 7, 17, 3, 8),
    2: (11, 5, 35, 7, 15, 3, 8), 3: (19, 6, 41, 6, 19, 3, 8), 4: (12, 3, 41, 7, 17, 2, 9),
    5: (12, 6, 51, 4, 19, 3, 7), 6: (4, 2, 54, 4, 19, 0, 10), 7: (10, 5, 56, 3, 21, 3, 7),
    8: (12, 6, 55, 6, 16, 1, 9), 9: (13, 4, 57, 7, 19, 1, 9), 10: (12, 4, 59, 5, 19, 2, 9),
    11: (4, 5, 68, 4, 19, 0, 10), 12: (12, 9, 59, 7, 17, 2, 9), 13: (8, 5, 66, 2, 21, 3, 8),
    14: (14, 2, 63, 0, 23, 0, 8), 15: (3, 5, 64, 0, 23, 2, 7), 16: (12, 4, 67, 4, 18, 0, 10),
    17: (10, 8, 66, 5, 17, 1, 9), 18: (12, 3, 65, 5, 19, 1, 10), 19: (12, 8, 69, 2, 21, 1, 8),
    20: (14, 2, 65, 7, 17, 1, 9), 21: (13, 7, 68, 5, 19, 0, 10), 22: (2, 5, 69, 1, 22, 1, 9),
    23: (20, 2, 68, 2, 20, 1, 9), 24: (16, 6, 69, 5, 19, 2, 8), 25: (19, 5, 71, 5, 19, 2, 9),
    26: (6, 2, 69, 2, 21, 2, 9), 27: (11, 7, 63, 4, 18, 1, 8), 28: (4, 5, 71, 3, 17, 1, 9),
    29: (12, 1, 72, 7, 17, 0, 10), 30: (10, 5, 72, 2, 20, 1, 8), 31: (9, 8, 73, 4, 18, 0, 9),
    32: (7, 4, 71, 1, 20, 1, 9), 33: (8, 6, 74, 1, 24, 3, 7), 34: (11, 6, 73, 2, 20, 1, 9),
    35: (8, 2, 73, 1, 19, 1, 10), 36: (17, 5, 73, 1, 22, 2, 7), 37: (10, 5, 73, 4, 17, 0, 10),
    38: (12, 9, 71, 5, 17, 1, 9), 39: (11, 4, 75, 1, 21, 2, 8), 40: (12, 4, 64, 1, 23, 0, 10),
}

# The levels drawn in full.
DRAWN = {
    -1: {9: "..........ooFoo.........."},
    0: {4: ".......oo.......oo.......", 5: "........oo.....oo........", 6: ".........oo...oo.........",
        7: "..........oo.oo..........", 8: "...........oFo..........."},
    1: {3: ".........ooooooo.........", 4: "........oo.....oo........", 5: ".......oo.......oo.......",
        6: ".......oo.......oo.......", 7: "........oo.....oo........", 8: ".........oooFooo........."},
    39: {2: "..........ooo............", 3: ".......o..ooo............", 4: "......oo..oFo............",
         5: "...o..ooo.oooo..oooo.....", 6: ".oooooooooooooooooo......", 7: "..ooooooooooooooo.oooo...",
         8: "...ooooooooooooo...oo...."},
}
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NAMES_HEADER = os.path.join(ROOT, "game", "play", "level_names.h")
LEVELS_SOURCE = os.path.join(ROOT, "game", "puzzle", "levels.cpp")

# The two levels before the named ones show no name; these only label their layouts.
UNNAMED = {-1: "Tutorial puzzle", 0: "Training level"}

# Levels sketched by hand on the lattice, as runs of columns per row, where
# a motif did not come out clean enough.
SKETCHES = {
    3: {3: [(15, 17)], 4: [(15, 18)], 5: [(6, 19)], 6: [(6, 19)], 7: [(15, 18)], 8: [(15, 17)]},
    5: {3: [(9, 13), (19, 19)], 4: [(6, 15), (18, 19)], 5: [(4, 18)], 6: [(5, 15), (17, 19)], 7: [(8, 12)]},
    33: {3: [(1, 3)], 4: [(1, 22)], 5: [(1, 24)], 6: [(1, 22)], 7: [(1, 4)]},
}

# ---------------------------------------------------------------- the level names

NAME_ENTRY = re.compile(r'\{"([^"]+)",\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\}')
NAME_FRAME_W, NAME_FRAME_H = 450, 50
NAME_VISIBLE_RIGHT = 758


class LevelName:
    def __init__(self, text, x, y, box):
        self.text, self.x, self.y = text, x, y
        self.box = box  # letter box inside the frame: (x, y, w, h)

    def board_box(self):
        bx, by, bw, bh = self.box
        return (self.x + bx, self.y + by, self.x + bx + bw, self.y + by + bh)


def read_level_names():
    with open(NAMES_HEADER) as f:
        entries = NAME_ENTRY.findall(f.read())
    if len(entries) != 40:
        raise SystemExit(f"{NAMES_HEADER}: {len(entries)} name entries, not 40")
    return {n + 1: LevelName(e[0], int(e[1]), int(e[2]), tuple(int(v) for v in e[3:]))
            for n, e in enumerate(entries)}


NAMES = read_level_names()


def label(level):
    return UNNAMED[level] if level in UNNAMED else NAMES[level].text


def write_name_boxes(boxes):
    with open(NAMES_HEADER) as f:
        text = f.read()
    count = [0]

    def replace(m):
        count[0] += 1
        n = count[0]
        bx, by, bw, bh = boxes.get(n, NAMES[n].box)
        return f'{{"{m.group(1)}", {m.group(2)}, {m.group(3)}, {bx}, {by}, {bw}, {bh}}}'

    with open(NAMES_HEADER, "w") as f:
        f.write(NAME_ENTRY.sub(replace, text))

# ---------------------------------------------------------------- geometry


def is_up(x, y):
    return (x + y) % 2 == 0


def edge_neighbours(x, y):
    return [(x - 1, y), (x + 1, y), (x, y + 1) if is_up(x, y) else (x, y - 1)]


# A placed tile overhangs its 58-pixel box by a few pixels (offsets -2 to 62),
# so that triangle, not the bare socket, is what must stay off a name.
def tile_triangle(x, y):
    bx, by = 29 * x, 58 * y
    if is_up(x, y):
        return [(bx + 29, by - 2), (bx - 2, by + 62), (bx + 62, by + 62)]
    return [(bx - 2, by - 2), (bx + 62, by - 2), (bx + 29, by + 62)]


def socket_triangle(x, y):
    """The nominal triangle of a cell's box, where its empty socket is drawn."""
    bx, by = 29 * x, 58 * y
    if is_up(x, y):
        return [(bx + 29, by), (bx, by + 58), (bx + 58, by + 58)]
    return [(bx, by), (bx + 58, by), (bx + 29, by + 58)]


def triangle_meets_box(tri, box, margin):
    """Whether a triangle and the rectangle (x0, y0, x1, y1), grown by
    margin, overlap: no separating axis among the box's sides and the
    triangle's edge normals."""
    x0, y0, x1, y1 = box[0] - margin, box[1] - margin, box[2] + margin, box[3] + margin
    corners = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    if max(p[0] for p in tri) <= x0 or min(p[0] for p in tri) >= x1:
        return False
    if max(p[1] for p in tri) <= y0 or min(p[1] for p in tri) >= y1:
        return False
    for i in range(3):
        (ax, ay), (bx, by) = tri[i], tri[(i + 1) % 3]
        nx, ny = ay - by, bx - ax
        t = [nx * px + ny * py for px, py in tri]
        c = [nx * px + ny * py for px, py in corners]
        if max(t) <= min(c) or max(c) <= min(t):
            return False
    return True


def point_in_triangle(tri, px, py):
    (ax, ay), (bx, by), (cx, cy) = tri
    d1 = (px - bx) * (ay - by) - (ax - bx) * (py - by)
    d2 = (px - cx) * (by - cy) - (bx - cx) * (py - cy)
    d3 = (px - ax) * (cy - ay) - (cx - ax) * (py - ay)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


# Letters keep this many pixels from the nearest tile edge, so outlines do not touch.
NAME_CLEARANCE = 2


def cells_under_box(box):
    return set((x, y) for y in range(ROWS) for x in range(COLUMNS)
               if triangle_meets_box(tile_triangle(x, y), box, NAME_CLEARANCE))


def forbidden_cells(level):
    return cells_under_box(NAMES[level].board_box()) if level in NAMES else set()


# ---------------------------------------------------------------- reading the name picture


def read_png_rgb(path):
    """Decodes an 8-bit RGB or RGBA PNG without interlacing (what the media
    generator writes) into rows of (r, g, b) tuples."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG")
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length = int.from_bytes(data[pos:pos + 4], "big")
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height = int.from_bytes(body[0:4], "big"), int.from_bytes(body[4:8], "big")
            depth, colour, interlace = body[8], body[9], body[12]
            if depth != 8 or colour not in (2, 6) or interlace != 0:
                raise SystemExit(f"{path}: only 8-bit RGB(A) without interlacing is read")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, channels)])
        prev = line
    return width, height, rows


KEY_COLOUR = (255, 0, 128)


def name_ink(path):
    """Per level 1..40 the board-area pixels its name picture inks."""
    width, _, rows = read_png_rgb(path)
    per_row = width // NAME_FRAME_W
    ink = {}
    for n in range(1, 41):
        fx, fy = ((n - 1) % per_row) * NAME_FRAME_W, ((n - 1) // per_row) * NAME_FRAME_H
        name = NAMES[n]
        ink[n] = [(name.x + px, name.y + py) for py in range(NAME_FRAME_H) for px in range(NAME_FRAME_W)
                  if rows[fy + py][fx + px] != KEY_COLOUR]
    return ink


# ---------------------------------------------------------------- motif primitives


def poly(*pts):
    def f(u, v):
        inside = False
        best = 1e9
        n = len(pts)
        for i in range(n):
            (x1, y1), (x2, y2) = pts[i], pts[(i + 1) % n]
            if (y1 > v) != (y2 > v) and u < (x2 - x1) * (v - y1) / (y2 - y1) + x1:
                inside = not inside
            best = min(best, seg_dist(u, v, x1, y1, x2, y2))
        return best if inside else -best
    return f


def seg_dist(u, v, x1, y1, x2, y2):
    dx, dy = x2 - x1, y2 - y1
    L = dx * dx + dy * dy
    t = 0 if L == 0 else max(0, min(1, ((u - x1) * dx + (v - y1) * dy) / L))
    return math.hypot(u - x1 - t * dx, v - y1 - t * dy)


def line(w, *pts):
    def f(u, v):
        return w - min(seg_dist(u, v, *pts[i], *pts[i + 1]) for i in range(len(pts) - 1))
    return f


def ellipse(cx, cy, rx, ry):
    def f(u, v):
        d = math.hypot((u - cx) / rx, (v - cy) / ry)
        return (1 - d) * min(rx, ry)
    return f


def rect(x0, y0, x1, y1):
    return poly((x0, y0), (x1, y0), (x1, y1), (x0, y1))


def union(*fs):
    return lambda u, v: max(f(u, v) for f in fs)


def inter(*fs):
    return lambda u, v: min(f(u, v) for f in fs)


def minus(a, *bs):
    return lambda u, v: min([a(u, v)] + [-b(u, v) for b in bs])


def mirror_x(f):
    return lambda u, v: f(abs(u), v)


def star(cx, cy, points, r_out, r_in, turn=0.0, sx=1.0, sy=1.0):
    pts = []
    for i in range(2 * points):
        r = r_out if i % 2 == 0 else r_in
        a = math.pi * i / points + turn
        pts.append((cx + sx * r * math.sin(a), cy - sy * r * math.cos(a)))
    return poly(*pts)


# ---------------------------------------------------------------- the motifs

MOTIFS = {}


def motif(level, symmetric=True):
    def register(f):
        MOTIFS[level] = (f(), symmetric)
        return f
    return register


@motif(2)
def _():
    return union(poly((0, -1.05), (1.05, 0.55), (-1.05, 0.55)), poly((0, 1.05), (1.05, -0.55), (-1.05, -0.55)))


@motif(4)
def _():
    return union(poly((-1.05, -1.05), (1.05, -1.05), (0.6, -0.05), (-0.6, -0.05)), rect(-0.15, -0.2, 0.15, 0.8),
                 poly((-0.75, 1.05), (0.75, 1.05), (0.35, 0.65), (-0.35, 0.65)))


@motif(6, symmetric=False)
def _():
    return poly((-1.05, -1.05), (0.15, -1.05), (-0.15, -0.15), (0.45, -0.15), (1.05, 1.05), (-0.2, 0.25),
                (-0.5, 0.25))


@motif(7)
def _():
    return union(poly((-1.05, -1.05), (0.0, -0.1), (0.0, 0.1), (-1.05, 1.05)),
                 poly((1.05, -1.05), (0.0, -0.1), (0.0, 0.1), (1.05, 1.05)), ellipse(0, 0, 0.25, 0.7))


@motif(8)
def _():
    return minus(poly((0, -1.05), (1.05, 0), (0, 1.05), (-1.05, 0)), poly((0, -0.3), (0.3, 0), (0, 0.3), (-0.3, 0)))


@motif(9)
def _():
    return union(poly((0, -1.05), (0.6, -0.25), (0.3, -0.25), (1.05, 0.6), (-1.05, 0.6), (-0.3, -0.25),
                      (-0.6, -0.25)), rect(-0.18, 0.5, 0.18, 1.05))


@motif(10)
def _():
    return union(rect(-1.05, 0.15, 1.05, 1.05), poly((-1.05, 0.3), (-1.05, -0.7), (-0.45, 0.2)),
                 poly((1.05, 0.3), (1.05, -0.7), (0.45, 0.2)), poly((-0.35, 0.3), (0, -1.05), (0.35, 0.3)))


@motif(11, symmetric=False)
def _():
    return minus(ellipse(0.05, 0, 1.1, 1.08), ellipse(0.75, 0, 0.95, 0.9))


@motif(12)
def _():
    return union(ellipse(-0.5, -0.45, 0.55, 0.62), ellipse(0.5, -0.45, 0.55, 0.62),
                 poly((-1.0, -0.25), (1.0, -0.25), (0, 1.05)))


@motif(13, symmetric=False)
def _():
    return union(minus(ellipse(-0.7, 0.05, 0.36, 1.05), ellipse(-0.7, 0.05, 0.12, 0.32)),
                 rect(-0.4, -0.2, 1.05, 0.35), rect(0.55, 0.2, 0.7, 1.05), rect(0.85, 0.2, 1.05, 1.05),
                 rect(0.2, 0.2, 0.35, 0.8))


@motif(14, symmetric=False)
def _():
    return union(line(0.16, (-1.0, 1.0), (-0.55, -0.95), (0.05, 0.45)), line(0.16, (0.05, 0.45), (0.5, -0.95),
                                                                              (1.0, 1.0)))


@motif(15, symmetric=False)
def _():
    pts = [(-1.0 + 2.0 * i / 40, 0.62 * math.sin(2.6 * math.pi * i / 40 + 0.5)) for i in range(41)]
    return union(line(0.35, *pts), ellipse(-0.9, 0.2, 0.12, 0.7))


@motif(16)
def _():
    return union(poly((-1.05, -1.05), (1.05, -1.05), (0.08, 0.0), (-0.08, 0.0)),
                 poly((-1.05, 1.05), (1.05, 1.05), (0.08, 0.0), (-0.08, 0.0)))


@motif(17)
def _():
    return union(poly((-0.35, -1.05), (0.35, -1.05), (0.6, -0.3), (0.7, 0.3), (1.05, 0.6), (-1.05, 0.6),
                      (-0.7, 0.3), (-0.6, -0.3)), ellipse(0, 0.85, 0.25, 0.35))


@motif(18)
def _():
    cup = poly((-0.65, -1.05), (0.65, -1.05), (0.45, -0.1), (-0.45, -0.1))
    handles = union(minus(ellipse(-0.68, -0.6, 0.37, 0.42), ellipse(-0.68, -0.6, 0.15, 0.18)),
                    minus(ellipse(0.68, -0.6, 0.37, 0.42), ellipse(0.68, -0.6, 0.15, 0.18)))
    return union(cup, handles, rect(-0.12, -0.15, 0.12, 0.6), rect(-0.6, 0.7, 0.6, 1.05))


@motif(19, symmetric=False)
def _():
    return union(poly((-1.05, 0.5), (1.05, 0.5), (0.7, 1.05), (-0.6, 1.05)),
                 poly((0.05, -1.05), (0.75, 0.4), (0.05, 0.4)), poly((-0.05, -0.7), (-0.05, 0.4), (-0.7, 0.4)))


@motif(20, symmetric=False)
def _():
    return union(ellipse(-0.35, 0.2, 0.7, 0.85), ellipse(0.35, 0.2, 0.7, 0.85),
                 line(0.1, (0, -0.6), (0.05, -1.0)), ellipse(0.45, -0.85, 0.35, 0.22))


@motif(21)
def _():
    arms = [line(0.16, (0, 0), (1.1 * math.sin(math.pi * k / 3), -1.1 * math.cos(math.pi * k / 3))) for k in range(6)]
    return union(ellipse(0, 0, 0.35, 0.35), *arms)


@motif(22, symmetric=False)
def _():
    return union(ellipse(-0.72, 0, 0.33, 0.75), poly((-0.75, -0.7), (1.05, -1.05), (0.2, 0.0)),
                 poly((-0.75, 0.7), (1.05, 1.05), (0.2, 0.0)), poly((-0.75, -0.25), (1.05, 0.0), (-0.75, 0.25)))


@motif(23)
def _():
    return union(line(0.14, (-1.0, -1.0), (-0.5, 1.0), (0.0, -0.3)), line(0.14, (1.0, -1.0), (0.5, 1.0), (0.0, -0.3)))


@motif(24)
def _():
    petals = [ellipse(0.55 * math.sin(math.pi * k / 3), -0.55 * math.cos(math.pi * k / 3), 0.45, 0.45)
              for k in range(6)]
    return union(ellipse(0, 0, 0.4, 0.4), *petals)


@motif(25)
def _():
    return union(ellipse(0, 0.2, 1.05, 0.85), poly((-0.95, 0.0), (-0.8, -1.05), (-0.25, -0.5)),
                 poly((0.95, 0.0), (0.8, -1.05), (0.25, -0.5)))


@motif(26, symmetric=False)
def _():
    return union(rect(-1.05, -0.2, 0.6, 0.6), rect(0.25, -0.9, 1.05, 0.6), rect(-0.75, -1.05, -0.45, -0.15),
                 ellipse(-0.6, 0.75, 0.22, 0.35), ellipse(0.0, 0.75, 0.22, 0.35), ellipse(0.65, 0.75, 0.22, 0.35),
                 poly((-1.05, 0.35), (-1.05, 1.05), (-0.75, 0.35)))


@motif(27)
def _():
    walls = rect(-0.75, -0.3, 0.75, 1.05)
    towers = union(rect(-1.05, -0.75, -0.6, 1.05), rect(0.6, -0.75, 1.05, 1.05), rect(-0.25, -1.05, 0.25, 0.1))
    return minus(union(walls, towers), ellipse(0, 1.0, 0.2, 0.5))


@motif(28)
def _():
    return union(ellipse(0, 0, 0.5, 0.5), star(0, 0, 8, 1.1, 0.45))


@motif(29)
def _():
    return union(ellipse(0, -0.1, 0.45, 1.05), poly((-0.4, 0.2), (-1.05, 1.05), (-0.3, 0.75)),
                 poly((0.4, 0.2), (1.05, 1.05), (0.3, 0.75)), rect(-0.2, 0.7, 0.2, 1.05))


@motif(30)
def _():
    return union(star(0, 0, 4, 1.1, 0.28), star(0, 0, 4, 0.6, 0.25, turn=math.pi / 4))


@motif(31, symmetric=False)
def _():
    cup = poly((-0.6, -1.05), (-0.3, -0.6), (0, -1.05), (0.3, -0.6), (0.6, -1.05), (0.55, -0.2), (0, 0.05),
               (-0.55, -0.2))
    return union(cup, line(0.1, (0, 0), (0, 1.0)), poly((0, 0.9), (-1.05, 0.2), (-0.7, 0.8)),
                 poly((0, 0.7), (1.05, -0.1), (0.6, 0.6)))


@motif(32, symmetric=False)
def _():
    pts = []
    for i in range(80):
        t = i / 79
        a = 3.6 * math.pi * t
        r = 0.15 + 0.9 * t
        pts.append((r * math.cos(a) * 1.0, r * math.sin(a)))
    return line(0.2, *pts)


@motif(34)
def _():
    return union(ellipse(-0.55, -0.4, 0.5, 0.6), ellipse(0.55, -0.4, 0.5, 0.6), ellipse(-0.45, 0.55, 0.4, 0.45),
                 ellipse(0.45, 0.55, 0.4, 0.45), rect(-0.06, -0.6, 0.06, 0.8),
                 line(0.06, (0, -0.6), (-0.25, -1.0)), line(0.06, (0, -0.6), (0.25, -1.0)))


@motif(35)
def _():
    ring = minus(ellipse(0, -0.75, 0.3, 0.3), ellipse(0, -0.75, 0.12, 0.1))
    return union(ring, rect(-0.1, -0.5, 0.1, 1.0), rect(-0.6, -0.35, 0.6, -0.2),
                 line(0.12, (-1.0, 0.3), (-0.7, 0.8), (0, 1.05), (0.7, 0.8), (1.0, 0.3)))


@motif(36, symmetric=False)
def _():
    return union(ellipse(0.0, 0.05, 1.05, 0.3), poly((0.3, 0.0), (-0.2, -1.05), (-0.4, -1.05), (-0.3, 0.0)),
                 poly((0.3, 0.1), (-0.2, 1.05), (-0.4, 1.05), (-0.3, 0.1)), poly((-0.7, 0.0), (-1.05, -0.7),
                                                                                     (-1.05, 0.7)))


@motif(37, symmetric=False)
def _():
    return minus(ellipse(0, 0, 1.1, 1.08), ellipse(0, 0, 0.55, 0.5))


@motif(38)
def _():
    return union(ellipse(-0.45, 0.1, 0.55, 0.45), ellipse(0.45, 0.1, 0.55, 0.45),
                 poly((-1.0, 0.0), (0, -1.05), (1.0, 0.0)), poly((-0.45, 1.05), (0.45, 1.05), (0, 0.4)))


@motif(40)
def _():
    rays = [line(0.05, (0, 0), (1.15 * math.sin(math.pi * k / 6), -1.15 * math.cos(math.pi * k / 6)))
            for k in range(12)]
    return union(ellipse(0, 0, 0.22, 0.4), *rays)


# ---------------------------------------------------------------- fitting a motif to the figures


# Up and down cells of a row are sampled close to the row's middle, so that
# straight top and bottom edges come out straight instead of toothed.
ROW_SPREAD = 0.2
# How much a cell's filled neighbours count against its depth when growing
# or trimming: spikes go first, notches fill first.
NEIGHBOUR_WEIGHT = 0.3


def centre(x, y):
    return 29.0 * (x + 1), 58.0 * y + 29.0 + (1 if is_up(x, y) else -1) * 9.67 * ROW_SPREAD


class DesignFault(Exception):
    pass


def design(level, rim=None, forbidden=frozenset()):
    """The motif's cells. rim None fills the figure; a rim width keeps only
    the band that deep inside its outline (a line drawing of the figure),
    which leaves fewer vertices where six tiles meet. No cell is taken from
    forbidden (the cells under the level's name)."""
    fx, fy, spaces, x0, x1, y0, y1 = FIGURES[level]
    f, want_symmetry = MOTIFS[level]
    if rim is not None:
        solid = f
        f = lambda u, v: min(solid(u, v), rim - solid(u, v))
    total = spaces + 1
    if (fx, fy) in forbidden:
        raise DesignFault("the first tile lies under the name")
    box = [(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1) if (x, y) not in forbidden]
    cx0, _ = centre(x0, y0)
    cx1, _ = centre(x1, y0)
    ya, yb = 58.0 * y0 + 29, 58.0 * y1 + 29

    def norm(x, y):
        px, py = centre(x, y)
        u = 2 * (px - cx0) / (cx1 - cx0) - 1
        v = 2 * (py - ya) / (yb - ya) - 1 if yb > ya else 0
        return u, v

    depth = {c: f(*norm(*c)) for c in box}
    axis2 = x0 + x1
    # A name box off the axis would be mirrored into a second gap; such
    # levels give up their symmetry instead.
    symmetric = want_symmetry and axis2 % 2 == 0 and all((axis2 - x, y) in forbidden for x, y in forbidden)

    inbox = set(box)

    def orbit(c):
        if not symmetric:
            return [c]
        m = (axis2 - c[0], c[1])
        return [c] if m == c else [c, m]

    def orbit_depth(c):
        return min(depth[o] for o in orbit(c))

    def component(cells, start):
        seen = {start}
        todo = [start]
        while todo:
            c = todo.pop()
            for n in edge_neighbours(*c):
                if n in cells and n not in seen:
                    seen.add(n)
                    todo.append(n)
        return seen

    def connected(cells):
        return len(component(cells, (fx, fy))) == len(cells)

    def select(threshold):
        cells = set(c for c in box if orbit_depth(c) > threshold)
        cells.update(orbit((fx, fy)))
        cells = component(cells, (fx, fy))
        if symmetric:
            cells = set(c for c in cells if all(o in cells for o in orbit(c)))
            cells = component(cells, (fx, fy))
            cells = set(c for c in cells if all(o in cells for o in orbit(c)))
            cells.update(orbit((fx, fy)))
        return cells

    # Scale the figure (by its depth threshold) to about the right size.
    lo, hi = -0.6, 0.6
    for _ in range(40):
        mid = (lo + hi) / 2
        if len(select(mid)) > total:
            lo = mid
        else:
            hi = mid
    chosen = select(lo) if abs(len(select(lo)) - total) <= abs(len(select(hi)) - total) else select(hi)

    def extents_ok(cells):
        xs = [c[0] for c in cells]
        ys = [c[1] for c in cells]
        return min(xs) == x0 and max(xs) == x1 and min(ys) == y0 and max(ys) == y1

    # Reach every edge of the box: join the deepest cell of a missing edge by
    # the deepest path.
    for _ in range(8):
        if extents_ok(chosen):
            break
        xs = [c[0] for c in chosen]
        ys = [c[1] for c in chosen]
        targets = []
        if min(xs) > x0: targets = [c for c in box if c[0] == x0]
        elif max(xs) < x1: targets = [c for c in box if c[0] == x1]
        elif min(ys) > y0: targets = [c for c in box if c[1] == y0]
        else: targets = [c for c in box if c[1] == y1]
        # Dijkstra-like: cheapest path (shallow cells cost more) to any target.
        best = {}
        heap = [(0.0, c, None) for c in chosen]
        parent = {}
        for c in chosen:
            best[c] = 0.0
        heapq.heapify(heap)
        goal = None
        tset = set(targets)
        while heap:
            d, c, p = heapq.heappop(heap)
            if d > best.get(c, 1e18):
                continue
            if c in tset:
                goal = c
                break
            for n in edge_neighbours(*c):
                if n in inbox and n not in chosen:
                    nd = d + 1.0 + max(0.0, -depth[n]) * 6
                    if nd < best.get(n, 1e18):
                        best[n] = nd
                        parent[n] = c
                        heapq.heappush(heap, (nd, n, c))
        c = goal
        while c is not None and c not in chosen:
            for o in orbit(c):
                chosen.add(o)
            c = parent.get(c)
        # Mirror paths may need joining too; symmetric sets stay connected
        # because the path's mirror image touches the mirrored start.

    protected = {(fx, fy)}

    def held_neighbours(c):
        return sum(1 for n in edge_neighbours(*c) if n in chosen and n not in orbit(c))

    def removable(c):
        group = orbit(c)
        if any(g in protected for g in group):
            return False
        rest = chosen - set(group)
        if not rest or not extents_ok(rest):
            return False
        return connected(rest)

    guard = 0
    while len(chosen) != total and guard < 2000:
        guard += 1
        if len(chosen) > total:
            excess = len(chosen) - total
            cands = [c for c in chosen if len(orbit(c)) <= excess and c == min(orbit(c)) and removable(c)]
            if not cands:
                cands = [c for c in chosen if c == min(orbit(c)) and removable(c)]
            if not cands:
                raise DesignFault("cannot trim")
            c = min(cands, key=lambda c: (orbit_depth(c) + NEIGHBOUR_WEIGHT * held_neighbours(c), c))
            for o in orbit(c):
                chosen.discard(o)
        else:
            need = total - len(chosen)
            frontier = set()
            for c in chosen:
                for n in edge_neighbours(*c):
                    if n in inbox and n not in chosen:
                        frontier.add(min(orbit(n)))
            cands = [c for c in frontier if len(orbit(c)) <= need and all(o in inbox for o in orbit(c))]
            if not cands:
                cands = list(frontier)
            if not cands:
                raise DesignFault("cannot grow")
            c = max(cands, key=lambda c: (orbit_depth(c) + NEIGHBOUR_WEIGHT * held_neighbours(c), c))
            for o in orbit(c):
                chosen.add(o)
    if len(chosen) != total or not extents_ok(chosen) or not connected(chosen) or (fx, fy) not in chosen:
        raise DesignFault("the figures cannot be met")
    return chosen


def drawn_cells(level):
    cells = set()
    for y, row in DRAWN[level].items():
        for x, ch in enumerate(row):
            if ch in "oF":
                cells.add((x, y))
    return cells


def sketch_cells(level):
    return set((x, y) for y, spans in SKETCHES[level].items() for a, b in spans for x in range(a, b + 1))


# Rim widths tried for a motif, plainest first: the solid figure, then ever
# thinner line drawings of it. A thinner rim reads as the same figure drawn
# in outline; it is chosen only where the challenge would otherwise drop.
RIMS = [None, 0.5, 0.35, 0.25, 0.18, 0.12]


def variants(level):
    """The candidate shapes of a level as (rim, cells), plainest first;
    shapes that would cover the level's name are left out."""
    if level in DRAWN:
        return [(None, drawn_cells(level))]
    if level in SKETCHES:
        return [(None, sketch_cells(level))]
    forbidden = frozenset(forbidden_cells(level))
    found, seen = [], set()
    for rim in RIMS:
        try:
            cells = design(level, rim, forbidden)
        except DesignFault:
            continue
        key = frozenset(cells)
        if key not in seen:
            seen.add(key)
            found.append((rim, cells))
    if not found:
        raise SystemExit(f"level {level}: no variant keeps off the name and meets the figures")
    return found


def figure_faults(level, cells):
    fx, fy, spaces, x0, x1, y0, y1 = FIGURES[level]
    faults = []
    if (fx, fy) not in cells:
        faults.append("no first tile")
    if len(cells) != spaces + 1:
        faults.append(f"{len(cells) - 1} spaces, not {spaces}")
    xs = [c[0] for c in cells]
    ys = [c[1] for c in cells]
    if (min(xs), max(xs), min(ys), max(ys)) != (x0, x1, y0, y1):
        faults.append(f"extents {min(xs)}..{max(xs)} x {min(ys)}..{max(ys)}")
    return faults


def picture(level, cells):
    fx, fy = FIGURES[level][:2]
    rows = []
    for y in range(ROWS):
        row = ""
        for x in range(COLUMNS):
            if (x, y) == (fx, fy):
                row += "F"
            elif (x, y) in cells:
                row += "^" if is_up(x, y) else "v"
            else:
                row += "."
        rows.append(row)
    return rows


def ordered(level, cells):
    fx, fy = FIGURES[level][:2]
    rest = sorted((c for c in cells if c != (fx, fy)), key=lambda c: (c[1], c[0]))
    return [(fx, fy)] + rest


def check(solver, shapes):
    """Solver verdicts, one per shape: (conflicts, difficulty) or None. The
    solver is deterministic, so verdicts are kept beside it and reused."""
    cache_path = os.path.join(os.path.dirname(os.path.abspath(solver)), "design_levels.cache")
    cache = {}
    if os.path.exists(cache_path):
        with open(cache_path) as f:
            for line in f:
                key, _, verdict = line.rstrip("\n").partition("=")
                cache[key] = verdict
    keys = [" ".join(map(str, [v for c in ordered(level, cells) for v in c] + [-1, -1])) for level, cells in shapes]
    todo = sorted(set(k for k in keys if k not in cache))
    if todo:
        out = subprocess.run([solver, "--check"], input="\n".join(todo) + "\n", capture_output=True, text=True,
                             check=True).stdout.split("\n")
        with open(cache_path, "a") as f:
            for key, line in zip(todo, out):
                cache[key] = line
                f.write(f"{key}={line}\n")
    verdicts = []
    for key in keys:
        parts = cache[key].split()
        verdicts.append((int(parts[1]), float(parts[2])) if parts and parts[0] == "ok" else None)
    return verdicts


# ---------------------------------------------------------------- a rising challenge


def spearman(values):
    """Rank correlation of values with their position (ties share a rank)."""
    def ranks(xs):
        order = sorted(range(len(xs)), key=lambda i: xs[i])
        r = [0.0] * len(xs)
        i = 0
        while i < len(order):
            j = i
            while j + 1 < len(order) and xs[order[j + 1]] == xs[order[i]]:
                j += 1
            for k in range(i, j + 1):
                r[order[k]] = (i + j) / 2.0
            i = j + 1
        return r
    a, b = ranks(list(range(len(values)))), ranks(values)
    ma, mb = sum(a) / len(a), sum(b) / len(b)
    cov = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    va = math.sqrt(sum((x - ma) ** 2 for x in a))
    vb = math.sqrt(sum((y - mb) ** 2 for y in b))
    return cov / (va * vb) if va and vb else 0.0


# Difficulty points a level may fall below the one before it, weighed against
# one step of drawing a figure thinner than it needs to be.
DROP_WEIGHT = 4.0
THINNING_COST = 1.0
# The same trade in rank correlation, for the polishing pass.
RANK_THINNING_COST = 0.0005
# The closing stretch (36..40) should be no easier than any level of 1..30.
# Level 40's figures rule that out: 64 spaces stretched over 23 columns and
# all 11 rows leave it thin arms and no dense core, so it tops out near 100
# while levels 29 and 30 (72 spaces) cannot go below about 125.
STRETCH_FIRST, STRETCH_AFTER = 36, 30
STRETCH_EXEMPT = {40}


def choose_variants(candidates):
    """Picks one variant per named level so the difficulty climbs: the
    cheapest path through the levels, where a variant costs its thinning and
    every drop below the previous level's difficulty costs its size. Levels
    1..30 keep to variants no harder than the closing stretch can reach.
    candidates: level -> [(index, difficulty)]; returns level -> index."""
    ceiling = min(max(d for _, d in candidates[lv]) for lv in range(STRETCH_FIRST, 41) if lv not in STRETCH_EXEMPT)
    allowed = {}
    for lv, options in candidates.items():
        if lv <= STRETCH_AFTER:
            under = [(i, d) for i, d in options if d <= ceiling]
            options = under or [min(options, key=lambda o: o[1])]
        elif lv >= STRETCH_FIRST and lv not in STRETCH_EXEMPT:
            options = [(i, d) for i, d in options if d >= ceiling] or options
        allowed[lv] = options
    levels = sorted(allowed)
    best = {i: (THINNING_COST * i, [i]) for i, _ in allowed[levels[0]]}
    previous = dict(allowed[levels[0]])
    for level in levels[1:]:
        step = {}
        for i, d in allowed[level]:
            options = []
            for j, (cost, path) in best.items():
                options.append((cost + THINNING_COST * i + DROP_WEIGHT * max(0.0, previous[j] - d), path + [i]))
            step[i] = min(options)
        best, previous = step, dict(allowed[level])
    _, path = min(best.values())
    chosen = dict(zip(levels, path))
    # The path only sees neighbours; polish the whole order: change one
    # level's variant at a time while that raises the rank correlation.
    difficulty = {lv: dict(allowed[lv]) for lv in levels}

    def score(pick):
        values = [difficulty[lv][pick[lv]] for lv in levels]
        return spearman(values) - RANK_THINNING_COST * sum(pick.values())

    current = score(chosen)
    improved = True
    while improved:
        improved = False
        for lv in levels:
            for i, _ in allowed[lv]:
                trial = {**chosen, lv: i}
                value = score(trial)
                if value > current + 1e-9:
                    chosen, current, improved = trial, value, True
    return chosen


# ---------------------------------------------------------------- placing the names

# Letters shorter than this (outline and shadow included) stop being easy to
# read; taller than the most a frame's band holds they crowd the puzzle.
MIN_INK_H = 22
MAX_INK_H = 34
# Pixels of letter height worth one cell the figure has to move.
HEIGHT_PER_CELL = 8
# The media generator's outline (2.5 each side) and shadow (2) around the letters.
INK_RIM = 7


def ink_width(text, h):
    """About how wide the name is when its ink is h pixels tall; the media
    generator narrows the letters a little when the estimate falls short."""
    cap = max(1.0, h - INK_RIM)
    units = sum(0.34 if c == " " else 0.40 if c == "I" else 1.08 if c in "MW" else 0.80 for c in text)
    return int(math.ceil(1.08 * cap * units + INK_RIM))


def box_candidates(n):
    name = NAMES[n]
    left, right = name.x + 2, min(name.x + NAME_FRAME_W - 2, NAME_VISIBLE_RIGHT)
    top, bottom = name.y + 1, name.y + NAME_FRAME_H - 1
    # Whole-frame boxes, and boxes inside one row's band, clear of the tiles
    # of the rows above and below.
    bands = [(top, bottom)]
    for r in range(ROWS):
        t, b = max(top, 58 * r + 5), min(bottom, 58 * r + 53)
        if b - t >= MIN_INK_H:
            bands.append((t, b))
    seen = set()
    for t, b in bands:
        for h in range(min(b - t, MAX_INK_H), MIN_INK_H - 1, -2):
            w = ink_width(name.text, h)
            if w > right - left:
                continue
            for y in sorted({t, (t + b - h) // 2, b - h}):
                for x in sorted(set(range(left, right - w + 1, 8)) | {right - w}):
                    if (x, y, h) not in seen:
                        seen.add((x, y, h))
                        yield (x, y, x + w, y + h)


def place_name(n, cells):
    """The letter box that best trades the shape's cells it covers against
    the letters' height, then the nearest the frame's left edge."""
    name = NAMES[n]
    tris = [(c, tile_triangle(*c)) for c in cells]
    best = None
    for box in box_candidates(n):
        covered = sum(1 for _, tri in tris if triangle_meets_box(tri, box, NAME_CLEARANCE))
        key = (HEIGHT_PER_CELL * covered - (box[3] - box[1]), abs(box[0] - name.x - 4), box[1])
        if best is None or key < best[0]:
            best = (key, box)
    if best is None:
        raise SystemExit(f"level {n}: no letter box fits its frame")
    box = best[1]
    covered = sum(1 for _, tri in tris if triangle_meets_box(tri, box, NAME_CLEARANCE))
    return covered, (box[0] - name.x, box[1] - name.y, box[2] - box[0], box[3] - box[1])


def plain_shape(level):
    if level in DRAWN:
        return drawn_cells(level)
    if level in SKETCHES:
        return sketch_cells(level)
    return design(level)


# ---------------------------------------------------------------- reading and writing levels.cpp


def read_layouts():
    with open(LEVELS_SOURCE) as f:
        text = f.read()
    layouts = {}
    for ident, body in re.findall(r"constexpr DataItem (LEVEL_\w+)\[\] = \{([^}]*)\};", text):
        nums = [int(v) for v in re.findall(r"-?\d+", body)]
        pairs = list(zip(nums[0::2], nums[1::2]))
        level = -1 if ident == "LEVEL_TUTORIAL" else int(ident.split("_")[1])
        layouts[level] = set(pairs[:pairs.index((-1, -1))])
    return layouts


def write_levels(path, designs):
    lines = [
        "// The level layouts: for each level the first tile's cell, then the puzzle",
        "// spaces, as (column, row) pairs ended by (-1, -1). Made by",
        "// tools/solver/design_levels.py, which keeps every space off the level's",
        "// name (game/play/level_names.h) and checks every level solvable.",
        '#include "game/puzzle/rules.h"',
        "",
        "namespace {",
        "",
    ]
    for level, cells in designs.items():
        ident = "LEVEL_TUTORIAL" if level < 0 else f"LEVEL_{level}"
        lines.append(f"// {label(level)}")
        for row in picture(level, cells):
            if row.strip("."):
                lines.append(f"//   {row}")
        cells_in_order = ordered(level, cells)
        lines.append(f"constexpr DataItem {ident}[] = {{")
        pairs = [f"{x}, {y}" for x, y in cells_in_order] + ["-1, -1"]
        for i in range(0, len(pairs), 10):
            chunk = ",  ".join(pairs[i:i + 10])
            lines.append(f"    {chunk},")
        lines.append("};")
        lines.append("")
    lines += [
        "#define LAYOUT(items) DataList{items, sizeof(items) / sizeof(items[0])}",
        "const DataList LAYOUTS[] = {",
        "    LAYOUT(LEVEL_TUTORIAL),",
    ]
    lines += [f"    LAYOUT(LEVEL_{n})," for n in range(0, 41)]
    lines += [
        "};",
        "#undef LAYOUT",
        "",
        "}  // namespace",
        "",
        "DataList level_layout(int lvl) {",
        "    // Callers keep to -1..40; anything else is an index fault.",
        "    if (lvl < FIRST_LEVEL || lvl > LAST_LEVEL) array_index_fault(\"level layout\", lvl, 0, 0, 0);",
        "    return LAYOUTS[lvl - FIRST_LEVEL];",
        "}",
    ]
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


# ---------------------------------------------------------------- commands


def print_shape(level, cells, verdict, note=""):
    faults = figure_faults(level, cells)
    under = forbidden_cells(level) & cells
    if under:
        faults.append(f"{len(under)} cells under the name")
    result = f"ok, difficulty {verdict[1]:.1f}" if verdict else "UNSOLVABLE"
    print(f"level {level}: {label(level)}  [{result}] {note}{' '.join(faults)}")
    for row in picture(level, cells):
        if row.strip("."):
            print("   ", row)
    return not faults and verdict is not None


def rising_summary(difficulty):
    named = [difficulty[n] for n in range(1, 41)]
    print(f"rank correlation of level and difficulty over 1..40: {spearman(named):.3f}")
    ceiling = max(named[:30])
    low = [n for n in range(36, 41) if difficulty[n] < ceiling]
    print(f"hardest of 1..30: {ceiling:.1f}; last five easier than that: {low or 'none'}")


def names_report(solver, png):
    """Per named level of the game's layouts: the cells over the name's ink
    (as empty sockets and as filled tiles), the ink pixels the filled tiles
    hide, and the difficulty."""
    layouts = read_layouts()
    ink = name_ink(png)
    verdicts = check(solver, [(lv, layouts[lv]) for lv in range(1, 41)])
    difficulty = {}
    print("level name            sockets-over tiles-over ink-hidden difficulty")
    total = 0

    def over(tris, pixels):
        return [t for t in tris if any(point_in_triangle(t, p[0] + 0.5, p[1] + 0.5) for p in pixels)]

    for lv, verdict in zip(range(1, 41), verdicts):
        box = (min(p[0] for p in ink[lv]), min(p[1] for p in ink[lv]),
               max(p[0] for p in ink[lv]) + 1, max(p[1] for p in ink[lv]) + 1)
        near = [c for c in layouts[lv] if triangle_meets_box(tile_triangle(*c), box, 1)]
        tiles = [tile_triangle(*c) for c in near]
        hidden = [p for p in ink[lv] if any(point_in_triangle(t, p[0] + 0.5, p[1] + 0.5) for t in tiles)]
        sockets = over([socket_triangle(*c) for c in near], hidden)
        total += len(hidden)
        difficulty[lv] = verdict[1] if verdict else 0.0
        print(f"{lv:5d} {NAMES[lv].text:<15s} {len(sockets):12d} {len(over(tiles, hidden)):10d} {len(hidden):10d} "
              f"{difficulty[lv]:10.1f}")
    print(f"ink pixels hidden in all: {total}")
    rising_summary(difficulty)


def place_names():
    boxes = {}
    for n in range(1, 41):
        covered, box = place_name(n, plain_shape(n))
        boxes[n] = box
        print(f"level {n:2d} {NAMES[n].text:<15s} box {box}  over {covered} cells of the plain figure")
    write_name_boxes(boxes)
    print("level_names.h written")


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    solver = sys.argv[1]
    if "--names-report" in sys.argv:
        names_report(solver, sys.argv[sys.argv.index("--names-report") + 1])
        return
    if "--place-names" in sys.argv:
        place_names()
        return
    if "--level" in sys.argv:
        lv = int(sys.argv[sys.argv.index("--level") + 1])
        found = variants(lv)
        for (rim, cells), verdict in zip(found, check(solver, [(lv, c) for _, c in found])):
            print_shape(lv, cells, verdict, f"rim {rim} ")
        return
    found = {lv: variants(lv) for lv in range(-1, 41)}
    flat = [(lv, i, cells) for lv in found for i, (_, cells) in enumerate(found[lv])]
    verdicts = dict(((lv, i), v) for (lv, i, _), v in zip(flat, check(solver, [(lv, c) for lv, _, c in flat])))
    candidates = {lv: [(i, verdicts[(lv, i)][1]) for i in range(len(found[lv])) if verdicts[(lv, i)]]
                  for lv in range(1, 41)}
    for lv, options in candidates.items():
        if not options:
            raise SystemExit(f"level {lv}: no solvable variant")
    chosen = choose_variants(candidates)
    chosen[-1] = chosen[0] = 0
    designs, difficulty, failed = {}, {}, False
    for lv in range(-1, 41):
        rim, cells = found[lv][chosen[lv]]
        verdict = verdicts[(lv, chosen[lv])]
        designs[lv] = cells
        difficulty[lv] = verdict[1] if verdict else 0.0
        failed |= not print_shape(lv, cells, verdict, "" if rim is None else f"(drawn with rim {rim}) ")
    rising_summary(difficulty)
    if "--write" in sys.argv:
        if failed:
            raise SystemExit("not written: every level must meet its figures, keep off its name and be solvable")
        write_levels(LEVELS_SOURCE, designs)
        print("levels.cpp written")


if __name__ == "__main__":
    main()
