#!/usr/bin/env python3
"""Honest candidates' pages, made by editing the exam's starting page.

Another way of making a room of honest pages than honest_pages.py's: each
candidate opens aa/index.htm and does the task's steps one at a time, in an
order of their own, as an editor records them: an attribute goes into a tag
where the editor puts it (after the others, or before), a new element goes in
where the candidate clicks, some steps are skipped or forgotten, and at the
end the editor saves the page in its own form (tags in capitals or not,
re-indented or not). The order of the steps is what makes pages differ.

    edited_pages.py SEED COUNT FOLDER STARTING_PAGE

writes FOLDER/<n>.htm (GBK), n from 1; the same seed gives the same pages.
"""
import os
import random
import re
import sys


class Editor:
    def __init__(self, rng, text):
        self.rng = rng
        self.text = text
        self.append_attrs = rng.random() < 0.6
        self.quote = '"' if rng.random() < 0.8 else ""
        self.sizes = rng.random() < 0.7

    def value(self, value):
        quote = self.quote or ('"' if re.search(r"[ #%:/;=]", value) else "")
        return quote + value + quote

    def set_attr(self, pattern, key, value, nth=0):
        """Sets key=value in the nth tag matching pattern."""
        found = list(re.finditer(pattern, self.text))
        if len(found) <= nth:
            return
        match = found[nth]
        tag = match.group(0)
        attr = " %s=%s" % (key, self.value(value))
        if re.search(r"\s%s=" % key, tag):
            tag = re.sub(r'\s%s=("[^"]*"|\S+?)(?=[\s>])' % key, attr, tag)
        elif self.append_attrs:
            tag = tag[:-1] + attr + ">"
        else:
            head = re.match(r"<\w+", tag).group(0)
            tag = head + attr + tag[len(head):]
        self.text = self.text[:match.start()] + tag + self.text[match.end():]

    def insert_after(self, anchor, new):
        at = self.text.find(anchor)
        if at >= 0:
            at += len(anchor)
            self.text = self.text[:at] + new + self.text[at:]

    def replace(self, old, new):
        self.text = self.text.replace(old, new, 1)

    def img(self, src, w, h):
        tag = '<img src="%s"' % src
        if self.sizes:
            tag += ' width="%d" height="%d"' % (w, h)
        if self.rng.random() < 0.3:
            tag += ' border="0"'
        return tag + ">"


def steps(ed, rng):
    td = r"<td[^>]*>"
    return {
        1: lambda: ed.insert_after("网页制作题型集锦</p>", "\r\n<p align=\"center\">" +
                                   ed.img("17-1.BMP", 64, 48) + "</p>"),
        2: lambda: ed.replace("<p>表格是网页的骨架",
                              '<hr width="85%%" color="#FF0000"%s>\r\n<p>表格是网页的骨架' %
                              rng.choice(["", ' size="2"', " noshade"])),
        3: lambda: ed.replace("表格是网页的骨架</p>",
                              '<font face="%s" color="#0000FF" size="4">表格是网页的骨架</font></p>'
                              % rng.choice(["楷体", "楷体_GB2312"])),
        4: lambda: (ed.set_attr(r"<table[^>]*>", "width", "50%"),
                    ed.set_attr(r"<table[^>]*>", "cellpadding", "5")),
        5: lambda: ed.set_attr(r"<table[^>]*>", "bgcolor", "#008000"),
        6: lambda: (ed.set_attr(r"<table[^>]*>", "border", "2"),
                    ed.set_attr(r"<table[^>]*>", "bordercolor", "#000000")),
        7: lambda: (ed.set_attr(r"<table[^>]*>", "bordercolorlight", "#800000"),
                    ed.set_attr(r"<table[^>]*>", "bordercolordark", "#00FF00")),
        8: lambda: ed.set_attr(r"<tr[^>]*>", "height", "88"),
        9: lambda: ed.replace("<td>&nbsp;</td>", '<td><a href="mailto:webexam@example.com">' +
                              ed.img("Cart.jpg", 96, 72) + "</a></td>"),
        10: lambda: ed.replace("空调市场", '<a href="Ktsc.htm">空调市场</a>'),
        11: lambda: ed.replace("<td>网页天地</td>",
                               '<td><a href="http://www.example.com"%s>网页天地</a></td>' %
                               rng.choice(["", ' target="_blank"'])),
        12: lambda: ed.set_attr(td, "width", "11%", 0),
        13: lambda: ed.set_attr(td, "width", "66%", 1),
        14: lambda: ed.replace("<p>abcd</p>\r\n", ""),
        15: lambda: (ed.replace("<p>表格是网页的骨架", '<p><a name="aaa"></a>表格是网页的骨架')
                     if "<p>表格是网页的骨架" in ed.text else
                     ed.replace("表格是网页的骨架", '<a name="aaa"></a>表格是网页的骨架'),
                     ed.replace("<p>返回顶部</p>", '<p><a href="#aaa">返回顶部</a></p>')),
        16: lambda: ed.replace("<td>&nbsp;</td>\r\n    <td>网页中",
                               "<td>" + ed.img("Tl-10.gif", 40, 40) + "</td>\r\n    <td>网页中"),
        17: lambda: ed.replace("上。</td>\r\n    <td>&nbsp;</td>",
                               "上。</td>\r\n    <td>" + ed.img("P10-11.gif", 100, 40) + "</td>"),
        18: lambda: ed.set_attr(r"<body[^>]*>", "background", "Bg14.gif"),
        19: lambda: (ed.insert_after("</title>", '\r\n<bgsound src="Bjyy.wav" loop="-1">')
                     if rng.random() < 0.5 else
                     ed.replace("</body>", '<bgsound src="Bjyy.wav" loop="%s">\r\n</body>' %
                                rng.choice(["-1", "infinite"]))),
        20: lambda: ed.replace("<p>网页制作题型集锦</p>",
                               '<p align="center"><font face="隶书" size="6">网页制作题型集锦'
                               "</font></p>"),
        21: lambda: ed.replace("无标题文档", "欢迎进入网页天地！"),
        22: lambda: ed.replace("</body>", '<marquee direction="right"%s>Brenlowe</marquee>\r\n'
                               "</body>" % rng.choice(["", ' scrollamount="5"',
                                                       ' behavior="scroll"', ' loop="-1"'])),
    }


def save(ed, rng):
    text = ed.text
    if rng.random() < 0.25:  # an editor that writes tags in capitals
        text = re.sub(r"</?[a-z]+", lambda m: m.group(0).upper(), text)
    if rng.random() < 0.3:  # one that re-indents
        text = re.sub(r"\r\n\s+", "\r\n", text)
    if rng.random() < 0.2:  # one that adds its name
        text = text.replace("<head>", '<head>\r\n<meta name="GENERATOR" content="%s">' %
                            rng.choice(["Microsoft FrontPage 4.0", "Microsoft FrontPage 6.0"]), 1)
    return text


def page(rng, start):
    ed = Editor(rng, start)
    todo = steps(ed, rng)
    order = list(todo)
    rng.shuffle(order)
    if rng.random() < 0.5:
        share = rng.uniform(0.2, 0.95)
        order = [n for n in order if rng.random() < share]
    for n in order:
        todo[n]()
    return save(ed, rng)


def main():
    seed, count, folder, start = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
    with open(start, "rb") as f:
        text = f.read().decode("gbk")
    rng = random.Random(seed)
    os.makedirs(folder, exist_ok=True)
    for n in range(1, count + 1):
        with open(os.path.join(folder, "%d.htm" % n), "wb") as out:
            out.write(page(rng, text).encode("gbk"))


if __name__ == "__main__":
    main()
