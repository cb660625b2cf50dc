#!/usr/bin/python3
"""The teacher's guide page as built and as a browser draws it.

The page must stand alone on a PC with no network: no script, nothing it
loads from elsewhere (no linked style, font or picture), every picture a
data: address that decodes to one of the guide's own pictures, and every
in-page link pointing at an anchor of the page. Headless Chromium then takes
one picture of the whole page (kept in the build folder and named in the
output), in which each embedded picture must be found drawn pixel for pixel.

usage: guide_page_test.py GUIDE_HTML PICTURE_FOLDER CHROMIUM BUILD_FOLDER
Exits 77 (skipped) when no Chromium is given; the checks of the page itself
have run by then.
"""

import base64
import binascii
import html.parser
import itertools
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import urllib.parse
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Where a page could load something from: these attributes of these tags.
RESOURCE_ATTRIBUTES = {"src", "srcset", "href", "data", "poster", "background", "action",
                       "formaction", "xlink:href"}


def add_bytes(a, b):
    """The bytes of a and b added one by one, modulo 256 (PNG's Up filter),
    as two big numbers whose bytes carry nothing into their neighbours."""
    n = len(a)
    low, high = int.from_bytes(b"\x7f" * n, "big"), int.from_bytes(b"\x80" * n, "big")
    x, y = int.from_bytes(a, "big"), int.from_bytes(b, "big")
    return (((x & low) + (y & low)) ^ ((x ^ y) & high)).to_bytes(n, "big")


def add_left(line, channels):
    """PNG's Sub filter undone: each channel a running sum, modulo 256."""
    out = bytearray(len(line))
    for c in range(channels):
        out[c::channels] = bytes(map((255).__and__, itertools.accumulate(line[c::channels])))
    return bytes(out)


def decode_png(data):
    """(width, height, rows of RGB bytes) of an 8-bit, non-interlaced PNG:
    grey, RGB, palette, grey with alpha or RGBA (alpha dropped; the pictures
    and the screenshot are opaque)."""
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("no PNG signature")
    pos, chunks, idat = 8, {}, []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if zlib.crc32(kind + body) != struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]:
            raise ValueError("bad CRC in chunk %r" % kind)
        if kind == b"IDAT":
            idat.append(body)
        else:
            chunks.setdefault(kind, body)
        pos += 12 + length
        if kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if depth != 8 or interlace != 0:
        raise ValueError("depth %d, interlace %d not read here" % (depth, interlace))
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    rows, previous = [], bytes(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], raw[start + 1:start + 1 + stride]
        if kind == 1:
            line = add_left(line, channels)
        elif kind == 2:
            line = add_bytes(line, previous)
        elif kind in (3, 4):
            line = bytearray(line)
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                up = previous[i]
                if kind == 3:
                    line[i] = (line[i] + (left + up) // 2) & 0xFF
                    continue
                upper_left = previous[i - channels] if i >= channels else 0
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else upper_left
                line[i] = (line[i] + predictor) & 0xFF
            line = bytes(line)
        previous = line
        if colour == 3:
            palette = chunks[b"PLTE"]
            rgb = b"".join(palette[3 * b:3 * b + 3] for b in line)
        elif colour == 2:
            rgb = line
        else:
            out = bytearray(width * 3)
            for c in range(3):
                out[c::3] = line[(c if channels == 4 else 0)::channels]
            rgb = bytes(out)
        rows.append(rgb)
    return width, height, tuple(rows)


class PageReader(html.parser.HTMLParser):
    """Collects what the checks need from the page."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags, self.ids, self.links, self.pictures, self.styles = [], [], [], [], []
        self.loads = []  # (tag, attribute, value) naming something to load
        self._in_style = False

    def handle_starttag(self, tag, attributes):
        self.tags.append(tag)
        for name, value in attributes:
            value = value or ""
            if name == "id":
                self.ids.append(value)
            elif name == "style":
                self.styles.append(value)
            elif name.startswith("on"):
                self.loads.append((tag, name, "a script in an event attribute"))
            elif tag == "a" and name == "href":
                self.links.append(value)
            elif tag == "img" and name == "src":
                self.pictures.append(value)
            elif name in RESOURCE_ATTRIBUTES:
                self.loads.append((tag, name, value))
        self._in_style = tag == "style"

    def handle_endtag(self, tag):
        self._in_style = False

    def handle_data(self, data):
        if self._in_style:
            self.styles.append(data)


def check_page(page_path, picture_folder, failures):
    """The page's own checks; gives the decoded pictures the page embeds."""
    with open(page_path, encoding="utf-8") as f:
        text = f.read()
    reader = PageReader()
    reader.feed(text)
    reader.close()

    def fail(what):
        failures.append(what)

    for tag in ("script", "link", "iframe", "frame", "object", "embed", "base", "audio", "video"):
        if tag in reader.tags:
            fail("the page has a <%s>" % tag)
    if re.search(r"<meta[^>]+http-equiv", text, re.I):
        fail("the page has a <meta http-equiv> (a refresh or a redirect)")
    for tag, attribute, value in reader.loads:
        fail("<%s %s=%r> loads something" % (tag, attribute, value[:60]))
    css = "\n".join(reader.styles)
    for rule in ("@font-face", "@import"):
        if rule in css.lower():
            fail("the style has " + rule)
    for address in re.findall(r"url\(\s*['\"]?([^'\")]*)", css, re.I):
        if not address.startswith("data:"):
            fail("the style loads %s" % address)

    # Each picture is one of the guide's own, inside the page.
    own = {}
    for name in sorted(os.listdir(picture_folder)):
        if name.endswith(".png"):
            with open(os.path.join(picture_folder, name), "rb") as f:
                try:
                    own[decode_png(f.read())] = name
                except ValueError:
                    pass  # a kind this reader skips: the page cannot show it as one of these
    drawn = []
    if not reader.pictures:
        fail("the page shows no picture")
    for source in reader.pictures:
        match = re.fullmatch(r"data:image/png;base64,([A-Za-z0-9+/=]+)", source)
        if not match:
            fail("a picture is not a PNG data: address: %s" % source[:60])
            continue
        try:
            data = base64.b64decode(match.group(1), validate=True)
            picture = decode_png(data)
        except (binascii.Error, ValueError, KeyError, zlib.error, struct.error) as error:
            fail("a picture does not decode: %s" % error)
            continue
        if picture not in own:
            fail("a picture (%dx%d) is none of the guide's pictures" % picture[:2])
            continue
        drawn.append((own[picture], picture))

    # Every in-page link lands on an anchor; nothing else is linked relatively.
    ids = set(reader.ids)
    if len(ids) != len(reader.ids):
        fail("anchors named twice: %s" % sorted({i for i in reader.ids if reader.ids.count(i) > 1}))
    for link in reader.links:
        if link.startswith("#"):
            if urllib.parse.unquote(link[1:]) not in ids:
                fail("the link %s lands nowhere" % link)
        elif not re.match(r"(https?|mailto):", link):
            fail("the link %s names a file beside the page" % link)
    if not any(link.startswith("#") for link in reader.links):
        fail("the page has no contents list")
    return drawn


def screenshot(browser, page_path, shot, height):
    profile = tempfile.mkdtemp(prefix="webexam-guide-")
    try:
        subprocess.run(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + profile, "--force-device-scale-factor=1",
             "--force-color-profile=srgb", "--hide-scrollbars", "--window-size=1000,%d" % height,
             "--screenshot=" + shot, "file://" + os.path.abspath(page_path)],
            capture_output=True, timeout=180)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def find_picture(rows, picture):
    """Where (x, y) the picture is drawn unscaled in the screenshot's rows,
    or None."""
    width, height, picture_rows = picture
    # The row with the most colours finds the fewest false starts.
    key = max(range(height), key=lambda y: len(set(picture_rows[y][i:i + 3]
                                                  for i in range(0, width * 3, 3))))
    wanted = picture_rows[key]
    for y in range(key, len(rows) - (height - key) + 1):
        start = rows[y].find(wanted)
        while start >= 0:
            if start % 3 == 0:
                x = start // 3
                top = y - key
                if all(rows[top + i][3 * x:3 * (x + width)] == picture_rows[i]
                       for i in range(height)):
                    return x, top
            start = rows[y].find(wanted, start + 1)
    return None


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    page_path, picture_folder, browser, build = sys.argv[1:]
    failures = []
    drawn = check_page(page_path, picture_folder, failures)
    if failures or not browser or not os.path.exists(browser):
        for failure in failures:
            print("FAILED:", failure)
        if failures:
            return 1
        print("the page stands alone; no Chromium: the drawing was not checked")
        return 77

    # One picture of the whole page: the window grows until the page's end
    # (a blank band at the bottom) is in it.
    shot = os.path.join(build, "guide_page.png")
    height = 24000
    while True:
        if os.path.exists(shot):
            os.remove(shot)
        screenshot(browser, page_path, shot, height)
        if not os.path.exists(shot):
            print("FAILED: Chromium took no screenshot")
            return 1
        with open(shot, "rb") as f:
            width, shot_height, rows = decode_png(f.read())
        background = rows[-1][:3]
        if all(row == background * width for row in rows[-200:]) or height >= 64000:
            break
        height *= 2
    print("screenshot:", shot)

    if len({row for row in rows}) < 100:
        failures.append("the screenshot is nearly blank")
    places = []
    for name, picture in drawn:
        place = find_picture(rows, picture)
        if place is None:
            failures.append("the picture %s is not drawn (pixel for pixel) on the page" % name)
        else:
            places.append(place)
            print("%s drawn at x=%d, y=%d" % ((name,) + place))
    if len(set(places)) != len(places):
        failures.append("two pictures found at one place")
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
