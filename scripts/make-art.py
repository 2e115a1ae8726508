#!/usr/bin/env python3
"""Regenerates the pictures Tessiva embeds: assets/tessiva.ico, assets/hand.cur and
assets/preview.jpg.

Everything is drawn here in plain Python so the art lives in version control as code;
ImageMagick's `convert` is used only to encode the preview as JPEG. The output is
byte-identical from run to run (no timestamps, no unseeded randomness), so rerunning
the script on an unchanged tree leaves git clean.

Usage: scripts/make-art.py [output-dir]   (default: the repository's assets/)
"""

import math
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# ---------------------------------------------------------------------------
# 16-colour DIB icons and cursors
# ---------------------------------------------------------------------------

# One palette for the icon and the cursor. Index 0 must stay black: transparent
# pixels carry it in the colour bitmap so that "screen AND mask XOR colour" leaves
# the screen untouched.
PALETTE = [
    (0, 0, 0),        # 0  black
    (26, 30, 40),     # 1  outline
    (50, 56, 68),     # 2  bezel, shadow side
    (76, 84, 98),     # 3  bezel
    (122, 132, 148),  # 4  bezel highlight
    (184, 192, 204),  # 5  silver
    (255, 255, 255),  # 6  white
    (16, 28, 76),     # 7  night blue
    (30, 60, 146),    # 8  deep blue
    (40, 106, 204),   # 9  blue
    (84, 160, 236),   # 10 sky
    (156, 210, 250),  # 11 pale sky
    (248, 146, 40),   # 12 amber: the power light
    (255, 200, 96),   # 13 spare
    (196, 88, 22),    # 14 spare
    (226, 232, 240),  # 15 near white
]

TRANSPARENT = None


def dib_4bpp(pixels):
    """A BITMAPINFOHEADER DIB as stored inside .ico/.cur: header, 16-entry palette,
    4-bpp colour bitmap and 1-bpp AND mask, both bottom-up with rows padded to
    4 bytes. `pixels` is top-down rows of palette indices or TRANSPARENT."""
    h = len(pixels)
    w = len(pixels[0])
    xor_stride = ((w * 4 + 31) // 32) * 4
    and_stride = ((w + 31) // 32) * 4

    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        assert len(row) == w
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, p in enumerate(row):
            index = 0 if p is TRANSPARENT else p
            assert 0 <= index < 16
            if x % 2 == 0:
                line[x // 2] |= index << 4
            else:
                line[x // 2] |= index
            if p is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits

    # The height field covers both bitmaps, hence 2*h.
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def icon_file(images, kind, hotspots=None):
    """An .ico (kind 1) or .cur (kind 2) holding the given top-down pixel grids.
    For cursors the directory entry's planes and bit-count fields carry the hot
    spot instead."""
    dibs = [dib_4bpp(p) for p in images]
    out = bytearray(struct.pack('<HHH', 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for i, (pixels, dib) in enumerate(zip(images, dibs)):
        h = len(pixels)
        w = len(pixels[0])
        if kind == 2:
            field1, field2 = hotspots[i]
        else:
            field1, field2 = 1, 4  # planes, bits per pixel
        out += struct.pack('<BBBBHHII', w % 256, h % 256, 16, 0,
                           field1, field2, len(dib), offset)
        offset += len(dib)
    for dib in dibs:
        out += dib
    return bytes(out)


# Ordered dithering lets the 16-colour screen gradient read as smooth.
BAYER4 = [
    [0, 8, 2, 10],
    [12, 4, 14, 6],
    [3, 11, 1, 9],
    [15, 7, 13, 5],
]


def ramp_index(ramp, t, x, y):
    """Palette index for position t in [0,1] along a ramp of indices, dithered."""
    t = min(max(t, 0.0), 1.0) * (len(ramp) - 1)
    base = int(t)
    if base >= len(ramp) - 1:
        return ramp[-1]
    frac = t - base
    threshold = (BAYER4[y % 4][x % 4] + 0.5) / 16
    return ramp[base + 1] if frac > threshold else ramp[base]


def rounded_rect_sd(px, py, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle; negative inside."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def in_triangle(px, py, a, b, c):
    def side(p1, p2):
        return (px - p2[0]) * (p1[1] - p2[1]) - (p1[0] - p2[0]) * (py - p2[1])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


# The 32-pixel monitor, in pixel coordinates (pixel (x, y) spans x..x+1, y..y+1).
BODY = (1, 3, 31, 25, 3.0)
GLASS = (4, 6, 28, 22)
PLAY = ((13, 9), (13, 19), (21.5, 14))
NECK = (13, 25, 19, 28)
BASE = (8, 28, 24, 31, 1.5)
POWER_LIGHT = (26, 23)
PLAY_FILL = {6, 15}
PLAY_EDGE = 11


def monitor_index(x, y, px, py):
    """Palette index of the 32-pixel monitor at sample (px, py) of pixel (x, y)."""
    bx0, by0, bx1, by1, _ = BODY
    sx0, sy0, sx1, sy1 = GLASS

    # The glass sits on top of the bezel.
    if sx0 <= px < sx1 and sy0 <= py < sy1:
        if in_triangle(px, py, *PLAY):
            # Shading the lower part keeps the triangle from looking flat.
            lower = (py - PLAY[0][1]) / (PLAY[1][1] - PLAY[0][1]) > 0.62
            return 15 if lower else 6
        # Dithered per pixel rather than per sample, so the pattern stays regular.
        t = (y + 0.5 - sy0) / (sy1 - sy0)
        return ramp_index([7, 8, 9, 10, 11], t * 0.92, x, y)

    d = rounded_rect_sd(px, py, *BODY)
    if d < 0:
        if d > -1.0:
            return 1
        # A dark lip frames the glass; the bezel is lit from above.
        if sx0 - 1 <= px < sx1 + 1 and sy0 - 1 <= py < sy1 + 1:
            return 1
        if (x, y) == POWER_LIGHT:
            return 12
        if py < by0 + 2.0:
            return 4
        return 3 if py < (by0 + by1) / 2 else 2

    if NECK[0] <= px < NECK[2] and NECK[1] <= py < NECK[3]:
        return 1 if px < NECK[0] + 1 or px >= NECK[2] - 1 else 3

    d = rounded_rect_sd(px, py, *BASE)
    if d < 0:
        if d > -1.0:
            return 1
        return 5 if py < BASE[1] + 1.5 else 4

    return TRANSPARENT


def render_monitor32(samples=4):
    """Supersamples the shapes, keeping each pixel's most common palette index.
    Under half coverage is transparent, as a 1-bit mask can't do partial alpha;
    where the play triangle only partly covers a pixel it gets a pale edge colour
    instead of a jagged step."""
    rows = []
    n = samples * samples
    for y in range(32):
        row = []
        for x in range(32):
            idx = [monitor_index(x, y, x + (sx + 0.5) / samples, y + (sy + 0.5) / samples)
                   for sy in range(samples) for sx in range(samples)]
            solid = [i for i in idx if i is not TRANSPARENT]
            if len(solid) * 2 < n:
                row.append(TRANSPARENT)
                continue
            mode = max(sorted(set(solid)), key=solid.count)
            play = sum(1 for i in solid if i in PLAY_FILL) / n
            if mode not in PLAY_FILL and play >= 0.3:
                mode = PLAY_EDGE
            row.append(mode)
        rows.append(row)
    return rows


# At 16 pixels geometry can't place edges well, so that size is drawn by hand.
# k outline, h/b/d bezel light/mid/dark, 1-5 glass from dark to light,
# w/n play triangle, s stand top.
MONITOR16 = """\
.kkkkkkkkkkkkkk.
khhhhhhhhhhhhhhk
kb111111111111bk
kb1111w1111111bk
kb2222ww222222bk
kb2222www22222bk
kb3333wwww3333bk
kb3333www33333bk
kb4444nn444444bk
kb4444n4444444bk
kb555555555555bk
kddddddddddddddk
.kkkkkkkkkkkkkk.
......kbbk......
..kssssssssssk..
...kkkkkkkkkk...
"""
MONITOR16_LEGEND = {'.': TRANSPARENT, 'k': 1, 'h': 4, 'b': 3, 'd': 2,
                    '1': 7, '2': 8, '3': 9, '4': 10, '5': 11,
                    'w': 6, 'n': 15, 's': 5}


# The link-hover hand, drawn pixel by pixel: '#' outline, 'o' fill, '.' clear.
# The index fingertip's top edge is row 1, centred on column 12: the hot spot.
HAND = """\
................................
...........###..................
..........#ooo#.................
..........#ooo#.................
..........#ooo#.................
..........#ooo#.................
..........#ooo#.................
..........#ooo####..............
..........#ooo#ooo####..........
..........#ooo#ooo#ooo####......
..........#ooo#ooo#ooo#ooo#.....
..........#ooo#ooo#ooo#ooo#.....
..........#ooooooooooooooo#.....
.....##...#ooooooooooooooo#.....
....#oo#..#ooooooooooooooo#.....
....#ooo#.#ooooooooooooooo#.....
.....#ooo##ooooooooooooooo#.....
.....#oooooooooooooooooooo#.....
......#ooooooooooooooooooo#.....
.......#oooooooooooooooooo#.....
........#ooooooooooooooooo#.....
.........#ooooooooooooooo#......
..........#oooooooooooooo#......
..........#oooooooooooooo#......
..........#oooooooooooooo#......
..........################......
................................
................................
................................
................................
................................
................................
"""
HAND_HOTSPOT = (12, 1)


def grid(text, legend, size):
    rows = [[legend[ch] for ch in line] for line in text.splitlines()]
    assert len(rows) == size and all(len(r) == size for r in rows), 'grid size'
    return rows


# ---------------------------------------------------------------------------
# Preview still
# ---------------------------------------------------------------------------

PREVIEW_W, PREVIEW_H = 153, 115


class Lcg:
    """Tiny fixed generator so grain and stars never depend on Python's own RNG."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 4294967296.0


def hash01(ix, iy, seed=0):
    """Deterministic lattice hash in [0,1) for value noise."""
    h = (ix * 374761393 + iy * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) / 4294967296.0


def value_noise(x, y, seed):
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = x - ix, y - iy
    fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    a, b = hash01(ix, iy, seed), hash01(ix + 1, iy, seed)
    c, d = hash01(ix, iy + 1, seed), hash01(ix + 1, iy + 1, seed)
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy


def fbm(x, y, seed, octaves=4):
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += value_noise(x, y, seed + o) * amp
        norm += amp
        x, y, amp = x * 2.03, y * 2.03, amp * 0.5
    return total / norm


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def smoothstep(e0, e1, x):
    t = min(max((x - e0) / (e1 - e0), 0.0), 1.0)
    return t * t * (3 - 2 * t)


class Dusk:
    """A lakeside dusk: stars, streaky clouds, a setting sun behind layered hills,
    its reflection broken up by ripples, and pines on the near shore."""

    W, H = PREVIEW_W, PREVIEW_H
    WATER = 84.0                    # waterline
    SUN = (97.0, 71.0, 8.5)         # centre x, y, radius
    SKY = [(0.00, (14, 14, 48)), (0.30, (50, 34, 104)), (0.55, (142, 64, 132)),
           (0.78, (236, 118, 96)), (1.00, (255, 200, 124))]

    def __init__(self):
        rng = Lcg(0x7E551A)
        self.stars = {}
        for _ in range(70):
            x, y, b = int(rng.next() * self.W), int(rng.next() * 46), rng.next()
            self.stars[(x, y)] = 0.25 + 0.75 * b * b
        # (x, base y, height, half width) of each pine, left and right shores.
        self.pines = []
        for i, cx in enumerate([3, 10, 16, 23, 31, 130, 137, 143, 150]):
            h = 24 + 14 * rng.next() - (6 if i in (4, 5) else 0)
            x = cx + rng.next() * 2
            self.pines.append((x, self.shore(x) + 1.5, h, 4.2 + rng.next() * 1.5))

    def shore(self, x):
        """Top of the dark near bank, which curves up toward both sides."""
        edge = min(x, self.W - x)
        return 96.0 + 0.012 * edge * edge + 1.2 * math.sin(x * 0.3)

    def sky(self, x, y):
        t = min(max(y / self.WATER, 0.0), 1.0)
        for (t0, c0), (t1, c1) in zip(self.SKY, self.SKY[1:]):
            if t <= t1:
                c = mix(c0, c1, smoothstep(0.0, 1.0, (t - t0) / (t1 - t0)))
                break
        sx, sy, r = self.SUN
        d = math.hypot(x - sx, (y - sy) * 1.3)
        c = mix(c, (255, 232, 186), 0.6 * math.exp(-d / 20.0))
        # Thin cloud streaks, lit from below near the horizon.
        n = fbm(x * 0.035, y * 0.22, 11)
        band = smoothstep(20, 40, y) * (1 - smoothstep(56, 68, y))
        cloud = smoothstep(0.52, 0.72, n) * band
        lit = mix((120, 60, 120), (255, 168, 128), smoothstep(25, 60, y))
        c = mix(c, lit, 0.65 * cloud)
        d = math.hypot(x - sx, y - sy)
        c = mix(c, (255, 248, 226), smoothstep(r + 0.8, r - 0.8, d))
        return c

    @staticmethod
    def ridge(x, base, amp, f1, f2, phase):
        return base - amp * (math.sin(x * f1 + phase) * 0.7 + math.sin(x * f2 + 2.1 * phase) * 0.3)

    def land(self, x, y):
        """Colour above the waterline, hills included."""
        c = self.sky(x, y)
        layers = [
            (self.ridge(x, 70.0, 6.0, 0.050, 0.13, 0.4), (168, 86, 132), 0.55),
            (self.ridge(x, 77.0, 4.5, 0.036, 0.11, 2.2), (104, 52, 112), 0.30),
            (self.ridge(x, 82.0, 2.0, 0.070, 0.19, 4.0), (62, 36, 90), 0.15),
        ]
        for top, col, haze in layers:
            if y >= top:
                # Haze lightens each hill toward its crest and toward the sun.
                glow = math.exp(-abs(x - self.SUN[0]) / 40.0)
                lit = mix(col, (250, 160, 120), haze * (0.4 + 0.6 * glow))
                c = mix(lit, col, smoothstep(top, top + 10.0, y))
        return c

    def pine_cover(self, x, y):
        for cx, base, h, hw in self.pines:
            u = base - y
            if 0 <= u <= h:
                # Tiered branches: the half width saws back in at each tier.
                tier = (u / h * 5.0) % 1.0
                width = hw * (1 - u / h) * (0.65 + 0.35 * (1 - tier)) + 0.4
                if abs(x - cx) <= width:
                    return True
            elif -8 <= u < 0:
                return True if abs(x - cx) < 0.6 else None
        return False

    def colour(self, x, y):
        near = (18, 12, 34)
        if self.pine_cover(x, y) or y >= self.shore(x):
            return near
        if y < self.WATER:
            return self.land(x, y)
        # Water: the mirrored scene, shifted by ripples that grow toward the viewer.
        depth = y - self.WATER
        wob = math.sin(y * 1.7 + math.sin(x * 0.11) * 1.5) * (0.4 + depth * 0.09)
        my = self.WATER - depth * 1.15 - 0.5
        c = self.land(x + wob, my)
        c = mix(c, (36, 30, 78), 0.28 + 0.012 * depth)
        # Glitter on the sun's path.
        sx = self.SUN[0]
        spread = 3.0 + depth * 0.45
        if abs(x - sx) < spread:
            g = hash01(int(x / 2.5), int(y), 5)
            if g > 0.55:
                k = (1 - abs(x - sx) / spread) * (g - 0.55) / 0.45
                c = mix(c, (255, 226, 170), min(1.0, 1.6 * k))
        return c


def render_preview():
    scene = Dusk()
    rng = Lcg(0x5EED)
    img = []
    for y in range(PREVIEW_H):
        row = []
        for x in range(PREVIEW_W):
            acc = [0.0, 0.0, 0.0]
            for sy in (0.25, 0.75):
                for sx in (0.25, 0.75):
                    c = scene.colour(x + sx, y + sy)
                    for k in range(3):
                        acc[k] += c[k] / 4
            star = scene.stars.get((x, y))
            if star:
                acc = list(mix(acc, (255, 250, 236), star))
            # Fine grain hides banding in the long gradients.
            g = (rng.next() - 0.5) * 6.0
            row.append(tuple(int(min(max(v + g, 0.0), 255.0) + 0.5) for v in acc))
        img.append(row)
    return img


def write_ppm(path, img):
    h, w = len(img), len(img[0])
    with open(path, 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (w, h))
        for row in img:
            f.write(bytes(v for px in row for v in px))


def encode_jpeg(ppm, out, quality):
    convert = shutil.which('convert')
    if convert is None:
        sys.exit('make-art: ImageMagick `convert` is needed to encode the preview')
    # Progressive, full-resolution chroma (4:4:4), no metadata so the bytes are stable.
    subprocess.run([convert, str(ppm), '-interlace', 'JPEG',
                    '-sampling-factor', '1x1,1x1,1x1', '-quality', str(quality),
                    '-strip', str(out)], check=True)


# ---------------------------------------------------------------------------


def write(path, data):
    path.write_bytes(data)
    print(f'{path}: {len(data)} bytes')


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / 'assets'
    out.mkdir(parents=True, exist_ok=True)

    icons = [render_monitor32(), grid(MONITOR16, MONITOR16_LEGEND, 16)]
    write(out / 'tessiva.ico', icon_file(icons, kind=1))

    hand = grid(HAND, {'.': TRANSPARENT, '#': 0, 'o': 6}, 32)
    assert hand[HAND_HOTSPOT[1]][HAND_HOTSPOT[0]] == 0
    assert all(p is TRANSPARENT for row in hand[:HAND_HOTSPOT[1]] for p in row)
    write(out / 'hand.cur', icon_file([hand], kind=2, hotspots=[HAND_HOTSPOT]))

    with tempfile.TemporaryDirectory(prefix='make-art-') as tmp:
        ppm = Path(tmp) / 'preview.ppm'
        write_ppm(ppm, render_preview())
        jpg = out / 'preview.jpg'
        encode_jpeg(ppm, jpg, quality=100)
        print(f'{jpg}: {jpg.stat().st_size} bytes')


if __name__ == '__main__':
    main()
