#!/usr/bin/env python3
"""Draws Paneveil's icons, cursor and banner strip and writes them as .ico, .cur and .bmp.

Run it from anywhere: python3 res/art/make_art.py. Shapes are described in a unit square and
rendered at each size with 4 x 4 supersampling, so every size is drawn, not scaled down.
Only the standard library is used.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- shapes (unit coordinates)

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside

def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= (width / 2) ** 2
    return inside

def arc(cx, cy, r, start, end, width):
    """Stroke of a circle from angle start to end (degrees, counter-clockwise, y up)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        s, e = start % 360, end % 360
        return s <= a <= e if s <= e else (a >= s or a <= e)
    return inside

def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)

def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)

# ---------------------------------------------------------------- rendering

def render(size, layers, samples=4):
    """layers: list of (shape, (r, g, b, a)) painted in order. Returns rows of RGBA."""
    image = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    r = g = b = a = 0.0
                    for shape, (cr, cg, cb, ca) in layers:
                        if shape(x, y):
                            alpha = ca / 255.0
                            r = cr * alpha + r * (1 - alpha)
                            g = cg * alpha + g * (1 - alpha)
                            b = cb * alpha + b * (1 - alpha)
                            a = alpha + a * (1 - alpha)
                    acc[0] += r; acc[1] += g; acc[2] += b; acc[3] += a
            n = samples * samples
            a = acc[3] / n
            if a <= 0:
                image[py][px] = (0, 0, 0, 0)
            else:
                image[py][px] = tuple(int(round(c / n / a)) for c in acc[:3]) + (int(round(a * 255)),)
    return image

# ---------------------------------------------------------------- file formats

def dib_32(image):
    size = len(image)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(image) for (r, g, b, a) in row)
    return header + xor + and_mask([[px[3] == 0 for px in row] for row in image])

def and_mask(transparent):
    size = len(transparent[0])
    stride = ((size + 31) // 32) * 4
    out = b''
    for row in reversed(transparent):
        bits = bytearray(stride)
        for x, t in enumerate(row):
            if t:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

def dib_4(indices):
    """indices: rows of palette indices, None = transparent."""
    size = len(indices)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(bytes((b, g, r, 0)) for (r, g, b) in VGA)
    stride = ((size * 4 + 31) // 32) * 4
    xor = b''
    for row in reversed(indices):
        bits = bytearray(stride)
        for x, i in enumerate(row):
            bits[x // 2] |= (i or 0) << (4 if x % 2 == 0 else 0)
        xor += bytes(bits)
    return header + palette + xor + and_mask([[i is None for i in row] for row in indices])

def dib_1(cells):
    """cells: rows of 'k' black, 'w' white, ' ' transparent."""
    size = len(cells)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    stride = ((size + 31) // 32) * 4
    xor = b''
    for row in reversed(cells):
        bits = bytearray(stride)
        for x, c in enumerate(row):
            if c == 'w':
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(bits)
    return header + palette + xor + and_mask([[c == ' ' for c in row] for row in cells])

def write_group(path, kind, images):
    """images: list of (size, colours-in-entry, planes_or_hotx, bpp_or_hoty, dib)."""
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, a, b, dib in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, a, b, len(dib), offset)
        offset += len(dib)
    out += b''.join(dib for *_, dib in images)
    with open(path, 'wb') as f:
        f.write(out)

def write_icon(name, shapes, sizes):
    write_group(os.path.join(HERE, name), 1,
                [(s, 0, 1, 32, dib_32(render(s, shapes))) for s in sizes])

# ---------------------------------------------------------------- the art

BLUE = (44, 102, 178, 255)
DARK_BLUE = (28, 66, 122, 255)
LIGHT = (238, 244, 252, 255)
WHITE = (255, 255, 255, 255)

def program_icon():
    # Two windows: a solid one behind and a translucent one in front, the program's idea.
    back = rounded_rect(0.04, 0.06, 0.70, 0.66, 0.08)
    back_caption = minus(back, rect(0, 0.20, 1, 1))
    front_outer = rounded_rect(0.30, 0.34, 0.96, 0.94, 0.08)
    front_inner = rounded_rect(0.36, 0.47, 0.90, 0.88, 0.04)
    front_caption = minus(front_outer, rect(0, 0.47, 1, 1))
    return [
        (back, BLUE),
        (back_caption, DARK_BLUE),
        (front_outer, (28, 66, 122, 235)),
        (front_caption, (28, 66, 122, 255)),
        (front_inner, (226, 236, 250, 150)),
    ]

def help_icon():
    mark = union(
        arc(0.5, 0.39, 0.15, -40, 180, 0.12),
        segment(0.5 + 0.15 * math.cos(math.radians(40)), 0.39 + 0.15 * math.sin(math.radians(40)),
                0.5, 0.57, 0.12),
        segment(0.5, 0.57, 0.5, 0.63, 0.12),
        circle(0.5, 0.77, 0.07),
    )
    return [(circle(0.5, 0.5, 0.47), BLUE), (mark, WHITE)]

def folder_icon():
    back = polygon([(0.06, 0.20), (0.36, 0.20), (0.44, 0.28), (0.86, 0.28), (0.86, 0.84), (0.06, 0.84)])
    paper = rect(0.16, 0.34, 0.80, 0.60)
    flap = polygon([(0.22, 0.44), (0.98, 0.44), (0.82, 0.84), (0.06, 0.84)])
    return [(back, (214, 156, 36, 255)), (paper, (250, 250, 250, 255)), (flap, (250, 200, 76, 255))]

def finder_frame(with_crosshair):
    """32 x 32 palette indices: a window with a blue caption, optionally holding the cross-hair."""
    n = 32
    img = [[None] * n for _ in range(n)]
    for y in range(3, 29):
        for x in range(2, 30):
            border = x in (2, 29) or y in (3, 28)
            if border:
                img[y][x] = 0
            elif y <= 8:
                img[y][x] = 12
            else:
                img[y][x] = 15
    for x in range(24, 28):  # close box in the caption
        for y in range(5, 8):
            img[y][x] = 15
    if with_crosshair:
        cx, cy = 15, 18
        for y in range(n):
            for x in range(n):
                d = math.hypot(x - cx, y - cy)
                if 5.5 <= d <= 6.6:
                    img[y][x] = 0
        for d in range(2, 10):
            for x, y in ((cx - d, cy), (cx + d, cy), (cx, cy - d), (cx, cy + d)):
                if 9 <= y <= 27 and 3 <= x <= 28 and d >= 4:
                    img[y][x] = 0
        img[cy][cx] = 9
    return img

def finder_cursor():
    """A ring with tick marks and a centre dot, black with a white halo; hot spot (15, 16)."""
    n = 32
    cx, cy = 15, 16
    black = set()
    for y in range(n):
        for x in range(n):
            if 7.5 <= math.hypot(x - cx, y - cy) <= 8.5:
                black.add((x, y))
    for d in range(5, 13):
        black.update({(cx - d, cy), (cx + d, cy), (cx, cy - d), (cx, cy + d)})
    black.add((cx, cy))
    halo = set()
    for (x, y) in black:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                halo.add((x + dx, y + dy))
    return [''.join('k' if (x, y) in black else 'w' if (x, y) in halo else ' ' for x in range(n))
            for y in range(n)]

BANNER_ROWS = (
    [(96, 133, 182), (100, 136, 184), (112, 145, 189)] + [(113, 146, 190)] * 8 +
    [(112, 145, 189), (107, 141, 187)] + [(96, 133, 182)] * 12 +
    [(87, 120, 165), (78, 108, 148), (83, 115, 158), (87, 120, 165), (90, 125, 171), (93, 129, 177)])

def write_banner(path):
    assert len(BANNER_ROWS) == 31
    pixels = b''.join(bytes((b, g, r, 0)) for (r, g, b) in reversed(BANNER_ROWS))  # 3 bytes + pad
    info = struct.pack('<IiiHHIIiiII', 40, 1, len(BANNER_ROWS), 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(header + info + pixels)

def main():
    write_icon('paneveil.ico', program_icon(), [16, 24, 32, 48, 64])
    write_icon('help.ico', help_icon(), [16, 24, 32, 48])
    write_icon('folder.ico', folder_icon(), [16, 24, 32])
    write_group(os.path.join(HERE, 'finder.ico'), 1, [(32, 16, 1, 4, dib_4(finder_frame(True)))])
    write_group(os.path.join(HERE, 'finder_empty.ico'), 1, [(32, 16, 1, 4, dib_4(finder_frame(False)))])
    write_group(os.path.join(HERE, 'finder.cur'), 2, [(32, 2, 15, 16, dib_1(finder_cursor()))])
    write_banner(os.path.join(HERE, 'banner.bmp'))

if __name__ == '__main__':
    main()
