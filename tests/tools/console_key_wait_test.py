#!/usr/bin/env python3
"""A Windows tool's wait for a key, under Wine on a display of its own.

Usage: console_key_wait_test.py CONSOLE_KEY_WAIT TOOL

Wine makes a console of a program's own (CREATE_NEW_CONSOLE, as Explorer
does for a double-click) only where it can open the console's window: this
starts Xvfb and a Wine session on it, as the client's end-to-end test does,
and runs the helper console_key_wait on TOOL there with no standard input.
The prefix is $WINEPREFIX or a fresh one.
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from client_test import Display, Failure, Wine  # noqa: E402


def main():
    helper, tool = sys.argv[1:3]
    work = tempfile.mkdtemp(prefix="webexam-key-wait-")
    wine = None
    try:
        with Display() as display:
            # A session of $WINEPREFIX begun without a display cannot open a
            # console window: end it, so that this one starts on the display.
            if os.environ.get("WINEPREFIX"):
                subprocess.run(["wineserver", "-k"], capture_output=True)
            wine = Wine(display, work)
            os.makedirs(wine.share, exist_ok=True)
            return subprocess.run(["wine", helper, tool], env=wine.env, stdin=subprocess.DEVNULL,
                                  timeout=400).returncode
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAIL " + str(failure))
        return 1
    finally:
        if wine:
            subprocess.run(["wineserver", "-k"], env=wine.env, capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
