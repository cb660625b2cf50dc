#!/usr/bin/env python3
"""webexam-check --save-credentials typed at a real (pseudo-)terminal: the
name is shown as typed, the password never, and echo is off while it is
asked for. Usage: save_credentials_terminal_test.py WEBEXAM_CHECK"""

import os
import pty
import select
import sys
import tempfile
import termios
import time

PASSWORD = "Secret-42"


def main():
    program = sys.argv[1]
    work = tempfile.mkdtemp()
    credentials = os.path.join(work, "etc", "smb-credentials")
    os.makedirs(os.path.join(work, "share"))
    env = dict(os.environ, WEBEXAM_SMB_CREDENTIALS=credentials, WEBEXAM_ROOT=os.path.join(work, "c"),
               WEBEXAM_SHARE=os.path.join(work, "share") + "/", LANG="C.UTF-8")
    pid, master = pty.fork()
    if pid == 0:
        os.execve(program, [program, "--save-credentials"], env)
    seen = b""

    def read_until(text, deadline=30):
        nonlocal seen
        end = time.time() + deadline
        while text.encode() not in seen:
            if time.time() > end:
                sys.exit("FAIL: no %r on the terminal; it shows:\n%s" % (text, seen.decode(errors="replace")))
            ready, _, _ = select.select([master], [], [], 0.2)
            if ready:
                try:
                    seen += os.read(master, 4096)
                except OSError:
                    sys.exit("FAIL: the terminal closed before %r" % text)

    def echo_on():
        return bool(termios.tcgetattr(master)[3] & termios.ECHO)

    read_until("用户名：")
    if not echo_on():
        sys.exit("FAIL: echo is off for the user name")
    os.write(master, b"teacher\n")
    read_until("域（没有就直接按回车）：")
    os.write(master, b"\n")
    for prompt in ("密码（输入时不显示）：", "再输一遍密码："):
        read_until(prompt)
        # The prompt shows once echo is off: what is typed now is not shown.
        if echo_on():
            sys.exit("FAIL: echo is on at %r" % prompt)
        os.write(master, PASSWORD.encode() + b"\n")
    read_until("已保存在 " + credentials)
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
    os.waitpid(pid, 0)
    text = seen.decode(errors="replace")
    failures = []
    if PASSWORD in text:
        failures.append("the password shows on the terminal")
    if "teacher" not in text:
        failures.append("the user name was not shown as typed")
    if "\r\n再输一遍密码：" not in text:
        failures.append("the Enter after the hidden password did not move to a new line")
    with open(credentials, "rb") as saved:
        if saved.read() != b"username=teacher\npassword=Secret-42\n":
            failures.append("the file does not hold the account")
    if failures:
        sys.exit("FAIL: " + "; ".join(failures) + "\n" + text)
    print("ok")


if __name__ == "__main__":
    main()
