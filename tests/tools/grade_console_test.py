#!/usr/bin/env python3
"""webexam-grade.exe at a Windows console, as a teacher runs it on a Chinese
Windows: under Wine, which makes a console on a (pseudo-)terminal, it grades
a page in a folder named in Chinese and is given one that is not there. The
Chinese path must come back intact in the result line and in the message,
and the messages must be the tool's Chinese ones.
Usage: grade_console_test.py WEBEXAM_GRADE_EXE MODEL_ANSWER"""

import fcntl
import os
import pty
import re
import select
import shutil
import struct
import sys
import tempfile
import termios
import time


def main():
    program, model = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="webexam-grade-console-")
    try:
        folder = os.path.join(work, "考生 张三")
        os.makedirs(folder)
        shutil.copy(model, os.path.join(folder, "index.htm"))

        def native(path):  # as the program is given it: under Wine on drive Z:
            return "Z:" + path.replace("/", "\\")

        page = native(os.path.join(folder, "index.htm"))
        missing = native(os.path.join(folder, "缺.htm"))
        status, text = run_at_console(program, [page, missing])
        failures = []
        if status != 1:
            failures.append("exit status %d, not 1 for a missing page" % status)
        if not re.search(re.escape(page) + r"\s+22" + r"\s+1" * 22 + r"\s", text):
            failures.append("no result line of 22 for %s" % page)
        if "webexam-grade: 没有这个网页：" + missing not in text:
            failures.append("the missing page is not named in Chinese")
        if os.path.exists(os.path.join(folder, "缺.htm")):
            failures.append("the missing page was created")
        # A command line the tool does not take, said in the same words.
        status, refused = run_at_console(program, ["--赶"])
        if status != 2 or "webexam-grade: 不认识的选项 --赶（见 --help）" not in refused:
            failures.append("status %d for an unknown option" % status)
            text += refused
        if "\ufffd" in text:
            failures.append("the console wrote what is not UTF-8")
        if failures:
            sys.exit("FAIL: " + "; ".join(failures) + "\nThe console shows:\n" + text)
        print("ok")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run_at_console(program, arguments):
    """Runs the program under Wine on a pseudo-terminal wide enough for a
    result line; returns its exit status and what the terminal showed, without
    the console's control sequences."""
    env = dict(os.environ, LANG="C.UTF-8", WINEDEBUG="-all")
    pid, master = pty.fork()
    if pid == 0:
        fcntl.ioctl(sys.stdout.fileno(), termios.TIOCSWINSZ, struct.pack("HHHH", 50, 250, 0, 0))
        os.execvpe("wine", ["wine", program] + arguments, env)
    seen = b""
    pressed = False
    deadline = time.time() + 90
    while time.time() < deadline:
        ready, _, _ = select.select([master], [], [], 0.2)
        if not ready:
            continue
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
        # Wine's console is the program's own, as a double-clicked one is:
        # it waits for a key before it closes.
        if not pressed and "按任意键关闭本窗口".encode() in seen:
            time.sleep(1)  # Wine's console reads the terminal only once asked
            os.write(master, b"\r")
            pressed = True
    else:
        os.kill(pid, 9)
    _, status = os.waitpid(pid, 0)
    os.close(master)
    text = seen.decode(errors="replace")
    text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|\x1b[=>]", "", text)
    return os.waitstatus_to_exitcode(status), text


if __name__ == "__main__":
    main()
