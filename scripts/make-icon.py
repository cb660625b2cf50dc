#!/usr/bin/env python3
"""Makes src/resources/webexam.ico, the icon of every Windows program: a
white page with a blue title bar and a red tick, at 16, 32 and 48 pixels,
as 32-bit images with an alpha channel. Run it again after changing the
drawing; the icon is kept in the repository.
"""

import os
import struct


def pixel(x, y, size):
    """The colour (r, g, b, a) at the centre of pixel (x, y) of a size-pixel icon."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    # The tick: two strokes, drawn over the page.
    def near(ax, ay, bx, by, width):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((u - ax) * dx + (v - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (u - px) ** 2 + (v - py) ** 2 <= width * width
    stroke = max(0.06, 1.2 / size)
    if near(0.30, 0.58, 0.45, 0.76, stroke) or near(0.45, 0.76, 0.78, 0.38, stroke):
        return (214, 34, 34, 255)
    left, right, top, bottom = 0.14, 0.86, 0.06, 0.94
    if not (left <= u <= right and top <= v <= bottom):
        return (0, 0, 0, 0)
    edge = 1.0 / size
    if u < left + edge or u > right - edge or v < top + edge or v > bottom - edge:
        return (60, 60, 60, 255)
    if v < top + 0.2:
        return (36, 96, 190, 255)
    # Text lines on the page.
    if 0.24 <= u <= 0.76 and any(abs(v - line) < 0.6 / size for line in (0.36, 0.46)):
        return (150, 150, 150, 255)
    return (255, 255, 255, 255)


def image(size):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom up, the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b""
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = 0
        row = b""
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            row += bytes((b, g, r, a))
            if a == 0:
                bits |= 1 << (mask_row_bytes * 8 - 1 - x)
        rows += row
        mask += bits.to_bytes(mask_row_bytes, "big")
    return header + rows + mask


def main():
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(__file__), "..", "src", "resources", "webexam.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
