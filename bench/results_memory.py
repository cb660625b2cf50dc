#!/usr/bin/env python3
"""Peak memory of webexam-results on hostile results shares, against a share
of 40 ordinary lines: cjwyzz.txt of 10 MB and of 1 GB of empty lines, one
line whose name field is 100 MB, and the worst that the tools' read limit lets
through (16 MB of result lines, a 16 MB name). Prints each run's peak resident set size
and its ratio to the 40-line run; a figure, never a timed test.

    python3 bench/results_memory.py build/linux/bin/webexam-results [folder]

The shares are made in `folder` (a fresh temporary folder by default, removed
at the end); the 1 GB log needs that much free space there.
"""
import os
import shutil
import subprocess
import sys
import tempfile

MB = 1000 * 1000


def ordinary_lines(count):
    lines = []
    for k in range(1, count + 1):
        marks = ["1" if (k + item) % 3 else "0" for item in range(22)]
        name = "考生" + str(k)
        lines.append(f"1207220{k:02d}\t{name}\tJF{k:02d}\t{marks.count('1')}\t" + "\t".join(marks))
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


def write_repeated(path, head, chunk, total, tail=b""):
    """Writes head, then chunk repeated until `total` bytes, then tail."""
    with open(path, "wb") as out:
        out.write(head)
        left = total
        block = chunk * max(1, (4 * MB) // len(chunk))
        while left > 0:
            piece = block[:left]
            out.write(piece)
            left -= len(piece)
        out.write(tail)


def make_share(root, name, make_log):
    share = os.path.join(root, name)
    os.makedirs(share)
    make_log(os.path.join(share, "cjwyzz.txt"))
    # Each case has the 40 PCs' markers, so that only the log differs.
    for k in range(1, 41):
        open(os.path.join(share, f"JF{k:02d}"), "wb").close()
    return share


def peak_rss_kib(program, share):
    process = subprocess.Popen([program, share], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    code = os.waitstatus_to_exitcode(status)
    return usage.ru_maxrss, code  # KiB on Linux


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    root = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="results-memory-")
    made_root = len(sys.argv) <= 2
    try:
        cases = [
            ("40 ordinary lines",
             lambda path: open(path, "wb").write(ordinary_lines(40))),
            ("10 MB of empty lines",
             lambda path: write_repeated(path, b"", b"\r\n", 10 * MB)),
            ("1 GB of empty lines",
             lambda path: write_repeated(path, b"", b"\r\n", 1000 * MB)),
            ("one line with a 100 MB name",
             lambda path: write_repeated(
                 path, b"120722001\t", b"x", 100 * MB,
                 b"\tJF01\t0\t" + b"\t".join([b"0"] * 22) + b"\r\n")),
            # The worst the read limit (16 MiB) lets through: as many result
            # lines as fit, of PCs without a marker, and a name that fills it.
            ("16 MB of result lines",
             lambda path: write_repeated(path, b"", ordinary_lines(40), 16 * MB)),
            ("one line with a 16 MB name",
             lambda path: write_repeated(
                 path, b"120722001\t", "张".encode("gbk"), 16 * MB - 100,
                 b"\tJF01\t0\t" + b"\t".join([b"0"] * 22) + b"\r\n")),
        ]
        figures = []
        for index, (what, make_log) in enumerate(cases):
            share = make_share(root, f"share{index}", make_log)
            kib, code = peak_rss_kib(program, share)
            figures.append((what, kib, code))
            shutil.rmtree(share)
        base = figures[0][1]
        print(f"peak resident memory of {program} (exit status in brackets)")
        for what, kib, code in figures:
            print(f"  {what:30s} {kib / 1024:8.1f} MiB  {kib / base:6.2f}x  ({code})")
    finally:
        if made_root:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
