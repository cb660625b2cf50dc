#!/usr/bin/env python3
"""webexam-check --save-credentials typed at a real (pseudo-)terminal: the
name is shown as typed, the password never, and echo is off while it is
asked for. With --wine, webexam-check.exe at the console Wine makes on the
terminal, which does its own echo: what shows is checked, not the terminal's
settings. Usage: save_credentials_terminal_test.py [--wine] WEBEXAM_CHECK"""

import os
import pty
import select
import sys
import tempfile
import termios
import time

PASSWORD = "Secret-42"


def main():
    wine = sys.argv[1] == "--wine"
    program = sys.argv[-1]
    work = tempfile.mkdtemp()
    credentials = os.path.join(work, "etc", "smb-credentials")
    os.makedirs(os.path.join(work, "share"))

    def native(path):  # as the program names it: under Wine on drive Z:
        return "Z:" + path.replace("/", "\\") if wine else path

    env = dict(os.environ, WEBEXAM_SMB_CREDENTIALS=native(credentials),
               WEBEXAM_ROOT=os.path.join(work, "c"),
               WEBEXAM_SHARE=native(os.path.join(work, "share") + "/"), LANG="C.UTF-8")
    command = ["wine", program] if wine else [program]
    pid, master = pty.fork()
    if pid == 0:
        os.execvpe(command[0], command + ["--save-credentials"], env)
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

    def answer(text):
        if wine:
            time.sleep(1)  # Wine's console reads the terminal only once asked
        os.write(master, text.encode() + b"\r")  # the Enter key

    read_until("用户名：")
    if not wine and not echo_on():
        sys.exit("FAIL: echo is off for the user name")
    answer("teacher")
    read_until("域（没有就直接按回车）：")
    answer("")
    for prompt in ("密码（输入时不显示）：", "再输一遍密码："):
        read_until(prompt)
        # The prompt shows once echo is off: what is typed now is not shown.
        if not wine and echo_on():
            sys.exit("FAIL: echo is on at %r" % prompt)
        answer(PASSWORD)
    read_until("已保存在 " + native(credentials))
    if wine:
        # The console Wine makes on the terminal is the program's own, as a
        # double-clicked one is: it waits for a key before it ends.
        read_until("按任意键关闭本窗口", deadline=60)
        answer("")
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
    if not wine and "\r\n再输一遍密码：" not in text:
        failures.append("the Enter after the hidden password did not move to a new line")
    with open(credentials, "rb") as saved:
        if saved.read() != b"username=teacher\npassword=Secret-42\n":
            failures.append("the file does not hold the account")
    if failures:
        sys.exit("FAIL: " + "; ".join(failures) + "\n" + text)
    print("ok")


if __name__ == "__main__":
    main()
