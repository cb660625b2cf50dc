#!/usr/bin/env python3
"""Honest candidates' pages, written from the task's instructions.

Each candidate writes the exam page afresh from what exam/1.txt asks, in a
way of their own: an editor's habits or their own hand (quotes, attribute
order, tags chosen, where things go, extra attributes an editor adds,
indentation and line breaks), and some do only part of the task. Nothing
here knows how pages are compared: the pages are what a room of candidates
working alone might hand in.

    honest_pages.py SEED COUNT FOLDER

writes FOLDER/<n>.htm (GBK), n from 1; the same seed gives the same pages.
"""
import os
import random
import sys

ITEMS = range(1, 23)


class Hand:
    """One candidate's habits."""

    def __init__(self, rng):
        self.rng = rng
        self.quote = rng.choice(['"', '"', '"', "'", ""])
        self.upper_tags = rng.random() < 0.2
        self.upper_attrs = rng.random() < 0.15
        self.indent = rng.choice(["", "  ", "    ", "\t"])
        self.newline = rng.choice(["\r\n", "\r\n", "\n"])
        self.sizes = rng.random() < 0.6  # an editor that writes image sizes
        self.css = rng.random() < 0.25  # styles rather than attributes, where it can
        self.kaiti = rng.choice(["楷体", "楷体_GB2312", "楷体_GB2312"])
        self.shuffle = rng.random() < 0.7  # attributes in the order they were set

    def tag(self, name, attrs, close=False):
        attrs = list(attrs)
        if self.shuffle:
            self.rng.shuffle(attrs)
        name = name.upper() if self.upper_tags else name
        text = "<" + name
        for key, value in attrs:
            key = key.upper() if self.upper_attrs else key
            if value is None:
                text += " " + key
                continue
            quote = self.quote
            if quote == "" and any(c in value for c in " #%:/;="):
                quote = '"'
            text += " %s=%s%s%s" % (key, quote, value, quote)
        text += ">"
        return text

    def end(self, name):
        return "</" + (name.upper() if self.upper_tags else name) + ">"

    def wrap(self, name, attrs, inner):
        return self.tag(name, attrs) + inner + self.end(name)


def img(hand, src, w, h, extra=()):
    attrs = [("src", src)] + list(extra)
    if hand.sizes:
        attrs += [("width", str(w)), ("height", str(h))]
    if hand.rng.random() < 0.3:
        attrs.append(("border", "0"))
    if hand.rng.random() < 0.2:
        attrs.append(("alt", hand.rng.choice(["图片", src.split(".")[0], "pic", "图"])))
    return hand.tag("img", attrs)


def page(rng):
    hand = Hand(rng)
    if rng.random() < 0.45:
        done = set(ITEMS)
    else:
        share = rng.uniform(0.2, 0.95)
        done = {i for i in ITEMS if rng.random() < share}
    lines = []
    add = lines.append
    add(hand.tag("html", []))
    add(hand.tag("head", []))
    if rng.random() < 0.8:
        add(hand.tag("meta", [("http-equiv", "Content-Type"),
                              ("content", "text/html; charset=" + rng.choice(["gb2312", "gbk"]))]))
    if rng.random() < 0.3:
        add(hand.tag("meta", [("name", "GENERATOR"),
                              ("content", rng.choice(["Microsoft FrontPage 4.0",
                                                      "Microsoft FrontPage 6.0",
                                                      "Macromedia Dreamweaver MX"]))]))
    title = "欢迎进入网页天地！" if 21 in done else "无标题文档"
    add(hand.wrap("title", [], title))
    if rng.random() < 0.15:
        add(hand.wrap("style", [("type", "text/css")],
                      rng.choice(["body { margin: 10px; }", "td { font-size: 12px; }",
                                  "p { line-height: 150%; }"])))
    sound_in_head = 19 in done and rng.random() < 0.3
    if sound_in_head:
        add(sound(hand))
    add(hand.end("head"))
    body = []
    if 18 in done:
        body.append(("background", "Bg14.gif"))
    if rng.random() < 0.2:
        body.append(("bgcolor", rng.choice(["#FFFFFF", "#FFFFCC", "#CCFFFF"])))
    if rng.random() < 0.1:
        body += [("leftmargin", "0"), ("topmargin", "0")]
    add(hand.tag("body", body))
    if 19 in done and not sound_in_head and rng.random() < 0.5:
        add(sound(hand))
    if rng.random() < 0.1:
        add("<!-- " + rng.choice(["考生作品", "网页制作", "开始"]) + " -->")

    # The first line, then the picture under it.
    heading = "网页制作题型集锦"
    if 20 in done:
        if hand.css and rng.random() < 0.5:
            add(hand.wrap("p", [("style", "text-align:center; font-family:隶书; font-size:24pt")],
                          heading))
        else:
            font = hand.wrap("font", [("face", "隶书"), ("size", "6")], heading)
            add(rng.choice([hand.wrap("p", [("align", "center")], font),
                            hand.wrap("div", [("align", "center")], font),
                            hand.wrap("center", [], font)]))
    else:
        add(hand.wrap("p", [], heading))
    if 1 in done:
        picture = img(hand, "17-1.BMP", 64, 48)
        add(rng.choice([hand.wrap("p", [("align", "center")], picture),
                        hand.wrap("center", [], picture),
                        hand.wrap("div", [("align", "center")], picture)]))
    if 2 in done:
        if hand.css and rng.random() < 0.5:
            add(hand.tag("hr", [("style", "width:85%; color:#FF0000")] +
                         ([("size", "2")] if rng.random() < 0.5 else [])))
        else:
            attrs = [("width", "85%"), ("color", "#FF0000")]
            if rng.random() < 0.4:
                attrs.append(("size", rng.choice(["1", "2", "3"])))
            if rng.random() < 0.2:
                attrs.append(("noshade", None))
            if rng.random() < 0.3:
                attrs.append(("align", "center"))
            add(hand.tag("hr", attrs))

    text = "表格是网页的骨架"
    if 3 in done:
        if hand.css and rng.random() < 0.5:
            text = hand.wrap("span", [("style", "font-family:%s; color:#0000FF" % hand.kaiti)],
                             hand.wrap("font", [("size", "4")], text))
        else:
            text = hand.wrap("font", [("face", hand.kaiti), ("color", "#0000FF"), ("size", "4")],
                             text)
    if 15 in done:
        mark = rng.choice([hand.wrap("a", [("name", "aaa")], ""),
                           hand.wrap("a", [("name", "aaa")], "") + " ",
                           hand.wrap("a", [("id", "aaa"), ("name", "aaa")], "")])
        text = mark + text
    add(hand.wrap("p", [], text))
    if 14 not in done:
        add(hand.wrap("p", [], "abcd"))

    table = [("border", "2" if 6 in done else "1")]
    if 4 in done:
        table += [("width", "50%"), ("cellpadding", "5")]
    if rng.random() < 0.4:
        table.append(("cellspacing", rng.choice(["0", "1", "2"])))
    if 5 in done:
        table.append(("bgcolor", "#008000"))
    if 6 in done:
        table.append(("bordercolor", "#000000"))
    if 7 in done:
        table += [("bordercolorlight", "#800000"), ("bordercolordark", "#00FF00")]
    if rng.random() < 0.2:
        table.append(("align", "center"))
    add(hand.tag("table", table))
    ind = hand.indent
    row = [("height", "88")] if 8 in done and rng.random() < 0.6 else []
    add(ind + hand.tag("tr", row))
    height_on_cells = 8 in done and not row
    cells = []
    first = img(hand, "Cart.jpg", 96, 72) if 9 in done else "&nbsp;"
    if 9 in done:
        first = hand.wrap("a", [("href", "mailto:webexam@example.com")], first)
    attrs = [("width", "11%")] if 12 in done else []
    cells.append((attrs, first))
    second = hand.wrap("a", [("href", "Ktsc.htm")] +
                       ([("target", "_blank")] if rng.random() < 0.2 else []),
                       "空调市场") if 10 in done else "空调市场"
    cells.append(([("width", "66%")] if 13 in done else [], second))
    third = hand.wrap("a", [("href", "http://www.example.com")] +
                      ([("target", "_blank")] if rng.random() < 0.3 else []),
                      "网页天地") if 11 in done else "网页天地"
    cells.append(([], third))
    for attrs, inner in cells:
        if height_on_cells:
            attrs = attrs + [("height", "88")]
        add(ind * 2 + hand.wrap("td", attrs, inner))
    add(ind + hand.end("tr"))
    add(ind + hand.tag("tr", []))
    add(ind * 2 + hand.wrap("td", [], img(hand, "Tl-10.gif", 40, 40) if 16 in done else "&nbsp;"))
    add(ind * 2 + hand.wrap("td", [], "网页中常用的元素有文字、图片、表格、超链接、背景和声音等，"
                                      "表格可以把它们整齐地排列在页面上。"))
    add(ind * 2 + hand.wrap("td", [],
                            img(hand, "P10-11.gif", 100, 40) if 17 in done else "&nbsp;"))
    add(ind + hand.end("tr"))
    add(hand.end("table"))
    back = hand.wrap("a", [("href", "#aaa")], "返回顶部") if 15 in done else "返回顶部"
    add(hand.wrap("p", [], back))
    if 22 in done:
        attrs = [("direction", "right")]
        if rng.random() < 0.4:
            attrs.append(("behavior", rng.choice(["scroll", "alternate"])))
        if rng.random() < 0.4:
            attrs.append(("scrollamount", str(rng.randint(2, 10))))
        if rng.random() < 0.2:
            attrs.append(("bgcolor", rng.choice(["#FFFF00", "#CCCCCC"])))
        add(hand.wrap("marquee", attrs, "Brenlowe"))
    if 19 in done and not any("Bjyy" in line for line in lines):
        add(sound(hand))
    if rng.random() < 0.15:
        add(hand.wrap("p", [], rng.choice(["&nbsp;", "完成", "谢谢观看"])))
    add(hand.end("body"))
    add(hand.end("html"))
    # Some put things on one line, some break long tags.
    if rng.random() < 0.2:
        lines = [" ".join(lines[i:i + 3]) for i in range(0, len(lines), 3)]
    return hand.newline.join(lines) + hand.newline


def sound(hand):
    rng = hand.rng
    if rng.random() < 0.75:
        return hand.tag("bgsound", [("src", "Bjyy.wav"),
                                    ("loop", rng.choice(["-1", "-1", "infinite"]))])
    return hand.tag("embed", [("src", "Bjyy.wav"), ("loop", "true"), ("hidden", "true"),
                              ("autostart", "true")])


def main():
    seed, count, folder = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    rng = random.Random(seed)
    os.makedirs(folder, exist_ok=True)
    for n in range(1, count + 1):
        with open(os.path.join(folder, "%d.htm" % n), "wb") as out:
            out.write(page(rng).encode("gbk"))


if __name__ == "__main__":
    main()
