#!/usr/bin/env python3
"""A Chinese name typed in pinyin through fcitx5 into the Linux client.

Usage: chinese_input_test.py WEBEXAM_BINARY MODEL_ANSWER

Starts Xvfb, a session bus of its own and fcitx5 with a profile of its own
(the US keyboard and pinyin), then the Qt client with fcitx5's Qt 6 front end
(QT_IM_MODULE=fcitx). As a candidate at a lab PC would, it types the exam
number, turns pinyin on with Ctrl+Space, types the name's pinyin and takes
the first candidate with the space bar, signs in and submits. The result line
on the PC and on the share must carry the name, in GBK, byte for byte. Every
process it started is stopped, also when a check fails or the run gets a
SIGTERM.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# The end-to-end test's X server and client, without a bytecode cache left
# in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from client_test import (LABEL1, NUMBER, TITLE_GRADING, TITLE_SIGN_IN, Client,  # noqa: E402
                         Display, Failure, check, read, wait_for)

# fcitx5's built-in dictionary offers this name first for this pinyin.
PINYIN = "zhangsanfeng"
NAME = "张三丰"

# The US keyboard first (what the PC starts with), then pinyin, which
# Ctrl+Space turns on.
PROFILE = """[Groups/0]
Name=Default
Default Layout=us
DefaultIM=pinyin

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=pinyin
Layout=

[GroupOrder]
0=Default
"""

# What fcitx5 needs for pinyin in a Qt program: its bus, the Qt front end's
# bus interface, the X connection, the keyboard, pinyin and its punctuation,
# and the candidate window. Nothing else: no XIM, no clipboard, no panel.
ADDONS = "dbus,dbusfrontend,xcb,keyboard,pinyin,punctuation,classicui"

# fcitx5-remote's answer for the input method state of the focused window.
STATE_INACTIVE, STATE_ACTIVE = "1", "2"


# A session bus that starts no service on demand: Debian's session bus would
# start a second fcitx5 of its own for the first call that names it.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class SessionBus:
    """A D-Bus session bus of its own, so that fcitx5 and the client find each
    other and nothing of the machine's desktop."""

    def __init__(self, work):
        os.makedirs(work)
        self.config = os.path.join(work, "session.conf")
        with open(self.config, "w") as f:
            f.write(BUS_CONFIG % work)

    def __enter__(self):
        self.proc = subprocess.Popen(
            ["dbus-daemon", "--config-file=" + self.config, "--nofork", "--nopidfile",
             "--print-address"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.proc.stdout.readline().strip()
        if not self.address:
            self.proc.kill()
            self.proc.wait()
            raise Failure("dbus-daemon did not start")
        return self

    def __exit__(self, *exc):
        stop(self.proc)


class InputMethod:
    """fcitx5 on the display and bus, with its configuration and user
    dictionary in a temporary folder: what it learns never reaches the next
    run, and the machine's own settings never reach this one."""

    def __init__(self, display, bus, work):
        home = os.path.join(work, "home")
        config = os.path.join(home, ".config")
        os.makedirs(os.path.join(config, "fcitx5"))
        with open(os.path.join(config, "fcitx5", "profile"), "w") as f:
            f.write(PROFILE)
        self.env = dict(display.env(), DBUS_SESSION_BUS_ADDRESS=bus.address, HOME=home,
                        XDG_CONFIG_HOME=config, XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                        XDG_CACHE_HOME=os.path.join(home, ".cache"), LANG="C.UTF-8")
        self.log_path = os.path.join(work, "fcitx5.log")

    def __enter__(self):
        self.proc = subprocess.Popen(
            ["fcitx5", "-D", "--disable=all", "--enable=" + ADDONS], env=self.env,
            stdout=subprocess.DEVNULL, stderr=open(self.log_path, "w"))
        try:
            wait_for(lambda: self.proc.poll() is not None or self.remote() != "",
                     "fcitx5 on the session bus")
            if self.proc.poll() is not None:
                raise Failure("fcitx5 ended at start")
        except BaseException:
            stop(self.proc)
            raise
        return self

    def __exit__(self, *exc):
        stop(self.proc)

    def remote(self, *args):
        """fcitx5-remote's answer, empty when fcitx5 is not (yet) on the bus."""
        out = subprocess.run(["fcitx5-remote", *args], env=self.env, capture_output=True, text=True)
        return out.stdout.strip() if out.returncode == 0 else ""

    def log(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def client_env(self):
        """What a desktop session with fcitx5 gives the programs it starts."""
        return dict(DBUS_SESSION_BUS_ADDRESS=self.env["DBUS_SESSION_BUS_ADDRESS"],
                    QT_IM_MODULE="fcitx", XMODIFIERS="@im=fcitx")


class Session:
    """The display as the client sees it: with the session bus and fcitx5."""

    def __init__(self, display, extra):
        self.display, self.extra = display, extra

    def env(self):
        return dict(self.display.env(), **self.extra)


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def scenario_name_in_pinyin(session, im, binary, model, work):
    client = Client(session, binary, work, None)
    try:
        form2 = client.wait_window(TITLE_SIGN_IN)
        client.focus(form2)
        client.keys("Tab", "ctrl+a")
        wait_for(lambda: im.remote() == STATE_INACTIVE, "the sign-in window's input context")
        client.type(NUMBER)
        client.keys("Tab")
        client.keys("ctrl+space")
        wait_for(lambda: im.remote() == STATE_ACTIVE, "pinyin to be on", 5)
        check(im.remote("-n") == "pinyin", "Ctrl+Space turns pinyin on in the name box")
        client.type(PINYIN)
        client.keys("space")  # the first candidate
        client.keys("ctrl+space")
        wait_for(lambda: im.remote() == STATE_INACTIVE, "pinyin to be off", 5)
        client.keys("Tab", "Return")
        form1 = client.wait_window(TITLE_GRADING)
        web = os.path.join(client.root, "620722001", "web")
        check(not client.windows(TITLE_SIGN_IN) and os.path.isdir(web), "the sign-in is accepted")

        shutil.copy(model, os.path.join(web, "index.htm"))
        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "上交成绩"
        wait_for(lambda: os.path.exists(os.path.join(client.share, "cjwyzz.txt")), "the share line")
        time.sleep(0.5)
        fields = [NUMBER, NAME, client.computer_name, "22"] + ["1"] * 22
        line = "\t".join(fields).encode("gbk") + b"\r\n"
        log = read(os.path.join(client.root, "cjj.txt"))
        name = log.split(b"\t")[1].decode("gbk", "replace") if b"\t" in log else ""
        check(name == NAME, "the name typed in pinyin is the line's name: %s" % name)
        check(log == line, "the local log line, byte for byte")
        check(read(os.path.join(client.share, "cjwyzz.txt")) == line, "the share line equals it")

        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "退出"
        wait_for(lambda: client.proc.poll() is not None, "the program to end")
        check(client.proc.returncode == 0, "the program ended normally")
    finally:
        client.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("model")
    args = parser.parse_args()
    binary = os.path.abspath(args.binary)
    # A SIGTERM (timeout(1), a cancelled job) leaves through the finally
    # clauses too, which stop the client, fcitx5, the bus and the X server.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    work = tempfile.mkdtemp(prefix="webexam-im-")
    im = None
    passed = False
    try:
        with Display() as display, SessionBus(os.path.join(work, "bus")) as bus:
            im = InputMethod(display, bus, os.path.join(work, "im"))
            with im:
                scenario_name_in_pinyin(Session(display, im.client_env()), im, binary, args.model,
                                        os.path.join(work, "a"))
        passed = True
        print("1 passed, 0 failed")
        return 0
    except Failure as failure:
        print("FAIL " + str(failure))
        return 1
    finally:
        try:
            if not passed:
                log = os.path.join(work, "a", "stderr.log")
                if os.path.exists(log):
                    print("--- webexam stderr ---\n" + open(log, errors="replace").read())
                if im and os.path.exists(im.log_path):
                    print("--- fcitx5 ---\n" + im.log())
        finally:
            shutil.rmtree(work, ignore_errors=True)

if __name__ == "__main__":
    sys.exit(main())
