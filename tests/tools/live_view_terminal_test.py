#!/usr/bin/env python3
"""webexam-results --watch on a real terminal, as the teacher runs it.

Starts the built program on a pseudo-terminal, watches it draw the screen in
place (cursor home, no scrolling), sees a line appended to the share show up
at the next look, then types Ctrl-C on the terminal: the program must end at
once, with status 0, saying so.

usage: live_view_terminal_test.py WEBEXAM_RESULTS
"""
import os
import pty
import select
import shutil
import sys
import tempfile
import time


def line(number, pc):
    return ("\t".join([number, "Name", pc, "22"] + ["1"] * 22) + "\r\n").encode()


def read_until(fd, output, wanted, seconds):
    deadline = time.time() + seconds
    while wanted not in output and time.time() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if ready:
            try:
                output += os.read(fd, 65536)
            except OSError:  # the terminal closed: the program ended
                break
    return output


def main():
    tool = sys.argv[1]
    scratch = tempfile.mkdtemp(prefix="webexam-watch-")
    try:
        share = os.path.join(scratch, "share")
        os.makedirs(share)
        with open(os.path.join(share, "cjwyzz.txt"), "wb") as log:
            log.write(line("120722001", "JF01"))
        open(os.path.join(share, "JF01"), "wb").close()

        pid, fd = pty.fork()
        if pid == 0:
            os.execv(tool, [tool, "--watch", "--interval", "1", "--journal",
                            os.path.join(scratch, "journal.txt"), share])
        output = read_until(fd, b"", "答对 22".encode(), 15)
        failures = []
        if b"\x1b[H" not in output:
            failures.append("the screen is not drawn from the top left corner")
        with open(os.path.join(share, "cjwyzz.txt"), "ab") as log:
            log.write(line("120722002", "JF02"))
        open(os.path.join(share, "JF02"), "wb").close()
        output = read_until(fd, output, b"120722002", 15)
        if b"120722002" not in output:
            failures.append("the appended line never showed")

        started = time.time()
        os.write(fd, b"\x03")  # Ctrl-C, typed on the terminal
        output = read_until(fd, output, "已结束实时查看".encode(), 10)
        _, status = os.waitpid(pid, 0)
        if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
            failures.append("ended with status %r" % status)
        if "已结束实时查看".encode() not in output:
            failures.append("did not say it ended")
        if time.time() - started > 2:
            failures.append("took %.1f s to end after Ctrl-C" % (time.time() - started))
        if sorted(os.listdir(share)) != ["JF01", "JF02", "cjwyzz.txt"]:
            failures.append("the share changed: %r" % sorted(os.listdir(share)))
        for failure in failures:
            print("FAILED:", failure)
        if failures:
            print(output.decode(errors="replace"))
            return 1
        print("ok: drawn in place, saw the new line, ended on Ctrl-C")
        return 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
