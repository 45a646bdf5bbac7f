#!/usr/bin/env python3
"""Draws the Cellreel logo (Images/quillmark.png): a quill writing onto a
tilted film strip whose three frames show a bouncing ball.

120 x 100 pixels, 8-bit RGBA, not interlaced. Only the standard library is
used; edges are anti-aliased by 4 x 4 supersampling and the whole mark casts a
soft shadow so that it reads well on the (120, 120, 170) panel.

    python3 Images/make_logo.py [output.png]
"""
import math
import struct
import sys
import zlib

W, H = 120, 100
SS = 4  # samples per pixel along each axis

# Film strip: a rounded band rotated about its centre.
STRIP_CX, STRIP_CY = 60.0, 68.0
STRIP_ANGLE = math.radians(-9.0)
STRIP_HALF_LEN, STRIP_HALF_H = 54.0, 20.0
STRIP_COLOUR = (40, 42, 56)
FRAME_COLOUR = (238, 230, 208)
GROUND_COLOUR = (120, 110, 96)
BALL_COLOUR = (236, 122, 52)
BALL_LIGHT = (255, 206, 150)

# Quill: nib (lower left) to tip (upper right).
NIB = (20.0, 50.0)
TIP = (114.0, 3.0)
VANE_LIGHT = (252, 250, 244)
VANE_SHADE = (206, 210, 228)
SHAFT_COLOUR = (150, 128, 96)
NIB_COLOUR = (34, 34, 44)
NIB_LIGHT = (196, 198, 214)


def to_strip(x, y):
    """Point in the strip's own frame: u along it, v across it (down)."""
    dx, dy = x - STRIP_CX, y - STRIP_CY
    c, s = math.cos(-STRIP_ANGLE), math.sin(-STRIP_ANGLE)
    return dx * c - dy * s, dx * s + dy * c


def in_round_rect(u, v, hx, hy, r):
    qx, qy = abs(u) - (hx - r), abs(v) - (hy - r)
    if qx <= 0 or qy <= 0:
        return abs(u) <= hx and abs(v) <= hy
    return qx * qx + qy * qy <= r * r


def strip_sample(x, y):
    """Colour of the film strip at (x, y), or None outside it / in a hole."""
    u, v = to_strip(x, y)
    if not in_round_rect(u, v, STRIP_HALF_LEN, STRIP_HALF_H, 4.0):
        return None
    # Sprocket holes along both edges let the background through.
    if abs(abs(v) - 16.0) <= 1.8:
        k = (u + STRIP_HALF_LEN) % 8.0
        if 2.5 <= k <= 5.5 and abs(u) < STRIP_HALF_LEN - 2.0:
            return None
    # Three frames, each 32 wide with 3 px between them.
    for i, fc in enumerate((-35.0, 0.0, 35.0)):
        fu, fv = u - fc, v
        if not in_round_rect(fu, fv, 16.0, 12.0, 1.5):
            continue
        # Ground line, then the ball: high left, squashed on the ground, high right.
        if 8.0 <= fv <= 9.5:
            return GROUND_COLOUR
        bx, by, rx, ry = ((-6.0, -3.0, 5.0, 5.0), (0.0, 4.5, 6.2, 3.6), (6.0, -3.0, 5.0, 5.0))[i]
        nx, ny = (fu - bx) / rx, (fv - by) / ry
        d = nx * nx + ny * ny
        if d <= 1.0:
            hx, hy = nx + 0.35, ny + 0.4
            return BALL_LIGHT if hx * hx + hy * hy <= 0.12 else BALL_COLOUR
        # A soft contact shadow on the ground under each ball.
        sx, sy = (fu - bx) / (rx * 0.9), (fv - 7.2) / 0.9
        if sx * sx + sy * sy <= 1.0:
            return (196, 184, 160)
        return FRAME_COLOUR
    return STRIP_COLOUR


def quill_sample(x, y):
    """Colour of the quill at (x, y), or None outside it."""
    ax, ay = NIB
    bx, by = TIP
    lx, ly = bx - ax, by - ay
    length = math.hypot(lx, ly)
    ux, uy = lx / length, ly / length
    px, py = x - ax, y - ay
    t = (px * ux + py * uy) / length      # 0 at the nib, 1 at the tip
    d = px * -uy + py * ux                 # signed distance across the axis
    if t < 0.0 or t > 1.0:
        return None
    # Nib: a dark tapering point.
    if t < 0.10:
        half = 0.3 + t * 16.0 * 0.2
        if abs(d) <= half:
            # A light slit down the middle of the nib.
            return NIB_LIGHT if abs(d) <= 0.35 * half and t > 0.03 else NIB_COLOUR
        return None
    # Vane: asymmetric leaf, wider on the upper side, with two barb notches.
    s = (t - 0.22) / 0.78
    if s > 0.0:
        w_up = 13.0 * math.sin(math.pi * min(1.0, s * 1.05)) ** 0.75
        w_dn = 8.0 * math.sin(math.pi * min(1.0, s * 1.05)) ** 0.9
        # The tip curls slightly towards the upper side.
        dc = d + 2.0 * s * s
        w = w_up if dc < 0 else w_dn
        notch = False
        for nt, side in ((0.45, -1), (0.70, 1), (0.58, 1)):
            if dc * side > 0 and abs(dc) > 0.35 * w:
                along = t - nt - abs(dc) * 0.010
                if 0.0 <= along <= 0.012:
                    notch = True
        if abs(dc) <= w and not notch:
            if abs(d) <= 0.55 + 0.6 * (1.0 - t):
                return SHAFT_COLOUR
            # Barbs: faint diagonal striations and a shaded lower half.
            stripe = ((t * length) + abs(dc) * 0.8) % 3.0 < 0.6
            base = VANE_SHADE if dc > 0 else VANE_LIGHT
            if stripe:
                base = tuple(max(0, c - 14) for c in base)
            return base
    # Bare shaft between nib and vane.
    if abs(d) <= 0.55 + 0.6 * (1.0 - t):
        return SHAFT_COLOUR
    return None


def sample(x, y):
    q = quill_sample(x, y)
    if q is not None:
        return q
    return strip_sample(x, y)


def render():
    n = SS * SS
    colour = [[(0.0, 0.0, 0.0, 0.0)] * W for _ in range(H)]
    for py in range(H):
        for px in range(W):
            r = g = b = a = 0.0
            for sy in range(SS):
                for sx in range(SS):
                    c = sample(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1.0
            colour[py][px] = (r / n, g / n, b / n, a / n)  # premultiplied
    return colour


def box_blur(alpha, radius):
    out = [[0.0] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            s, k = 0.0, 0
            for dx in range(-radius, radius + 1):
                if 0 <= x + dx < W:
                    s += alpha[y][x + dx]
                    k += 1
            out[y][x] = s / k
    res = [[0.0] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            s, k = 0.0, 0
            for dy in range(-radius, radius + 1):
                if 0 <= y + dy < H:
                    s += out[y + dy][x]
                    k += 1
            res[y][x] = s / k
    return res


def with_shadow(colour):
    """Puts a soft dark shadow, offset down and right, under the mark."""
    alpha = [[colour[y][x][3] for x in range(W)] for y in range(H)]
    shifted = [[alpha[y - 2][x - 2] if y >= 2 and x >= 2 else 0.0 for x in range(W)]
               for y in range(H)]
    shadow = box_blur(box_blur(shifted, 1), 1)
    rows = []
    for y in range(H):
        row = bytearray()
        for x in range(W):
            r, g, b, a = colour[y][x]
            sa = 0.38 * shadow[y][x] * (1.0 - a)
            # Shadow colour (20, 20, 40) under the premultiplied mark.
            pr, pg, pb = r + 20 * sa, g + 20 * sa, b + 40 * sa
            out_a = a + sa
            if out_a <= 0.0:
                row += bytes(4)
                continue
            row += bytes((min(255, round(pr / out_a)), min(255, round(pg / out_a)),
                          min(255, round(pb / out_a)), min(255, round(out_a * 255))))
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + r for r in rows)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9))
           + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "Images/quillmark.png"
    write_png(out, with_shadow(render()))
