#!/usr/bin/python3
"""Turns the teacher's guide (Markdown) into one HTML page that stands alone:
the pictures it shows are inside the page as data: addresses, the style is
in the page, and nothing is fetched from elsewhere (no font, no script), so
that the page reads the same in any browser on a PC with no network.

    guide-html.py SOURCE.md OUTPUT.html

Debian's python3-markdown does the Markdown; the same sources make the same
page, byte for byte."""

import base64
import html
import os
import re
import struct
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

STYLE = """
body { max-width: 52em; margin: 2em auto; padding: 0 1em; line-height: 1.7;
       font-family: "Microsoft YaHei", "SimSun", "Noto Sans CJK SC", "AR PL UMing CN", sans-serif;
       color: #222; background: #fff; }
h1 { font-size: 1.8em; border-bottom: 2px solid #444; padding-bottom: .2em; }
h2 { font-size: 1.4em; border-bottom: 1px solid #bbb; margin-top: 2em; }
h3 { font-size: 1.15em; margin-top: 1.5em; }
code { font-family: Consolas, "DejaVu Sans Mono", monospace; background: #f3f3f3;
       padding: 0 .2em; }
pre { background: #f3f3f3; padding: .6em .8em; overflow-x: auto; line-height: 1.4; }
pre code { padding: 0; }
/* A name or a command is not broken at its hyphens, but in the wider columns
   of a table a long one may wrap. */
code { white-space: nowrap; }
td code { white-space: normal; }
td:first-child code { white-space: nowrap; }
pre code { white-space: inherit; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #bbb; padding: .3em .6em; vertical-align: top; text-align: left; }
th { background: #eee; }
img { display: block; max-width: 100%; margin: .6em 0; border: 1px solid #ccc; }
nav { background: #f7f7f7; border: 1px solid #ddd; padding: .5em 1em; }
@media print {
  body { max-width: none; margin: 0; }
  nav { display: none; }
  pre { white-space: pre-wrap; }
  img, pre, tr { break-inside: avoid; }
  h2, h3 { break-after: avoid; }
}
"""

PICTURE_TYPES = {".png": "image/png", ".jpg": "image/jpeg", ".jpeg": "image/jpeg"}


PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# How a PNG's colours are to be taken. The guide's pictures are screenshots,
# already in the screen's colours: without these chunks every browser draws
# them pixel for pixel, as they were taken, where some would correct them.
COLOUR_CHUNKS = {b"gAMA", b"cHRM", b"iCCP", b"sRGB"}


def screen_colours(data, source):
    """The PNG without the chunks that would make a browser change its colours."""
    if not data.startswith(PNG_SIGNATURE):
        sys.exit(f"guide-html: {source} is no PNG picture")
    kept, pos = [PNG_SIGNATURE], len(PNG_SIGNATURE)
    while pos < len(data):
        if pos + 12 > len(data):
            sys.exit(f"guide-html: {source} ends in the middle of a chunk")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        end = pos + 12 + length
        if end > len(data):
            sys.exit(f"guide-html: {source} ends in the middle of a chunk")
        if kind not in COLOUR_CHUNKS:
            kept.append(data[pos:end])
        pos = end
    return b"".join(kept)


def embed_pictures(body, folder):
    """Puts each local picture into the page; a missing one stops the build."""
    def embed(match):
        source = html.unescape(match.group(2))
        if re.match(r"[a-z]+:", source):
            sys.exit(f"guide-html: the picture {source} is not a file beside the guide")
        kind = PICTURE_TYPES.get(os.path.splitext(source)[1].lower())
        if kind is None:
            sys.exit(f"guide-html: {source} is no PNG or JPEG picture")
        with open(os.path.join(folder, source), "rb") as f:
            data = f.read()
        if kind == "image/png":
            data = screen_colours(data, source)
        data = base64.b64encode(data).decode("ascii")
        return f'{match.group(1)}"data:{kind};base64,{data}"'
    return re.sub(r'(<img [^>]*src=)"([^"]*)"', embed, body)


# Chinese characters and punctuation, with the quotation marks and the
# ellipsis Chinese text uses.
WIDE = "\u2018\u2019\u201c\u201d\u2026\u3000-\u30ff\u3400-\u9fff\uff00-\uffef"


def join_wide_lines(body):
    """A line of Chinese broken in the source is one line on the page: the
    line end between two Chinese characters, and the indent of a list item's
    next line, would show as a blank."""
    parts = re.split(r"(<pre>.*?</pre>)", body, flags=re.S)
    return "".join(part if part.startswith("<pre>") else
                   re.sub(f"([{WIDE}])\n[ \t]*([{WIDE}])", r"\1\2", part) for part in parts)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, output = sys.argv[1:]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    converter = markdown.Markdown(extensions=["tables", "fenced_code", "sane_lists", "toc"],
                                  extension_configs={"toc": {"toc_depth": "2-3", "slugify": slugify_unicode}})
    body = embed_pictures(join_wide_lines(converter.convert(text)), os.path.dirname(source) or ".")
    title = re.search(r"<h1[^>]*>(.*?)</h1>", body)
    title = re.sub(r"<[^>]+>", "", title.group(1)) if title else "webexam"
    # The contents go after the title and its opening words, before section 1.
    contents = f'<nav>\n<p><strong>目录</strong></p>\n{converter.toc}</nav>\n'
    first_section = body.find("<h2")
    if first_section >= 0:
        body = body[:first_section] + contents + body[first_section:]
    page = ("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            f"<title>{title}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n{body}\n"
            "</body>\n</html>\n")
    os.makedirs(os.path.dirname(output) or ".", exist_ok=True)
    with open(output + ".part", "w", encoding="utf-8", newline="\n") as f:
        f.write(page)
    os.replace(output + ".part", output)


if __name__ == "__main__":
    main()
