#!/usr/bin/env python3
"""Draws Echoview's icon (a small live graph) and writes it as a Windows .ico file.

Nine images: 48, 32 and 16 pixels, each in 16 colours, 24-bit and 32-bit (with
alpha). Usage: make_icon.py OUTPUT.ico, or make_icon.py --check EXISTING.ico to
fail when the file differs from what this script draws.
"""
import struct
import sys

SIZES = (48, 32, 16)
DEPTHS = (4, 24, 32)

WHITE = (255, 255, 255)
FRAME = (64, 64, 64)
GRID = (192, 192, 192)
AXIS = (0, 0, 0)
CURVE = (0, 34, 204)
MARKER = (143, 162, 254)

# The standard 16-colour VGA palette, as every Windows version has it.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]

# Round-trip times of the drawn samples, as fractions of the plot height (0 = bottom).
SAMPLES = (0.35, 0.45, 0.30, 0.55, 0.50, 0.75, 0.60, 0.40, 0.50, 0.65, 0.55)


def draw(size):
    """Pixels of one image, rows top to bottom, each pixel (r, g, b) or None for transparent."""
    pix = [[None] * size for _ in range(size)]
    last = size - 1
    corner = max(1, size // 12)
    for y in range(size):
        for x in range(size):
            dx = max(corner - x, x - (last - corner), 0)
            dy = max(corner - y, y - (last - corner), 0)
            if dx * dx + dy * dy > corner * corner:
                continue
            edge = x in (0, last) or y in (0, last) or dx * dx + dy * dy > (corner - 1) ** 2 and (dx or dy)
            pix[y][x] = FRAME if edge else WHITE

    unit = max(1, size // 16)
    top, bottom = 2 * unit + 1, size - 2 * unit - 2
    left, axis = 2 * unit, size - 4 * unit - 1
    for fraction in (0.25, 0.5, 0.75):
        y = round(bottom - fraction * (bottom - top))
        for x in range(left, axis):
            pix[y][x] = GRID
    for y in range(top - unit, bottom + 1):
        for t in range(unit):
            pix[y][axis + t] = AXIS

    def value_y(fraction):
        return round(bottom - fraction * (bottom - top))

    # Average as a staircase over groups of samples.
    step = (axis - left) / len(SAMPLES)
    groups = [SAMPLES[i:i + 3] for i in range(0, len(SAMPLES), 3)]
    x = left
    prev = None
    for group in groups:
        width = round(step * len(group))
        y = value_y(sum(group) / len(group))
        if prev is not None:
            for yy in range(min(prev, y), max(prev, y) + 1):
                for t in range(unit):
                    pix[yy][x + t] = CURVE
        for xx in range(x, min(x + width + unit, axis)):
            for t in range(unit):
                pix[y + t][xx] = CURVE
        prev = y
        x += width

    # Sample markers: a plus sign each, a single dot at the smallest size.
    for i, fraction in enumerate(SAMPLES):
        cx = round(left + step * (i + 0.5))
        cy = value_y(fraction) - 2 * unit if i % 2 else value_y(fraction) + 2 * unit
        cy = min(max(cy, top), bottom)
        arm = 1 if size >= 32 else 0
        for ox, oy in ((0, 0), (-arm, 0), (arm, 0), (0, -arm), (0, arm)):
            if left <= cx + ox < axis:
                pix[cy + oy][cx + ox] = MARKER
    return pix


def nearest_vga(rgb):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(rgb, VGA[i])))


def row_bytes(bits, size):
    return ((bits * size + 31) // 32) * 4


def and_mask(pix, size):
    out = bytearray()
    for row in reversed(pix):
        line = bytearray(row_bytes(1, size))
        for x, p in enumerate(row):
            if p is None:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return out


def dib(pix, size, depth):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, depth, 0, 0, 0, 0,
                         16 if depth == 4 else 0, 0)
    body = bytearray()
    if depth == 4:
        for r, g, b in VGA:
            body += bytes((b, g, r, 0))
    for row in reversed(pix):
        line = bytearray()
        if depth == 4:
            idx = [0 if p is None else nearest_vga(p) for p in row]
            for x in range(0, size, 2):
                line.append((idx[x] << 4) | (idx[x + 1] if x + 1 < size else 0))
        else:
            for p in row:
                r, g, b = p if p is not None else (0, 0, 0)
                line += bytes((b, g, r))
                if depth == 32:
                    line.append(0 if p is None else 255)
        line += bytes(row_bytes(depth, size) - len(line))
        body += line
    return header + body + and_mask(pix, size)


def icon():
    images = []
    for depth in DEPTHS:
        for size in SIZES:
            images.append((size, depth, dib(draw(size), size, depth)))
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, depth, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16 if depth == 4 else 0, 0, 1, depth, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def main(argv):
    if len(argv) == 3 and argv[1] == '--check':
        with open(argv[2], 'rb') as f:
            if f.read() != icon():
                print(f'{argv[2]} is out of date: run scripts/make_icon.py {argv[2]}', file=sys.stderr)
                return 1
        return 0
    if len(argv) != 2:
        print('usage: make_icon.py OUTPUT.ico | --check EXISTING.ico', file=sys.stderr)
        return 2
    with open(argv[1], 'wb') as f:
        f.write(icon())
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
