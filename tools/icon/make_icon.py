#!/usr/bin/env python3
# Draws the updater's icon (a white arrow into a tray on a blue tile) and writes
# res/updater.ico with four DIB-form images, plus docs/icon.png to show it.
# Standard library only; run it again after changing the drawing.
import argparse
import os
import struct
import zlib

# (pixels, bits per pixel, samples per pixel side): the images the icon group
# carries, largest first. Smaller images get more samples, so their edges are
# shaded as finely as the large one's.
IMAGES = ((256, 24, 4), (48, 24, 8), (32, 24, 8), (16, 32, 16))

# The drawing is laid out on a 16-unit grid, so that at 16 pixels (and at 32,
# 48, 256) the straight edges fall on pixel boundaries and stay sharp.
GRID = 16.0
TOP = (0x4C, 0x9E, 0xFF)
BOTTOM = (0x15, 0x58, 0xC8)
EDGE = (0x0B, 0x37, 0x85)
INK = (0xFF, 0xFF, 0xFF)
SHADOW = (0x08, 0x2A, 0x6A)


def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x >= x1 or y < y0 or y >= y1:
        return False
    if r <= 0:
        return True
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def in_emblem(x, y, r):
    """The white shapes, in grid units: an arrow pointing down into a tray.
    `r` rounds the tray's corners; 0 keeps the 16-pixel image crisp."""
    if in_round_rect(x, y, 6, 2, 10, 6.5, 0):
        return True
    if in_triangle(x, y, (3, 6), (13, 6), (8, 11)):
        return True
    return (in_round_rect(x, y, 2, 9, 4, 14, r)
            or in_round_rect(x, y, 12, 9, 14, 14, r)
            or in_round_rect(x, y, 2, 12, 14, 14, r))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def render(size, samples):
    """Rows of (r, g, b) tuples, top row first, each pixel the mean of
    samples x samples points."""
    unit = size / GRID
    edge = max(1, size // 64) / unit           # border width in grid units
    rounding = 1.0 if size >= 32 else 0.0
    shadow = 0.35 if size >= 48 else 0.0       # offset of the shadow, grid units
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            for sy in range(samples):
                y = (py + (sy + 0.5) / samples) / unit
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / unit
                    if x < edge or y < edge or x >= GRID - edge or y >= GRID - edge:
                        colour = EDGE
                    elif in_emblem(x, y, rounding):
                        colour = INK
                    else:
                        colour = mix(TOP, BOTTOM, (x + 2 * y) / (3 * GRID))
                        if shadow and in_emblem(x - shadow, y - shadow, rounding):
                            colour = mix(colour, SHADOW, 0.45)
                    acc[0] += colour[0]
                    acc[1] += colour[1]
                    acc[2] += colour[2]
            n = samples * samples
            row.append(tuple(min(255, int(c / n + 0.5)) for c in acc))
        rows.append(row)
    return rows


def dib(rows, bits):
    """The icon-format DIB: header, colour rows bottom-up, then an all-zero AND
    mask (the picture is opaque), every row padded to 4 bytes."""
    size = len(rows)
    colour = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r, 255)) if bits == 32 else bytes((b, g, r))
        line += bytes(-len(line) % 4)
        colour += line
    mask_row = (size + 31) // 32 * 4
    mask = bytes(mask_row * size)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, bits, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + mask


def ico(images):
    """An .ico file over (pixels, bits, dib bytes) images, in the given order."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        side = 0 if size == 256 else size   # 0 stands for 256
        out += struct.pack('<BBBBHHII', side, side, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, _, data in images)


def read_ico(data):
    """The images of an .ico file as (pixels, rows of (r, g, b)), top row first."""
    _, _, count = struct.unpack_from('<HHH', data, 0)
    images = []
    for i in range(count):
        _, _, _, _, _, _, length, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        _, width, _, _, bits, _, _, _, _, _, _ = struct.unpack_from('<IiiHHIIiiII', data, offset)
        step = bits // 8
        stride = (width * step + 3) // 4 * 4
        base = offset + 40
        rows = []
        for y in range(width):
            line = data[base + (width - 1 - y) * stride:]
            rows.append([(line[x * step + 2], line[x * step + 1], line[x * step]) for x in range(width)])
        images.append((width, rows))
    return images


def png(rows):
    """A PNG file (8-bit RGB) of rows of (r, g, b), top row first."""
    height, width = len(rows), len(rows[0])
    raw = b''.join(b'\0' + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9))
            + chunk(b'IEND', b''))


def sheet(images, scale=1, gap=16, background=(0xF2, 0xF2, 0xF2)):
    """The images side by side on a light card, bottoms aligned, each enlarged
    `scale` times by repeating pixels."""
    tallest = max(size for size, _ in images) * scale
    width = gap + sum(size * scale + gap for size, _ in images)
    canvas = [[background] * width for _ in range(tallest + 2 * gap)]
    left = gap
    for size, rows in images:
        top = gap + tallest - size * scale
        for y in range(size * scale):
            for x in range(size * scale):
                canvas[top + y][left + x] = rows[y // scale][x // scale]
        left += size * scale + gap
    return canvas


def main():
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
    parser = argparse.ArgumentParser(description='Draws the icon and writes res/updater.ico and docs/icon.png.')
    parser.add_argument('--ico', default=os.path.join(root, 'res', 'updater.ico'))
    parser.add_argument('--png', default=os.path.join(root, 'docs', 'icon.png'),
                        help='the four images side by side at their own size')
    parser.add_argument('--zoom', help='also write the images enlarged 4 times, to inspect pixels')
    args = parser.parse_args()

    images = [(size, bits, dib(render(size, samples), bits)) for size, bits, samples in IMAGES]
    with open(args.ico, 'wb') as f:
        f.write(ico(images))
    # The pictures are drawn from the written file, so they show what it holds.
    with open(args.ico, 'rb') as f:
        decoded = read_ico(f.read())
    with open(args.png, 'wb') as f:
        f.write(png(sheet(decoded)))
    if args.zoom:
        with open(args.zoom, 'wb') as f:
            f.write(png(sheet([image for image in decoded if image[0] <= 48], scale=4)))


if __name__ == '__main__':
    main()
