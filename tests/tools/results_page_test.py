#!/usr/bin/env python3
"""The page of webexam-results as a browser draws it.

Writes a small results share (GBK lines, one weak item, one anomaly), runs
the built webexam-results with --html, and opens the page in headless
Chromium twice: once for the DOM it builds (both charts are there as SVG,
with a bar for each item and each count, the weak items labelled in text),
once for a screenshot, which stays in the build folder and is named in the
output.

usage: results_page_test.py WEBEXAM_RESULTS CHROMIUM BUILD_FOLDER
Exits 77 (skipped) when no Chromium is given.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

MARKS = [
    "1111111111111111111111",
    "1111111111111111111100",
    "1011111111111111111100",
    "1001111111111111110000",
]


def chromium(browser, profile, *arguments):
    return subprocess.run(
        [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--user-data-dir=" + profile, "--window-size=1200,1600", *arguments],
        capture_output=True, timeout=120)


def main():
    tool, browser, build = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "", sys.argv[-1]
    if not browser or not os.path.exists(browser):
        print("no Chromium: skipped")
        return 77
    scratch = tempfile.mkdtemp(prefix="webexam-page-")
    try:
        share = os.path.join(scratch, "share")
        os.makedirs(share)
        names = ["张三", "李四", "王五", "O'Neil <b>"]
        lines = []
        for i, marks in enumerate(MARKS):
            pc = "JF%02d" % (i + 1)
            fields = ["12072200%d" % (i + 1), names[i], pc, str(marks.count("1"))] + list(marks)
            lines.append("\t".join(fields).encode("gbk") + b"\r\n")
            if i != 3:
                open(os.path.join(share, pc), "wb").close()
        with open(os.path.join(share, "cjwyzz.txt"), "wb") as log:
            log.write(b"".join(lines))

        page = os.path.join(scratch, "results.html")
        run = subprocess.run([tool, "--html", page, share], capture_output=True)
        if run.returncode != 0:
            print("webexam-results failed:", run.stderr.decode(errors="replace"))
            return 1
        url = "file://" + page

        profile = os.path.join(scratch, "profile-dom")
        dom = chromium(browser, profile, "--dump-dom", url).stdout.decode("utf-8", "replace")
        failures = []

        def check(condition, what):
            if not condition:
                failures.append(what)

        charts = re.findall(r"<svg[^>]*class=\"chart ([a-z-]+)\"", dom)
        check(charts == ["pass-rates", "counts"], "two charts, got %r" % charts)
        check(len(re.findall(r"<rect class=\"bar", dom)) == 22 + 23,
              "a bar for each of 22 items and 23 counts")
        # Items 21 and 22 are passed by fewer than half: hatched and labelled.
        check(len(re.findall(r"<rect class=\"bar weak\"", dom)) == 2, "two weak bars")
        check(dom.count(">偏低</text>") == 2, "the weak items labelled 偏低 under their bars")
        check(dom.count("<tr><td") == 4, "four rows in the table")
        check("O'Neil &lt;b&gt;" in dom, "the name with markup shown as text")
        check("第 4 行（120722004 O'Neil &lt;b&gt;）：计算机 JF04 没有记号文件" in dom,
              "the anomaly listed with whose line it is")
        check(re.search("共享文件夹 " + re.escape(share) +
                        r"，生成于 \d{4}-\d\d-\d\d \d\d:\d\d:\d\d", dom),
              "the share and the time the page was made")

        shot = os.path.join(build, "results_page.png")
        if os.path.exists(shot):
            os.remove(shot)
        profile = os.path.join(scratch, "profile-shot")
        chromium(browser, profile, "--screenshot=" + shot, url)
        check(os.path.exists(shot) and os.path.getsize(shot) > 20000, "a screenshot of the page")
        print("screenshot:", shot)

        for failure in failures:
            print("FAILED:", failure)
        return 1 if failures else 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
