#!/usr/bin/env python3
"""Level designer: turns each level's motif into lattice cells that meet the
level's fixed figures (first tile cell, number of spaces, column and row
extents), checks every shape with the solver and writes the layout table.

    design_levels.py SOLVER            preview every level and check it
    design_levels.py SOLVER --write    also rewrite game/puzzle/levels.cpp
    design_levels.py SOLVER --level N  preview one level

Motifs live in a normalised box: u runs -1 (left) to 1 (right) across the
level's columns, v -1 (top) to 1 (bottom) across its rows. A motif is a
function giving a depth, positive inside the figure; cells are chosen by
depth, kept edge-connected to the first tile and mirrored when the level's
extents allow it, then grown or trimmed to the exact count.
"""
import math
import os
import subprocess
import sys

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
DRAWN_NAMES = {-1: "First Steps", 0: "Valley", 1: "Ring", 39: "Archipelago"}

# Levels sketched by hand on the lattice, as runs of columns per row, where
# a motif did not come out clean enough.
SKETCHES = {
    3: ("Arrow", {3: [(15, 17)], 4: [(15, 18)], 5: [(6, 19)], 6: [(6, 19)], 7: [(15, 18)], 8: [(15, 17)]}),
    5: ("Fish", {3: [(9, 13), (19, 19)], 4: [(6, 15), (18, 19)], 5: [(4, 18)], 6: [(5, 15), (17, 19)],
                 7: [(8, 12)]}),
    33: ("Pencil", {3: [(1, 3)], 4: [(1, 22)], 5: [(1, 24)], 6: [(1, 22)], 7: [(1, 4)]}),
}

# ---------------------------------------------------------------- geometry


def is_up(x, y):
    return (x + y) % 2 == 0


def edge_neighbours(x, y):
    return [(x - 1, y), (x + 1, y), (x, y + 1) if is_up(x, y) else (x, y - 1)]


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


def motif(level, name, symmetric=True):
    def register(f):
        MOTIFS[level] = (name, f(), symmetric)
        return f
    return register


@motif(2, "Lantern")
def _():
    return union(poly((0, -1.05), (1.05, 0.55), (-1.05, 0.55)), poly((0, 1.05), (1.05, -0.55), (-1.05, -0.55)))


@motif(4, "Goblet")
def _():
    return union(poly((-1.05, -1.05), (1.05, -1.05), (0.6, -0.05), (-0.6, -0.05)), rect(-0.15, -0.2, 0.15, 0.8),
                 poly((-0.75, 1.05), (0.75, 1.05), (0.35, 0.65), (-0.35, 0.65)))


@motif(6, "Thunderbolt", symmetric=False)
def _():
    return poly((-1.05, -1.05), (0.15, -1.05), (-0.15, -0.15), (0.45, -0.15), (1.05, 1.05), (-0.2, 0.25),
                (-0.5, 0.25))


@motif(7, "Bow Tie")
def _():
    return union(poly((-1.05, -1.05), (0.0, -0.1), (0.0, 0.1), (-1.05, 1.05)),
                 poly((1.05, -1.05), (0.0, -0.1), (0.0, 0.1), (1.05, 1.05)), ellipse(0, 0, 0.25, 0.7))


@motif(8, "Diamond")
def _():
    return minus(poly((0, -1.05), (1.05, 0), (0, 1.05), (-1.05, 0)), poly((0, -0.3), (0.3, 0), (0, 0.3), (-0.3, 0)))


@motif(9, "Pine Tree")
def _():
    return union(poly((0, -1.05), (0.6, -0.25), (0.3, -0.25), (1.05, 0.6), (-1.05, 0.6), (-0.3, -0.25),
                      (-0.6, -0.25)), rect(-0.18, 0.5, 0.18, 1.05))


@motif(10, "Crown")
def _():
    return union(rect(-1.05, 0.15, 1.05, 1.05), poly((-1.05, 0.3), (-1.05, -0.7), (-0.45, 0.2)),
                 poly((1.05, 0.3), (1.05, -0.7), (0.45, 0.2)), poly((-0.35, 0.3), (0, -1.05), (0.35, 0.3)))


@motif(11, "Crescent", symmetric=False)
def _():
    return minus(ellipse(0.05, 0, 1.1, 1.08), ellipse(0.75, 0, 0.95, 0.9))


@motif(12, "Heart")
def _():
    return union(ellipse(-0.5, -0.45, 0.55, 0.62), ellipse(0.5, -0.45, 0.55, 0.62),
                 poly((-1.0, -0.25), (1.0, -0.25), (0, 1.05)))


@motif(13, "Key", symmetric=False)
def _():
    return union(minus(ellipse(-0.7, 0.05, 0.36, 1.05), ellipse(-0.7, 0.05, 0.12, 0.32)),
                 rect(-0.4, -0.2, 1.05, 0.35), rect(0.55, 0.2, 0.7, 1.05), rect(0.85, 0.2, 1.05, 1.05),
                 rect(0.2, 0.2, 0.35, 0.8))


@motif(14, "Seagull", symmetric=False)
def _():
    return union(line(0.16, (-1.0, 1.0), (-0.55, -0.95), (0.05, 0.45)), line(0.16, (0.05, 0.45), (0.5, -0.95),
                                                                              (1.0, 1.0)))


@motif(15, "Serpent", symmetric=False)
def _():
    pts = [(-1.0 + 2.0 * i / 40, 0.62 * math.sin(2.6 * math.pi * i / 40 + 0.5)) for i in range(41)]
    return union(line(0.35, *pts), ellipse(-0.9, 0.2, 0.12, 0.7))


@motif(16, "Hourglass")
def _():
    return union(poly((-1.05, -1.05), (1.05, -1.05), (0.08, 0.0), (-0.08, 0.0)),
                 poly((-1.05, 1.05), (1.05, 1.05), (0.08, 0.0), (-0.08, 0.0)))


@motif(17, "Bell")
def _():
    return union(poly((-0.35, -1.05), (0.35, -1.05), (0.6, -0.3), (0.7, 0.3), (1.05, 0.6), (-1.05, 0.6),
                      (-0.7, 0.3), (-0.6, -0.3)), ellipse(0, 0.85, 0.25, 0.35))


@motif(18, "Trophy")
def _():
    cup = poly((-0.65, -1.05), (0.65, -1.05), (0.45, -0.1), (-0.45, -0.1))
    handles = union(minus(ellipse(-0.68, -0.6, 0.37, 0.42), ellipse(-0.68, -0.6, 0.15, 0.18)),
                    minus(ellipse(0.68, -0.6, 0.37, 0.42), ellipse(0.68, -0.6, 0.15, 0.18)))
    return union(cup, handles, rect(-0.12, -0.15, 0.12, 0.6), rect(-0.6, 0.7, 0.6, 1.05))


@motif(19, "Sailboat", symmetric=False)
def _():
    return union(poly((-1.05, 0.5), (1.05, 0.5), (0.7, 1.05), (-0.6, 1.05)),
                 poly((0.05, -1.05), (0.75, 0.4), (0.05, 0.4)), poly((-0.05, -0.7), (-0.05, 0.4), (-0.7, 0.4)))


@motif(20, "Apple", symmetric=False)
def _():
    return union(ellipse(-0.35, 0.2, 0.7, 0.85), ellipse(0.35, 0.2, 0.7, 0.85),
                 line(0.1, (0, -0.6), (0.05, -1.0)), ellipse(0.45, -0.85, 0.35, 0.22))


@motif(21, "Snowflake")
def _():
    arms = [line(0.16, (0, 0), (1.1 * math.sin(math.pi * k / 3), -1.1 * math.cos(math.pi * k / 3))) for k in range(6)]
    return union(ellipse(0, 0, 0.35, 0.35), *arms)


@motif(22, "Comet", symmetric=False)
def _():
    return union(ellipse(-0.72, 0, 0.33, 0.75), poly((-0.75, -0.7), (1.05, -1.05), (0.2, 0.0)),
                 poly((-0.75, 0.7), (1.05, 1.05), (0.2, 0.0)), poly((-0.75, -0.25), (1.05, 0.0), (-0.75, 0.25)))


@motif(23, "Letter W")
def _():
    return union(line(0.14, (-1.0, -1.0), (-0.5, 1.0), (0.0, -0.3)), line(0.14, (1.0, -1.0), (0.5, 1.0), (0.0, -0.3)))


@motif(24, "Cloud")
def _():
    petals = [ellipse(0.55 * math.sin(math.pi * k / 3), -0.55 * math.cos(math.pi * k / 3), 0.45, 0.45)
              for k in range(6)]
    return union(ellipse(0, 0, 0.4, 0.4), *petals)


@motif(25, "Cat")
def _():
    return union(ellipse(0, 0.2, 1.05, 0.85), poly((-0.95, 0.0), (-0.8, -1.05), (-0.25, -0.5)),
                 poly((0.95, 0.0), (0.8, -1.05), (0.25, -0.5)))


@motif(26, "Locomotive", symmetric=False)
def _():
    return union(rect(-1.05, -0.2, 0.6, 0.6), rect(0.25, -0.9, 1.05, 0.6), rect(-0.75, -1.05, -0.45, -0.15),
                 ellipse(-0.6, 0.75, 0.22, 0.35), ellipse(0.0, 0.75, 0.22, 0.35), ellipse(0.65, 0.75, 0.22, 0.35),
                 poly((-1.05, 0.35), (-1.05, 1.05), (-0.75, 0.35)))


@motif(27, "Castle")
def _():
    walls = rect(-0.75, -0.3, 0.75, 1.05)
    towers = union(rect(-1.05, -0.75, -0.6, 1.05), rect(0.6, -0.75, 1.05, 1.05), rect(-0.25, -1.05, 0.25, 0.1))
    return minus(union(walls, towers), ellipse(0, 1.0, 0.2, 0.5))


@motif(28, "Sun")
def _():
    return union(ellipse(0, 0, 0.5, 0.5), star(0, 0, 8, 1.1, 0.45))


@motif(29, "Rocket")
def _():
    return union(ellipse(0, -0.1, 0.45, 1.05), poly((-0.4, 0.2), (-1.05, 1.05), (-0.3, 0.75)),
                 poly((0.4, 0.2), (1.05, 1.05), (0.3, 0.75)), rect(-0.2, 0.7, 0.2, 1.05))


@motif(30, "Compass")
def _():
    return union(star(0, 0, 4, 1.1, 0.28), star(0, 0, 4, 0.6, 0.25, turn=math.pi / 4))


@motif(31, "Tulip", symmetric=False)
def _():
    cup = poly((-0.6, -1.05), (-0.3, -0.6), (0, -1.05), (0.3, -0.6), (0.6, -1.05), (0.55, -0.2), (0, 0.05),
               (-0.55, -0.2))
    return union(cup, line(0.1, (0, 0), (0, 1.0)), poly((0, 0.9), (-1.05, 0.2), (-0.7, 0.8)),
                 poly((0, 0.7), (1.05, -0.1), (0.6, 0.6)))


@motif(32, "Spiral", symmetric=False)
def _():
    pts = []
    for i in range(80):
        t = i / 79
        a = 3.6 * math.pi * t
        r = 0.15 + 0.9 * t
        pts.append((r * math.cos(a) * 1.0, r * math.sin(a)))
    return line(0.2, *pts)


@motif(34, "Butterfly")
def _():
    return union(ellipse(-0.55, -0.4, 0.5, 0.6), ellipse(0.55, -0.4, 0.5, 0.6), ellipse(-0.45, 0.55, 0.4, 0.45),
                 ellipse(0.45, 0.55, 0.4, 0.45), rect(-0.06, -0.6, 0.06, 0.8),
                 line(0.06, (0, -0.6), (-0.25, -1.0)), line(0.06, (0, -0.6), (0.25, -1.0)))


@motif(35, "Anchor")
def _():
    ring = minus(ellipse(0, -0.75, 0.3, 0.3), ellipse(0, -0.75, 0.12, 0.1))
    return union(ring, rect(-0.1, -0.5, 0.1, 1.0), rect(-0.6, -0.35, 0.6, -0.2),
                 line(0.12, (-1.0, 0.3), (-0.7, 0.8), (0, 1.05), (0.7, 0.8), (1.0, 0.3)))


@motif(36, "Aeroplane", symmetric=False)
def _():
    return union(ellipse(0.0, 0.05, 1.05, 0.3), poly((0.3, 0.0), (-0.2, -1.05), (-0.4, -1.05), (-0.3, 0.0)),
                 poly((0.3, 0.1), (-0.2, 1.05), (-0.4, 1.05), (-0.3, 0.1)), poly((-0.7, 0.0), (-1.05, -0.7),
                                                                                     (-1.05, 0.7)))


@motif(37, "Wreath", symmetric=False)
def _():
    return minus(ellipse(0, 0, 1.1, 1.08), ellipse(0, 0, 0.55, 0.5))


@motif(38, "Spade")
def _():
    return union(ellipse(-0.45, 0.1, 0.55, 0.45), ellipse(0.45, 0.1, 0.55, 0.45),
                 poly((-1.0, 0.0), (0, -1.05), (1.0, 0.0)), poly((-0.45, 1.05), (0.45, 1.05), (0, 0.4)))


@motif(40, "Sunburst")
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


def design(level):
    fx, fy, spaces, x0, x1, y0, y1 = FIGURES[level]
    name, f, want_symmetry = MOTIFS[level]
    total = spaces + 1
    box = [(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)]
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
    symmetric = want_symmetry and axis2 % 2 == 0

    def orbit(c):
        if not symmetric:
            return [c]
        m = (axis2 - c[0], c[1])
        return [c] if m == c else [c, m]

    def orbit_depth(c):
        return min(depth[o] for o in orbit(c))

    inbox = set(box)

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
        import heapq
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
                raise SystemExit(f"level {level}: cannot trim")
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
                raise SystemExit(f"level {level}: cannot grow")
            c = max(cands, key=lambda c: (orbit_depth(c) + NEIGHBOUR_WEIGHT * held_neighbours(c), c))
            for o in orbit(c):
                chosen.add(o)
    assert len(chosen) == total, (level, len(chosen), total)
    assert extents_ok(chosen), level
    assert connected(chosen), level
    assert (fx, fy) in chosen
    return name, chosen


def drawn_cells(level):
    cells = set()
    for y, row in DRAWN[level].items():
        for x, ch in enumerate(row):
            if ch in "oF":
                cells.add((x, y))
    return cells


def sketch_cells(level):
    name, runs = SKETCHES[level]
    return name, set((x, y) for y, spans in runs.items() for a, b in spans for x in range(a, b + 1))


def shape_of(level):
    if level in DRAWN:
        return DRAWN_NAMES[level], drawn_cells(level)
    if level in SKETCHES:
        return sketch_cells(level)
    return design(level)


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
    text = ""
    for level, cells in shapes:
        nums = [v for c in ordered(level, cells) for v in c] + [-1, -1]
        text += " ".join(map(str, nums)) + "\n"
    out = subprocess.run([solver, "--check"], input=text, capture_output=True, text=True, check=True).stdout
    return out.split("\n")


def write_levels(path, designs):
    lines = [
        "// The level layouts: for each level the first tile's cell, then the puzzle",
        "// spaces, as (column, row) pairs ended by (-1, -1). Made by",
        "// tools/solver/design_levels.py and checked solvable by the solver.",
        '#include "game/puzzle/rules.h"',
        "",
        "namespace {",
        "",
    ]
    for level, (name, cells) in designs.items():
        ident = "LEVEL_TUTORIAL" if level < 0 else f"LEVEL_{level}"
        lines.append(f"// {name}")
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


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    solver = sys.argv[1]
    levels = list(range(-1, 41))
    if "--level" in sys.argv:
        levels = [int(sys.argv[sys.argv.index("--level") + 1])]
    designs = {lv: shape_of(lv) for lv in levels}
    results = check(solver, [(lv, cells) for lv, (_, cells) in designs.items()])
    failed = False
    for (lv, (name, cells)), result in zip(designs.items(), results):
        faults = figure_faults(lv, cells)
        print(f"level {lv}: {name}  [{result}] {' '.join(faults)}")
        failed |= bool(faults)
        for row in picture(lv, cells):
            if row.strip("."):
                print("   ", row)
        failed |= not result.startswith("ok")
    if "--write" in sys.argv:
        if failed or len(levels) != 42:
            raise SystemExit("not written: every level must be designed and solvable")
        root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        write_levels(os.path.join(root, "game", "puzzle", "levels.cpp"), designs)
        print("levels.cpp written")


if __name__ == "__main__":
    main()
