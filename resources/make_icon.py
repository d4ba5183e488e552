#!/usr/bin/env python3
"""Draws the Marlinth icon: a red disc carrying a white spiral.

Writes, next to this script:
  marlinth.ico                              16/32/48 px, each in 16 and 256 colours
  marlinth-icon.argb                        the same images as the program shows them
  icons/hicolor/<N>x<N>/apps/marlinth.png   RGBA, N = 16, 32, 48, 256

marlinth-icon.argb holds, for each image of marlinth.ico and in its order, the width and
height (16 bits each, little-endian) and then the pixels, rows top-down, each a 32-bit
little-endian 0xAARRGGBB: what the Linux program turns into its window icon without reading
an icon file.

Standard library only, so anyone can regenerate the artwork:
    python3 make_icon.py
The output is deterministic; rerunning it must not change the files.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Per size: spiral turns, stroke width in pixels and inner start radius.
# Small sizes get fewer, fatter turns and an open centre so the stroke still
# reads as a spiral without anti-aliasing.
LAYOUT = {16: (1.2, 1.65, 0.12), 32: (1.6, 2.7, 0.06),
          48: (1.9, 3.5, 0.04), 256: (2.0, 17.0, 0.03)}
SPIRAL_END = 0.74  # outer end of the spiral, as a fraction of the disc radius

# Disc shading stops, lightest (top left) to darkest (rim).
RED_STOPS = [(246, 78, 66), (218, 28, 32), (150, 6, 16)]
WHITE = (255, 255, 255)

# The 16 standard Windows colours, in their usual order.
WIN16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
         (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
         (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
         (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
W16_MAROON, W16_RED, W16_WHITE = 1, 9, 15

# 256 colours: index 0 is black (under the transparent mask), the rest a grid
# of red shades crossed with blends towards white for the spiral's edges.
SHADES, BLENDS = 15, 17


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def red_shade(t):
    if t < 0.5:
        return lerp(RED_STOPS[0], RED_STOPS[1], t * 2)
    return lerp(RED_STOPS[1], RED_STOPS[2], t * 2 - 1)


def clamp01(v):
    return 0.0 if v < 0 else 1.0 if v > 1 else v


def spiral_distance(x, y, turns, start):
    """Distance from (x, y) to the spiral r = start + b*t, t in [0, end]."""
    end = 2 * math.pi * turns
    b = (SPIRAL_END - start) / end

    def dist(t):
        r = start + b * t
        return math.hypot(x - r * math.cos(t), y - r * math.sin(t))

    phi = math.atan2(y, x) % (2 * math.pi)
    best = min(dist(0.0), dist(end))
    k = -1
    while phi + 2 * math.pi * k <= end + math.pi:
        t = min(max(phi + 2 * math.pi * k, 0.0), end)
        # A few Newton steps on d/dt |S(t) - P|^2 refine the radial guess;
        # every evaluated point lies on the curve, so min() stays an upper bound.
        for _ in range(4):
            best = min(best, dist(t))
            r = start + b * t
            c, s = math.cos(t), math.sin(t)
            px, py = r * c - x, r * s - y
            dx, dy = b * c - r * s, b * s + r * c
            ddx, ddy = -2 * b * s - r * c, 2 * b * c - r * s
            f = px * dx + py * dy
            df = dx * dx + dy * dy + px * ddx + py * ddy
            if df <= 0:
                break
            t = min(max(t - f / df, 0.0), end)
        best = min(best, dist(t))
        k += 1
    return best


def render(size):
    """Per pixel: (disc coverage, spiral coverage, shade 0..1), row-major."""
    turns, stroke_px, start = LAYOUT[size]
    radius_px = size / 2 - 0.25
    px = 1 / radius_px  # one pixel in disc units
    half = stroke_px / 2 * px
    rim = max(1.2 * px, 0.05)
    out = []
    for j in range(size):
        for i in range(size):
            x = (i + 0.5 - size / 2) * px
            y = (j + 0.5 - size / 2) * px
            r = math.hypot(x, y)
            disc = clamp01((1 - r) / px + 0.5)
            spiral = clamp01((half - spiral_distance(x, y, turns, start)) / px + 0.5)
            # Lit from the top left, darker towards the rim for contrast.
            shade = 0.5 + 0.32 * (x + y) / math.sqrt(2)
            shade += 0.5 * clamp01((r - (1 - rim)) / rim)
            out.append((disc, min(spiral, disc), clamp01(shade)))
    return out


def rgba(pixel):
    disc, spiral, shade = pixel
    if disc <= 0:
        return (0, 0, 0, 0)
    colour = lerp(red_shade(shade), WHITE, spiral / disc)
    return tuple(round(c) for c in colour) + (round(disc * 255),)


def png(size, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = bytearray()
    for j in range(size):
        raw.append(0)  # filter: none
        for pixel in pixels[j * size:(j + 1) * size]:
            raw.extend(rgba(pixel))
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def palette256():
    colours = [(0, 0, 0)]
    for s in range(SHADES):
        for w in range(BLENDS):
            colours.append(lerp(red_shade(s / (SHADES - 1)), WHITE, w / (BLENDS - 1)))
    return [tuple(round(c) for c in colour) for colour in colours]


def index16(pixel):
    disc, spiral, shade = pixel
    if spiral >= 0.5:
        return W16_WHITE
    return W16_MAROON if shade >= 0.8 else W16_RED


def index256(pixel):
    disc, spiral, shade = pixel
    blend = round(spiral / disc * (BLENDS - 1))
    return 1 + round(shade * (SHADES - 1)) * BLENDS + blend


def palettized(bpp, pixels):
    """The palette, and each pixel's index in it or None where the mask hides it."""
    palette = WIN16 if bpp == 4 else palette256()
    pick = index16 if bpp == 4 else index256
    # Binary transparency: a pixel is opaque when the disc covers half of it.
    return palette, [pick(p) if p[0] >= 0.5 else None for p in pixels]


def ico_image(size, bpp, pixels):
    """A palettized DIB with AND mask, as stored inside an .ico."""
    palette, indices = palettized(bpp, pixels)
    # Masked pixels get index 0, black in both palettes, as the mask requires.
    xor_stride = (size * bpp + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor, mask = bytearray(), bytearray()
    for j in reversed(range(size)):  # DIB rows run bottom-up
        row = indices[j * size:(j + 1) * size]
        bits = bytearray(xor_stride)
        for i, v in enumerate(row):
            v = v or 0
            if bpp == 8:
                bits[i] = v
            else:
                bits[i // 2] |= v << (4 if i % 2 == 0 else 0)
        xor += bits
        bits = bytearray(and_stride)
        for i, v in enumerate(row):
            if v is None:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + bytes(xor) + bytes(mask)


def argb_image(size, bpp, pixels):
    """The same image, unpacked: opaque palette colours, and transparent black."""
    palette, indices = palettized(bpp, pixels)
    out = struct.pack("<HH", size, size)
    for v in indices:
        out += struct.pack("<I", 0 if v is None else
                           0xFF000000 | palette[v][0] << 16 | palette[v][1] << 8 | palette[v][2])
    return out


def ico(images):
    """images: list of (size, bpp, dib bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = len(out) + 16 * len(images)
    for size, bpp, dib in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256,
                           16 if bpp == 4 else 0, 0, 1, bpp, len(dib), offset)
        offset += len(dib)
    return out + b"".join(dib for _, _, dib in images)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    images, argb = [], b""
    for size in sorted(LAYOUT):
        pixels = render(size)
        write(os.path.join(HERE, "icons", "hicolor", "%dx%d" % (size, size),
                           "apps", "marlinth.png"), png(size, pixels))
        if size <= 48:
            for bpp in (4, 8):
                images.append((size, bpp, ico_image(size, bpp, pixels)))
                argb += argb_image(size, bpp, pixels)
    write(os.path.join(HERE, "marlinth.ico"), ico(images))
    write(os.path.join(HERE, "marlinth-icon.argb"), argb)


if __name__ == "__main__":
    main()
