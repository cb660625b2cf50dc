#!/usr/bin/env python3
"""Copied and stuffed pages on a real results share, as webexam-results shows them.

A room of honest candidates (pages from honest_pages.py, or with --class
edited from edited_pages.py) submits to a share: GBK result lines whose marks
the built webexam-grade gives, a marker per PC and each page kept in pages/.
Among them are planted:
  - exact copies of a classmate's page;
  - near-copies: a name and a colour changed, lines moved, re-indented;
  - stuffed pages: the probe texts in one HTML comment (339 bytes), or in a
    script block of an otherwise honest page;
  - two pages that are the starting page untouched or barely changed, which
    are alike but no copies.
The built webexam-results (summary and --regrade) must list exactly the
planted pairs and exactly the stuffed pages; webexam-grade --explain must say
it of the stuffed page's items.

With --measure it lists instead the likeness of every honest pair and of each
planted pair (through page_likeness_run) for rooms of several seeds.

usage: copies_test.py BUILD SOURCE [--class honest|edited] [--seed N] [--measure SEEDS]
"""
import os
import random
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

STUFFED = ("<!--17-1.BMP hr 85% #FF0000 表格是网页的骨架 楷体 #0000FF 4 50% cellpadding= "
           "#008000 bordercolorlight bordercolordark #800000 #00FF00 height 88 "
           "Cart.jpg mailto:webexam@example.com Ktsc.htm http://www.example.com 11% 66% aaa "
           "Tl-10.gif P10-11.gif Bg14.gif Bjyy.wav 隶书 网页制作题型集锦 <title>欢迎进入网页天地！ "
           "Brenlowe right marquee -->\r\n")


def near_copy(text, rng):
    """A classmate's page made one's own: a name and a colour changed, lines moved."""
    for old, new in (("楷体_GB2312", "楷体"), ('楷体"', '楷体_GB2312"'), ("楷体'", "楷体_GB2312'")):
        if old in text:
            text = text.replace(old, new, 1)
            break
    else:
        text = re.sub(r"(?i)</title>", "（%s）</title>" % rng.choice(["张三", "李四"]), text, 1)
    graded = {"#FF0000", "#0000FF", "#008000", "#800000", "#00FF00"}
    free = [c for c in re.findall(r"#[0-9A-Fa-f]{6}", text) if c.upper() not in graded]
    colour = "#%06X" % rng.randrange(1 << 24)
    if free:
        text = text.replace(free[0], colour, 1)
    else:
        text = re.sub(r"(?i)<body", '<body text="%s"' % colour, text, 1)
    lines = text.split("\n")
    for _ in range(3):
        i = rng.randrange(1, len(lines) - 2)
        lines[i], lines[i + 1] = lines[i + 1], lines[i]
    return "\n".join(line.strip() if rng.random() < 0.5 else "  " + line for line in lines)


def honest_room(kind, seed, count, folder, source):
    start = os.path.join(source, "exam", "aa", "index.htm")
    if kind == "honest":
        command = [os.path.join(HERE, "honest_pages.py"), str(seed), str(count), folder]
    else:
        command = [os.path.join(HERE, "edited_pages.py"), str(seed), str(count), folder, start]
    subprocess.run([sys.executable] + command, check=True)
    texts = []
    for n in range(1, count + 1):
        with open(os.path.join(folder, "%d.htm" % n), "rb") as f:
            texts.append(f.read().decode("gbk"))
    return texts


def planted_room(kind, seed, source, work):
    """The honest pages, then the planted ones; which pairs are copies, which pages stuffed."""
    texts = honest_room(kind, seed, 40, os.path.join(work, "class"), source)
    rng = random.Random(seed)
    full = [i for i, t in enumerate(texts) if "Brenlowe" in t and "17-1.BMP" in t]
    copies, stuffed = [], []
    for n, source_page in enumerate(rng.sample(full, 6)):
        texts.append(texts[source_page] if n < 2 else near_copy(texts[source_page], rng))
        copies.append((source_page, len(texts) - 1))
    texts.append(STUFFED)
    stuffed.append(len(texts) - 1)
    # An honest page without the marquee that has its texts hidden in a script.
    partial = next(i for i, t in enumerate(texts) if "Brenlowe" not in t and i not in full)
    script = "<script>var a = 'Brenlowe right marquee';</script>\r\n"
    texts[partial] = re.sub(r"(?i)</head>", lambda m: script + m.group(0), texts[partial], 1)
    stuffed.append(partial)
    with open(os.path.join(source, "exam", "aa", "index.htm"), "rb") as f:
        start = f.read().decode("gbk")
    texts.append(start)
    texts.append(start.replace("无标题文档", "欢迎进入网页天地！"))
    return texts, copies, stuffed


def write_share(share, texts, grade):
    pages = os.path.join(share, "pages")
    os.makedirs(pages)
    paths = []
    for n, text in enumerate(texts, 1):
        path = os.path.join(pages, "1207220%02d-JF%02d.htm" % (n, n))
        with open(path, "wb") as f:
            f.write(text.encode("gbk"))
        paths.append(path)
    graded = subprocess.run([grade] + paths, check=True, capture_output=True,
                            text=True).stdout.splitlines()
    with open(os.path.join(share, "cjwyzz.txt"), "wb") as log:
        for n, line in enumerate(graded, 1):
            fields = line.split("\t")[1:]
            log.write(("1207220%02d\t考生%d\tJF%02d\t" % (n, n, n) + "\t".join(fields) + "\r\n")
                      .encode("gbk"))
            open(os.path.join(share, "JF%02d" % n), "wb").close()
    return paths


def listed(output, heading):
    """The lines under the heading that starts with `heading`, up to a blank line."""
    lines = output.split("\n")
    start = next(i for i, line in enumerate(lines) if line.startswith(heading))
    block = []
    for line in lines[start + 1:]:
        if not line:
            break
        block.append(line)
    return lines[start], block


def check(build, source, kind, seed):
    results = os.path.join(build, "bin", "webexam-results")
    grade = os.path.join(build, "bin", "webexam-grade")
    env = dict(os.environ, WEBEXAM_EXAM=os.path.join(source, "exam"))
    failures = []
    with tempfile.TemporaryDirectory() as work:
        texts, copies, stuffed = planted_room(kind, seed, source, work)
        share = os.path.join(work, "share")
        paths = write_share(share, texts, grade)
        want_pairs = {(a + 1, b + 1) for a, b in copies}
        want_stuffed = {n + 1 for n in stuffed}
        for arguments in ([share], ["--regrade", share]):
            run = subprocess.run([results] + arguments, env=env, capture_output=True, text=True)
            if run.returncode != 0:
                failures.append("%s: status %d: %s" % (arguments, run.returncode, run.stderr))
                continue
            heading, block = listed(run.stdout, "相似的页面")
            pairs = set()
            for line in block:
                numbers = [int(x) for x in re.findall(r"第 (\d+) 行", line)]
                pairs.add(tuple(sorted(numbers)))
            # Every copy is listed, and no honest pair. The second class is
            # the check on false alarms: its near-copies, which an editor's
            # uniform output brings within reach of honest pages, are only
            # reported.
            exact = {(a + 1, b + 1) for a, b in copies[:2]}
            must = want_pairs if kind == "honest" else exact
            if pairs - want_pairs or must - pairs:
                failures.append("%s: listed but not planted %s, planted but not listed %s\n%s\n%s"
                                % (arguments, sorted(pairs - want_pairs), sorted(must - pairs),
                                   heading, "\n".join(block)))
            elif want_pairs - pairs:
                print("%s: near-copies not listed: %s" % (arguments, sorted(want_pairs - pairs)))
            heading, block = listed(run.stdout, "只在注释、脚本或样式里找到的题")
            lines = {int(re.match(r"第 (\d+) 行", line).group(1)) for line in block}
            if lines != want_stuffed:
                failures.append("%s: stuffed pages listed %s, planted %s" % (
                    arguments, sorted(lines), sorted(want_stuffed)))
            if ("1207220%02d" % (stuffed[0] + 1)) + " 考生" not in "\n".join(block):
                failures.append("%s: the stuffed page's candidate is not named" % arguments)
        explain = subprocess.run([grade, "--explain", paths[stuffed[0]]], capture_output=True,
                                 text=True)
        out = explain.stdout
        if (os.path.getsize(paths[stuffed[0]]) != 339 or
                "答对 22 题" not in out or
                out.count("注意：这一题只因注释、脚本或样式里的文字才通过") != 21 or
                "第 1 题：通过\n  注意：" not in out or
                "找到“17-1.BMP”：第 1 行第 5 列，只在注释、脚本或样式里\n" not in out):
            failures.append("--explain of the stuffed page:\n" + out)
    for failure in failures:
        print(failure)
    print("%s room, seed %d: %d planted pairs, %d stuffed pages: %s" % (
        kind, seed, len(want_pairs), len(want_stuffed), "FAILED" if failures else "ok"))
    return 1 if failures else 0


def measure(build, source, kind, seeds):
    """The likeness of every honest pair and of every planted pair, for the report."""
    run = os.path.join(build, "tests", "page_likeness_run")
    start = os.path.join(source, "exam", "aa", "index.htm")
    honest, planted, small = [], [], 0
    for seed in seeds:
        with tempfile.TemporaryDirectory() as work:
            texts = honest_room(kind, seed, 60, os.path.join(work, "class"), source)
            rng = random.Random(seed)
            count = len(texts)
            near = [near_copy(t, rng) for t in texts]
            files = []
            for n, text in enumerate(texts + near):
                files.append(os.path.join(work, "%d.htm" % n))
                with open(files[-1], "wb") as f:
                    f.write(text.encode("gbk"))
            out = subprocess.run([run, start] + files, check=True, capture_output=True,
                                 text=True).stdout
            for line in out.splitlines():
                i, j, value = line.split("\t")[:3]
                i, j = int(i) - 1, int(j) - 1
                if value == "-":
                    small += i < count and j < count
                    continue
                if i < count and j < count:
                    honest.append(float(value))
                elif i < count and j == i + count:
                    planted.append(float(value))
    honest.sort(reverse=True)
    planted.sort()

    def at_least(values, t):
        return sum(1 for v in values if v >= t)

    print("%s rooms of 60, seeds %s" % (kind, seeds))
    print("honest pairs: %d (and %d not compared: a page barely changed)" % (len(honest), small))
    print("  max %.3f; top 5 %s; 99th percentile %.3f; median %.3f" % (
        honest[0], [round(v, 3) for v in honest[:5]], honest[len(honest) // 100],
        honest[len(honest) // 2]))
    for t in (0.8, 0.85, 0.9, 0.95):
        print("  >= %.2f: %d" % (t, at_least(honest, t)))
    print("near-copies (a name, a colour, lines moved) of each compared page: %d" % len(planted))
    print("  min %.3f; 5th percentile %.3f; median %.3f" % (
        planted[0], planted[len(planted) // 20], planted[len(planted) // 2]))
    for t in (0.8, 0.85, 0.9, 0.95):
        print("  >= %.2f: %d" % (t, at_least(planted, t)))
    return 0


def main():
    build, source = sys.argv[1], sys.argv[2]
    options = sys.argv[3:]
    kind = options[options.index("--class") + 1] if "--class" in options else "honest"
    if "--measure" in options:
        seeds = [int(s) for s in options[options.index("--measure") + 1].split(",")]
        return measure(build, source, kind, seeds)
    seed = int(options[options.index("--seed") + 1]) if "--seed" in options else 2026
    return check(build, source, kind, seed)


if __name__ == "__main__":
    sys.exit(main())
