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
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

from PIL import Image, UnidentifiedImageError
# Where a page could load something from: these attributes of these tags.
RESOURCE_ATTRIBUTES = {"src", "srcset", "href", "data", "poster", "background", "action",
                       "formaction", "xlink:href"}


def decode_png(data):
    """(width, height, rows of RGB bytes) of a PNG picture."""
    image = Image.open(io.BytesIO(data))
    if image.format != "PNG":
        raise ValueError("no PNG picture")
    raw = image.convert("RGB").tobytes()
    stride = image.width * 3
    return image.width, image.height, tuple(raw[y * stride:(y + 1) * stride]
                                            for y in range(image.height))


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
                except (ValueError, UnidentifiedImageError):
                    pass  # not a picture the page could show as one of these
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
        except (binascii.Error, ValueError, OSError) as error:
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
