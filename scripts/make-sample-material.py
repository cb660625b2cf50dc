#!/usr/bin/env python3
"""Remake the binary files of the bundled sample exam material.

Writes into exam/aa/ (or the folder given as the first argument):

    17-1.BMP    64x48 24-bit uncompressed BMP
    Cart.jpg    96x72 baseline JFIF JPEG (a shopping cart)
    Tl-10.gif   40x40 GIF89a icon
    P10-11.gif  100x40 GIF89a banner
    Bg14.gif    48x48 GIF89a tiling background (light colours)
    Bjyy.wav    1 second, 8 kHz, 8-bit mono PCM tone

Python 3 standard library only. The output is deterministic, so running
the script again gives byte-identical files. The text files of the
material (index.htm, Ktsc.htm) and the task text (exam/1.txt) are
written by hand and are not produced here.
"""

import math
import os
import struct
import sys
import wave

# ---------------------------------------------------------------------------
# Tiny raster helpers: an image is a list of rows, each a list of (r, g, b).


def new_image(width, height, colour):
    return [[colour] * width for _ in range(height)]


def fill_rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(len(img), y1)):
        row = img[y]
        for x in range(max(0, x0), min(len(row), x1)):
            row[x] = colour


def fill_circle(img, cx, cy, radius, colour):
    for y in range(len(img)):
        for x in range(len(img[0])):
            if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                img[y][x] = colour


def draw_line(img, x0, y0, x1, y1, colour, thickness=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    half = thickness // 2
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        fill_rect(img, x - half, y - half, x - half + thickness,
                  y - half + thickness, colour)


# ---------------------------------------------------------------------------
# BMP


def write_bmp(path, img):
    height = len(img)
    width = len(img[0])
    row_size = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):  # bottom-up
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b"\0" * (row_size - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


# ---------------------------------------------------------------------------
# GIF (palette image, LZW compressed)


def lzw_encode(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buf = 0
    bit_len = 0

    def emit(code, size):
        nonlocal bit_buf, bit_len
        bit_buf |= code << bit_len
        bit_len += size
        while bit_len >= 8:
            out.append(bit_buf & 0xFF)
            bit_buf >>= 8
            bit_len -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, code_size = reset()
    emit(clear, code_size)
    current = ()
    for index in indices:
        candidate = current + (index,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], code_size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << code_size) and code_size < 12:
                code_size += 1
        else:
            emit(clear, code_size)
            table, next_code, code_size = reset()
        current = (index,)
    if current:
        emit(table[current], code_size)
    emit(end, code_size)
    if bit_len:
        out.append(bit_buf & 0xFF)
    return bytes(out)


def write_gif(path, img):
    height = len(img)
    width = len(img[0])
    palette = []
    lookup = {}
    indices = []
    for row in img:
        for colour in row:
            if colour not in lookup:
                lookup[colour] = len(palette)
                palette.append(colour)
            indices.append(lookup[colour])
    if len(palette) > 256:
        raise ValueError("too many colours for a GIF: %d" % len(palette))
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    palette += [(0, 0, 0)] * ((1 << bits) - len(palette))
    min_code_size = max(2, bits)
    data = lzw_encode(indices, min_code_size)

    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | (bits - 1), 0, 0)
    for (r, g, b) in palette:
        out += bytes((r, g, b))
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    out.append(min_code_size)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)  # end of image data
    out.append(0x3B)  # trailer
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------------------
# JPEG (baseline, 4:4:4, typical Huffman tables)

ZIGZAG = [
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
]

LUMA_QUANT = [
    16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99,
]

CHROMA_QUANT = [
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
]

DC_LUMA_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
DC_CHROMA_BITS = [0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0]
DC_VALUES = list(range(12))

AC_LUMA_BITS = [0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D]
AC_LUMA_VALUES = bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f0"
    "2433627282090a161718191a25262728292a3435363738393a434445464748494a"
    "535455565758595a636465666768696a737475767778797a838485868788898a"
    "92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6"
    "c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9"
    "fa")

AC_CHROMA_BITS = [0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77]
AC_CHROMA_VALUES = bytes.fromhex(
    "000102031104052131061241510761711322328108144291a1b1c109233352f0"
    "156272d10a162434e125f11718191a262728292a35363738393a434445464748"
    "494a535455565758595a636465666768696a737475767778797a828384858687"
    "88898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3"
    "c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8"
    "f9fa")


AC_SYMBOLS = {0x00, 0xF0} | {(run << 4) | size
                             for run in range(16) for size in range(1, 11)}
assert sorted(AC_LUMA_VALUES) == sorted(AC_SYMBOLS) == sorted(AC_CHROMA_VALUES)
assert sum(AC_LUMA_BITS) == sum(AC_CHROMA_BITS) == len(AC_SYMBOLS)


def huffman_codes(bits, values):
    """Canonical codes: symbol -> (code, length)."""
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


def scaled_quant(table, quality):
    scale = 5000 // quality if quality < 50 else 200 - 2 * quality
    return [min(255, max(1, (q * scale + 50) // 100)) for q in table]


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.buf = 0
        self.len = 0

    def write(self, code, length):
        self.buf = (self.buf << length) | (code & ((1 << length) - 1))
        self.len += length
        while self.len >= 8:
            byte = (self.buf >> (self.len - 8)) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)  # byte stuffing
            self.len -= 8
        self.buf &= (1 << self.len) - 1

    def flush(self):
        if self.len:
            self.write((1 << (8 - self.len)) - 1, 8 - self.len)


def magnitude(value):
    size = abs(value).bit_length()
    bits = value if value >= 0 else value + (1 << size) - 1
    return size, bits


COS = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)]
       for u in range(8)]


def fdct(block):
    out = [0.0] * 64
    for v in range(8):
        cv = math.sqrt(0.5) if v == 0 else 1.0
        for u in range(8):
            cu = math.sqrt(0.5) if u == 0 else 1.0
            s = 0.0
            for y in range(8):
                cy = COS[v][y]
                row = y * 8
                for x in range(8):
                    s += block[row + x] * COS[u][x] * cy
            out[v * 8 + u] = 0.25 * cu * cv * s
    return out


def write_jpeg(path, img, quality=85):
    height = len(img)
    width = len(img[0])
    planes = ([], [], [])
    for row in img:
        for plane in planes:
            plane.append([])
        for (r, g, b) in row:
            planes[0][-1].append(0.299 * r + 0.587 * g + 0.114 * b)
            planes[1][-1].append(-0.168736 * r - 0.331264 * g + 0.5 * b + 128)
            planes[2][-1].append(0.5 * r - 0.418688 * g - 0.081312 * b + 128)

    quants = [scaled_quant(LUMA_QUANT, quality),
              scaled_quant(CHROMA_QUANT, quality)]
    dc_codes = [huffman_codes(DC_LUMA_BITS, DC_VALUES),
                huffman_codes(DC_CHROMA_BITS, DC_VALUES)]
    ac_codes = [huffman_codes(AC_LUMA_BITS, AC_LUMA_VALUES),
                huffman_codes(AC_CHROMA_BITS, AC_CHROMA_VALUES)]

    writer = BitWriter()
    previous_dc = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for comp in range(3):
                table = 0 if comp == 0 else 1
                plane = planes[comp]
                block = []
                for y in range(8):
                    src = plane[min(by + y, height - 1)]
                    for x in range(8):
                        block.append(src[min(bx + x, width - 1)] - 128)
                coeffs = fdct(block)
                quant = quants[table]
                zz = [int(round(coeffs[ZIGZAG[i]] / quant[ZIGZAG[i]]))
                      for i in range(64)]
                diff = zz[0] - previous_dc[comp]
                previous_dc[comp] = zz[0]
                size, bits = magnitude(diff)
                writer.write(*dc_codes[table][size])
                if size:
                    writer.write(bits, size)
                run = 0
                for i in range(1, 64):
                    if zz[i] == 0:
                        run += 1
                        continue
                    while run > 15:
                        writer.write(*ac_codes[table][0xF0])
                        run -= 16
                    size, bits = magnitude(zz[i])
                    writer.write(*ac_codes[table][(run << 4) | size])
                    writer.write(bits, size)
                    run = 0
                if run:
                    writer.write(*ac_codes[table][0x00])
    writer.flush()

    def segment(marker, payload):
        return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload

    out = bytearray(b"\xFF\xD8")
    out += segment(0xE0, b"JFIF\0" + struct.pack(">BBBHHBB", 1, 1, 1, 72, 72,
                                                   0, 0))
    for tid, quant in enumerate(quants):
        out += segment(0xDB, bytes([tid]) + bytes(quant[ZIGZAG[i]]
                                                  for i in range(64)))
    sof = struct.pack(">BHHB", 8, height, width, 3)
    sof += bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1])
    out += segment(0xC0, sof)
    for (cls_id, bits, values) in ((0x00, DC_LUMA_BITS, DC_VALUES),
                                   (0x10, AC_LUMA_BITS, AC_LUMA_VALUES),
                                   (0x01, DC_CHROMA_BITS, DC_VALUES),
                                   (0x11, AC_CHROMA_BITS, AC_CHROMA_VALUES)):
        out += segment(0xC4, bytes([cls_id]) + bytes(bits) + bytes(values))
    out += segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += writer.out
    out += b"\xFF\xD9"
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------------------
# WAV


def write_wav(path, seconds=1.0, rate=8000, freq=523.25):
    frames = int(seconds * rate)
    data = bytearray()
    fade = rate // 20
    for n in range(frames):
        envelope = min(1.0, n / fade, (frames - 1 - n) / fade)
        value = 0.6 * math.sin(2 * math.pi * freq * n / rate)
        value += 0.2 * math.sin(2 * math.pi * freq * 1.5 * n / rate)
        data.append(int(round(128 + 127 * envelope * value)))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        w.writeframes(bytes(data))


# ---------------------------------------------------------------------------
# The pictures


def picture_landscape():
    """17-1.BMP: sky, sun, hills."""
    img = new_image(64, 48, (135, 206, 235))
    fill_circle(img, 50, 11, 7, (255, 215, 0))
    for x in range(64):
        top = int(32 + 5 * math.sin(x / 9.0))
        fill_rect(img, x, top, x + 1, 48, (34, 139, 34))
    fill_rect(img, 10, 24, 22, 34, (178, 34, 34))
    fill_rect(img, 14, 28, 18, 34, (101, 67, 33))
    return img


def picture_cart():
    """Cart.jpg: a shopping cart on a white ground."""
    img = new_image(96, 72, (255, 255, 255))
    red = (200, 30, 30)
    dark = (60, 60, 60)
    draw_line(img, 6, 12, 18, 12, dark, 3)  # handle
    draw_line(img, 18, 12, 28, 46, dark, 3)
    for y in range(20, 44):  # basket
        left = 22 + (y - 20) // 3
        right = 86 - (y - 20) // 2
        fill_rect(img, left, y, right, y + 1, red)
    for x in range(30, 80, 8):
        draw_line(img, x, 22, x, 42, (255, 230, 230), 1)
    draw_line(img, 28, 50, 74, 50, dark, 3)  # base
    fill_circle(img, 34, 60, 6, dark)  # wheels
    fill_circle(img, 68, 60, 6, dark)
    fill_circle(img, 34, 60, 2, (200, 200, 200))
    fill_circle(img, 68, 60, 2, (200, 200, 200))
    return img


def picture_icon():
    """Tl-10.gif: round icon."""
    img = new_image(40, 40, (255, 255, 255))
    fill_circle(img, 19.5, 19.5, 18, (0, 102, 204))
    fill_circle(img, 19.5, 19.5, 12, (255, 255, 255))
    fill_circle(img, 19.5, 19.5, 7, (255, 153, 0))
    return img


def picture_banner():
    """P10-11.gif: striped banner."""
    img = new_image(100, 40, (255, 255, 204))
    colours = [(204, 0, 0), (255, 153, 0), (0, 153, 0), (0, 102, 204)]
    for i, colour in enumerate(colours):
        fill_rect(img, 8 + i * 22, 8, 26 + i * 22, 32, colour)
    fill_rect(img, 0, 0, 100, 2, (102, 102, 102))
    fill_rect(img, 0, 38, 100, 40, (102, 102, 102))
    return img


def picture_background():
    """Bg14.gif: pale tile that repeats without seams."""
    size = 48
    img = new_image(size, size, (250, 248, 235))
    for y in range(size):
        for x in range(size):
            if (x + y) % 16 == 0 or (x - y) % 16 == 0:
                img[y][x] = (232, 226, 200)
    fill_circle(img, 24, 24, 2, (225, 215, 180))
    return img


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, os.pardir, "exam", "aa")
    os.makedirs(target, exist_ok=True)
    write_bmp(os.path.join(target, "17-1.BMP"), picture_landscape())
    write_jpeg(os.path.join(target, "Cart.jpg"), picture_cart())
    write_gif(os.path.join(target, "Tl-10.gif"), picture_icon())
    write_gif(os.path.join(target, "P10-11.gif"), picture_banner())
    write_gif(os.path.join(target, "Bg14.gif"), picture_background())
    write_wav(os.path.join(target, "Bjyy.wav"))


if __name__ == "__main__":
    main()
