#!/usr/bin/env python3
"""The Windows client's windows at every display scaling, under Wine.

Usage: dpi_test.py WINDOW_LAYOUT_RUN [--screenshots DIR]

For each of 96, 120, 144, 168, 192 and 240 dots per inch (100 % to 250 %),
sets the prefix's HKCU\\Control Panel\\Desktop\\LogPixels, which Wine takes
as the screen's, and runs the program, which opens the client's windows for
real and checks every control's rectangle against its window's client area.
The prefix is $WINEPREFIX or a fresh one; its LogPixels is set back to 96.
With --screenshots, saves the sign-in and grading windows at 100 % and 200 %.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import shutil
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from client_test import Display, Failure, Wine, wait_for  # noqa: E402

DPIS = (96, 120, 144, 168, 192, 240)
PICTURES = {96: "100", 192: "200"}


def set_dpi(env, dpi):
    subprocess.run(["wine", "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                    "/t", "REG_DWORD", "/d", str(dpi), "/f"], env=env, capture_output=True,
                   check=True)


def windows(env, title):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                         env=env, capture_output=True, text=True)
    return out.stdout.split()


def run_at(env, program, dpi, shots):
    set_dpi(env, dpi)
    picture = shots and PICTURES.get(dpi)
    proc = subprocess.Popen(["wine", program] + (["3000"] if picture else []), env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if picture:
        # Each window stays a while after it opens, before the next one.
        for title, name in (("考生登录", "sign-in"), ("网页制作考试", "grading-window")):
            wait_for(lambda: windows(env, title), "the %s at %d dpi" % (name, dpi), 60)
            time.sleep(1)
            subprocess.run(["import", "-window", windows(env, title)[0],
                            os.path.join(shots, "%s-%s.png" % (name, picture))], env=env,
                           check=True)
    out, _ = proc.communicate(timeout=120)
    lines = [line for line in out.splitlines() if line.startswith(("ok", "FAIL"))]
    print("\n".join(lines))
    if proc.returncode != 0 or len(lines) != 3 or any(line.startswith("FAIL") for line in lines):
        raise Failure("controls cut off at %d dpi:\n%s" % (dpi, out))
    if ("at %d dpi" % dpi) not in lines[0]:
        raise Failure("the program did not see %d dpi:\n%s" % (dpi, out))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    work = tempfile.mkdtemp(prefix="webexam-dpi-")
    env = None
    try:
        # A screen as large as one scaled to 250 % (a 4K screen is 3840x2160).
        with Display("2560x1600") as display:
            wine = Wine(display, work)
            env = wine.env
            for dpi in DPIS:
                run_at(env, program, dpi, args.screenshots)
        print("%d passed, 0 failed" % len(DPIS))
        return 0
    except Failure as failure:
        print("FAIL " + str(failure))
        return 1
    finally:
        if env:
            set_dpi(env, 96)
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
