#!/usr/bin/env python3
"""An exam client end to end: the real program in a real X server.

Usage: client_test.py WEBEXAM_BINARY MODEL_ANSWER [--wine] [--screenshots DIR]
                      [--second-exam SEALED_DIR]

Starts Xvfb, drives the program with xdotool as a candidate would (the
keyboard, and the clipboard for the Chinese name), and checks the files it
writes byte for byte. The Linux client runs natively with its drive root and
share in a temporary folder; with --wine, the Windows client runs under Wine
in a fresh prefix (or $WINEPREFIX), on its drive C: and a real UNC share
\\teacher\results\. Both are held to the same expected bytes, so the two
clients are proven to write identical files. With --screenshots, saves
pictures of both windows and the refusal box. With --second-exam, also
runs a second exam (tests/data/exam2, sealed into SEALED_DIR) end to end:
its own range, exam numbers, candidate folder and item count.
"""

import argparse
import ctypes
import ctypes.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

TITLE_SIGN_IN = "考生登录"
TITLE_GRADING = "网页制作考试"
TITLE_REPORT = "cj.txt"  # the client's own window for the report, when no viewer opens it
NAME = "张三丰"
NUMBER = "120722001"
LABEL1 = (20, 88)  # a spot on the grading window's folder label, which takes no focus
# What tests/data/exam2/exam.txt gives, as the candidate meets it.
SECOND_EXAM = {
    "message": "考号不对：请填写准考证上的九位考号（260105001至260105060）",
    "folder": "kaoshi2026",
    "items": 5,
}


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)
    print("ok   " + what)


def wait_for(predicate, what, timeout=20.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    raise Failure("timed out waiting for " + what)


class Display:
    """An Xvfb server on a display number it picks itself (-displayfd), so
    that test runs side by side never share or kill each other's server. It
    never resets: a server resets when its last client leaves, and a client
    starting in that moment (the next scenario's program) is refused."""

    def __init__(self, size="1024x768"):
        self.size = size

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.size + "x24", "-dpi", "96",
             "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.proc.kill()
            raise Failure("Xvfb did not start")
        self.name = ":" + number
        wait_for(lambda: subprocess.run(["xdotool", "getmouselocation"], env=self.env(),
                                        capture_output=True).returncode == 0, "the X server", 10)
        return self

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait()


class Client:
    """One run of the exam client with a drive root (by default ~/webexam,
    or `root`), a share and a report viewer: with viewer True, an xdg-open
    that opens the report; False, none; "terminal" (Linux), Debian's own
    xdg-open whose program for text files must run in a terminal, and there
    is none: it starts, and ends with a failure status."""

    def __init__(self, display, binary, work, wine, viewer=True, root=None, exam=None):
        self.display, self.work, self.wine = display, work, wine
        os.makedirs(work, exist_ok=True)
        self.stderr_path = os.path.join(work, "stderr.log")
        if wine:
            self.root = os.path.join(wine.prefix, "drive_c")
            self.share = wine.share
            self.env = dict(display.env(), WINEPREFIX=wine.prefix, WINEDEBUG="-all")
            self.env.pop("WEBEXAM_SHARE", None)  # the built-in \\teacher\results\\
            self.computer_name = wine.computer_name
            self.report_path = "C:\\cj.txt"
            command = ["wine", binary]
        else:
            self.root = root or os.path.join(work, "webexam")  # as on a lab PC: ~/webexam
            self.share = os.path.join(work, "share")
            bin_dir = os.path.join(work, "bin")
            os.makedirs(bin_dir, exist_ok=True)
            if viewer is True:
                xdg_open = os.path.join(bin_dir, "xdg-open")
                with open(xdg_open, "w") as f:
                    f.write('#!/bin/sh\necho "$1" >> "%s"\n' % os.path.join(work, "viewer.log"))
                os.chmod(xdg_open, 0o755)
            # Without a viewer, PATH is the empty folder: no xdg-open anywhere.
            path = bin_dir + ":" + os.environ["PATH"] if viewer else bin_dir
            self.env = dict(display.env(), WEBEXAM_ROOT=self.root, WEBEXAM_SHARE=self.share + "/",
                            PATH=path, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
                            HOME=work)
            if viewer == "terminal":
                # As on a Debian PC with vim and no desktop environment: the
                # default for text/plain is an entry for a terminal, and the
                # terminal xdg-open runs it in is missing.
                config = os.path.join(work, "config")
                applications = os.path.join(work, "data", "applications")
                os.makedirs(config, exist_ok=True)
                os.makedirs(applications, exist_ok=True)
                with open(os.path.join(config, "mimeapps.list"), "w") as f:
                    f.write("[Default Applications]\ntext/plain=webexam-vim.desktop\n")
                with open(os.path.join(applications, "webexam-vim.desktop"), "w") as f:
                    f.write("[Desktop Entry]\nType=Application\nName=Vim\nExec=vim %F\n"
                            "Terminal=true\n")
                for name in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "XDG_DATA_DIRS"):
                    self.env.pop(name, None)
                self.env.update(XDG_CONFIG_HOME=config, XDG_DATA_HOME=os.path.dirname(applications),
                                TERMINAL="webexam-no-terminal")
            self.computer_name = os.uname().nodename
            self.report_path = os.path.join(self.root, "cj.txt")
            command = [binary]
        if exam:
            self.env["WEBEXAM_EXAM"] = "Z:" + exam.replace("/", "\\") if wine else exam
        os.makedirs(self.share, exist_ok=True)
        # The test's own tools (xdotool, xclip) come from the test's PATH.
        self.tool_env = dict(self.env, PATH=os.environ["PATH"])
        # On Linux a session of its own, without a controlling terminal, as a
        # program started from the desktop's menu.
        self.proc = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=open(self.stderr_path, "w"),
                                     start_new_session=not wine)

    def report_opened(self):
        """Whether the report was handed to the desktop's viewer."""
        if self.wine:
            return bool(self.xdotool("search", "--onlyvisible", "--name", "cj"))
        log = os.path.join(self.work, "viewer.log")
        return os.path.exists(log) and open(log).read() == self.report_path + "\n"

    def close_report(self):
        if self.wine:
            for window in self.xdotool("search", "--onlyvisible", "--name", "cj"):
                self.xdotool("windowkill", window)
            try:
                wait_for(lambda: not self.xdotool("search", "--onlyvisible", "--name", "cj"),
                         "the report viewer to close", 5)
            except Failure:
                pass  # a test that goes on finds what is in its way

    def xdotool(self, *args):
        out = subprocess.run(["xdotool", *args], env=self.tool_env, capture_output=True, text=True)
        return out.stdout.split()

    def windows(self, title):
        return self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title)

    def wait_window(self, title, count=1):
        wait_for(lambda: len(self.windows(title)) >= count, "a window named " + title)
        window = self.windows(title)[-1]
        time.sleep(0.3)
        return window

    def focus(self, window, spot=(10, 10)):
        """Activates the window by a click on a spot that takes no focus (a
        label or an empty place), as a candidate would. The keyboard focus
        comes back where it was. X focus alone would not do: without a window
        manager it does not make a Wine window active."""
        self.xdotool("windowraise", window)
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("mousemove", "--window", window, str(spot[0]), str(spot[1]), "click", "1")
        time.sleep(0.3)

    def keys(self, *keys):
        for key in keys:
            self.xdotool("key", "--delay", "50", key)
            time.sleep(0.15)

    def hold(self, key, seconds):
        """Holds a key down, as a candidate resting a finger on it."""
        self.xdotool("keydown", key)
        time.sleep(seconds)
        self.xdotool("keyup", key)
        time.sleep(0.2)

    def ask_to_close(self, window):
        """Asks the window to close as a window manager's close box does
        (WM_DELETE_WINDOW), through libX11: xdotool can only destroy it."""
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                        ("pad", ctypes.c_long * 12)]

        display = x11.XOpenDisplay(self.env["DISPLAY"].encode())
        event = ClientMessage(type=33, window=int(window), format=32)  # ClientMessage
        event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, int(window), 0, 0, ctypes.byref(event))
        x11.XCloseDisplay(display)  # flushes
        time.sleep(0.5)

    def click(self, window, left, top, width, height):
        """Clicks the middle of a control laid out at these twips (96 dots per inch)."""
        x, y = (left + width / 2) / 15, (top + height / 2) / 15
        self.xdotool("mousemove", "--window", window, str(int(x)), str(int(y)), "click", "1")
        time.sleep(0.3)

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)
        time.sleep(0.2)

    def paste(self, text):
        clip = subprocess.Popen(["xclip", "-selection", "clipboard", "-loops", "1"],
                                stdin=subprocess.PIPE, env=self.tool_env)
        clip.communicate(text.encode("utf-8"))
        time.sleep(0.3)
        self.keys("ctrl+v")

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def geometry(self, window):
        """The window's place on the screen: x, y, width, height."""
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                             env=self.tool_env, capture_output=True, text=True).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return tuple(int(values[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))

    def red_right_edge(self, window, top, bottom):
        """The rightmost column of the window's pixels in rows [top, bottom)
        that is red, as the folder label's text is; -1 where none is."""
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XGetImage.restype = ctypes.c_void_p
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XGetPixel.restype = ctypes.c_ulong
        x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        x11.XDestroyImage.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        width = self.geometry(window)[2]
        display = x11.XOpenDisplay(self.env["DISPLAY"].encode())
        image = x11.XGetImage(display, int(window), 0, top, width, bottom - top,
                              0xFFFFFFFF, 2)  # AllPlanes, ZPixmap
        try:
            if not image:
                raise Failure("cannot read the pixels of window " + window)
            for x in range(width - 1, -1, -1):
                for y in range(bottom - top):
                    pixel = x11.XGetPixel(image, x, y)
                    r, g, b = (pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255
                    if r > 150 and r - g > 80 and r - b > 80:
                        return x
            return -1
        finally:
            if image:
                x11.XDestroyImage(image)
            x11.XCloseDisplay(display)

    def screenshot(self, directory, name, window="root"):
        if directory:
            subprocess.run(["import", "-window", window, os.path.join(directory, name)],
                           env=self.tool_env, check=True)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.close_report()


class Wine:
    """A Wine prefix with the teacher's share mapped as \\\\teacher\\results\\."""

    def __init__(self, display, work):
        self.prefix = os.environ.get("WINEPREFIX") or os.path.join(work, "wineprefix")
        env = dict(display.env(), WINEPREFIX=self.prefix, WINEDEBUG="-all")
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            subprocess.run(["wineboot", "-i"], env=env, capture_output=True, check=True)
        self.share = os.path.join(work, "unc-results")
        unc = os.path.join(self.prefix, "dosdevices", "unc", "teacher")
        os.makedirs(unc, exist_ok=True)
        link = os.path.join(unc, "results")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(self.share, link)
        out = subprocess.run(["wine", "cmd", "/c", "echo", "%COMPUTERNAME%"], env=env,
                             capture_output=True)
        self.computer_name = out.stdout.decode("gbk").strip()
        self.env = env

    def reg(self, *args):
        """Changes the prefix's registry with `wine reg`."""
        subprocess.run(["wine", "reg", *args], env=self.env, capture_output=True)

    def clean(self):
        """Takes away what an earlier run left on drive C: and on the share."""
        c = os.path.join(self.prefix, "drive_c")
        for name in ("1.txt", "cj.txt", "cjj.txt", os.path.join("windows", "fen.g")):
            if os.path.exists(os.path.join(c, name)):
                os.remove(os.path.join(c, name))
        for folder in ("620722001", SECOND_EXAM["folder"]):
            shutil.rmtree(os.path.join(c, folder), ignore_errors=True)
        shutil.rmtree(self.share, ignore_errors=True)
        os.makedirs(self.share)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def expected_line(computer_name, count, marks, number=NUMBER):
    fields = [number, NAME, computer_name, str(count)] + [str(m) for m in marks]
    return "\t".join(fields).encode("gbk") + b"\r\n"


def expected_report(count, marks, number=NUMBER):
    lines = ["考  号：" + number, "姓  名：" + NAME, "你答对的个数为  %d 个" % count,
             "第一列 表示题号", "第二列 表示该题对错情况，1表示对，0表示错",
             "看完成绩，请关闭此窗口，然后 按 退出"]
    lines += ["%d  %d " % (k + 1, m) for k, m in enumerate(marks)]
    return "".join(line + "\r\n" for line in lines).encode("gbk")


def sign_in(client, shots):
    form2 = client.wait_window(TITLE_SIGN_IN)
    check(client.geometry(form2)[2:] == (423, 213), "the sample's sign-in window as designed")
    client.focus(form2)
    client.screenshot(shots, "sign-in.png", form2)
    # The focus starts on the start button; the untouched "120722" is refused.
    client.keys("Return")
    box = client.wait_window(TITLE_GRADING)
    check("考 号：没填写好 范围应为120722001---120722999" in client.stderr(),
          "the untouched exam number gets the exam-number message")
    client.focus(box)
    client.keys("Return")
    wait_for(lambda: not client.windows(TITLE_GRADING), "the message box to close")
    client.focus(form2)
    client.keys("Tab", "ctrl+a")
    client.type(NUMBER)
    client.keys("Tab")
    client.paste(NAME)
    client.keys("Tab", "Return")
    form1 = client.wait_window(TITLE_GRADING)
    check(not client.windows(TITLE_SIGN_IN), "a valid sign-in closes the sign-in window")
    return form1


def scenario_submit_and_exit(display, binary, model, work, wine, shots):
    client = Client(display, binary, work, wine)
    try:
        form1 = sign_in(client, shots)
        web = os.path.join(client.root, "620722001", "web")
        check(os.path.isfile(os.path.join(web, "index.htm")), "the material is in the web folder")
        check(os.path.isfile(os.path.join(client.root, "1.txt")), "the task text was copied")
        client.screenshot(shots, "grading-window.png", form1)

        shutil.copy(model, os.path.join(web, "index.htm"))
        client.focus(form1, LABEL1)
        client.keys("Tab")  # from the viewer to "上交成绩"
        client.hold("Return", 1.5)  # long enough for the key to repeat
        wait_for(lambda: os.path.exists(os.path.join(client.share, "cjwyzz.txt")), "the share line")
        time.sleep(1.0)
        line = expected_line(client.computer_name, 22, [1] * 22)
        check(read(os.path.join(client.root, "cjj.txt")) == line,
              "the local log line, byte for byte, once for a held Enter")
        check(read(os.path.join(client.share, "cjwyzz.txt")) == line, "the share line equals it")
        check(read(os.path.join(client.root, "cj.txt")) == expected_report(22, [1] * 22),
              "the report, byte for byte")
        check(read(os.path.join(client.root, "windows", "fen.g")) == b"", "the PC's marker")
        check(read(os.path.join(client.share, client.computer_name)) == b"", "the computer marker")
        wait_for(client.report_opened, "the report to be opened")
        client.close_report()
        check(client.stderr().count("webexam: message:") == 1,
              "a successful submission shows no message")

        if wine:
            client.click(form1, 2880, 1080, 1335, 495)  # back from the report viewer: "上交成绩"
        else:
            # The Linux window is wider by what the whole folder needs; the
            # focus is still on "上交成绩".
            client.focus(form1, LABEL1)
            client.keys("Return")
        box = client.wait_window(TITLE_GRADING, 2)
        check("你已经交过卷" in client.stderr(), "the second submission is refused")
        client.screenshot(shots, "refusal.png", box)
        check(read(os.path.join(client.share, "cjwyzz.txt")) == line, "the share is unchanged")
        check(read(os.path.join(client.root, "cjj.txt")) == line + line, "the local log grew")
        # The refused press showed the report again; without a window manager
        # its viewer may lie over the box.
        if wine:
            wait_for(client.report_opened, "the report to be opened again")
            client.close_report()
        client.focus(box)
        client.keys("Return")
        wait_for(lambda: len(client.windows(TITLE_GRADING)) == 1, "the refusal box to close")

        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # to "退出": no question after a submission
        wait_for(lambda: client.proc.poll() is not None, "the program to end")
        check("webexam: question:" not in client.stderr(), "no question after a submission")
        check(client.proc.returncode == 0, "the program ended normally")
        check(not os.path.exists(os.path.join(client.root, "620722001")), "the candidate folder is gone")
        check(os.path.exists(os.path.join(client.root, "1.txt")), "the task text stays")
        if shots:
            report = read(os.path.join(client.root, "cj.txt")).decode("gbk")
            with open(os.path.join(work, "report.txt"), "w") as f:
                f.write(report.replace("\r\n", "\n"))
    finally:
        client.close()


def scenario_second_exam(display, binary, exam, model, work, wine):
    """A second exam from its sealed copy (WEBEXAM_EXAM): the sign-in shows
    its range whole and starts the number box with its own digits, refuses a
    number below its least with its own message; the grading window names
    its candidate folder; a submission writes one mark per item of its own."""
    client = Client(display, binary, work, wine, exam=exam)
    message = "webexam: message: " + SECOND_EXAM["message"]
    try:
        form2 = client.wait_window(TITLE_SIGN_IN)
        # The sample's window is 213 pixels high; this range takes two lines.
        height = client.geometry(form2)[3]
        check(height > 213, "the long range text makes the sign-in window taller (%d)" % height)
        client.focus(form2)
        client.keys("Return")  # the untouched "2601" is below the least number
        box = client.wait_window(TITLE_GRADING)
        check(client.stderr().count(message) == 1, "the exam's own exam-number message")
        client.focus(box)
        client.keys("Return")
        wait_for(lambda: not client.windows(TITLE_GRADING), "the message box to close")
        # The box starts with "2601": five digits more make a whole number,
        # first one below the least, then the least itself.
        client.focus(form2)
        client.keys("Tab", "End")
        client.type("05000")
        client.keys("Tab")
        client.paste(NAME)
        client.keys("Tab", "Return")
        box = client.wait_window(TITLE_GRADING)
        check(client.stderr().count(message) == 2, "260105000 is below the exam's least number")
        client.focus(box)
        client.keys("Return")
        wait_for(lambda: not client.windows(TITLE_GRADING), "the message box to close")
        client.focus(form2)
        client.keys("Tab", "End", "BackSpace")
        client.type("1")
        client.keys("Tab", "Tab", "Return")
        form1 = client.wait_window(TITLE_GRADING)
        check(not client.windows(TITLE_SIGN_IN), "260105001 signs in")

        folder = SECOND_EXAM["folder"]
        shown = ("C:\\" if wine else "~/webexam/") + folder
        check("webexam: folder label: 考生文件夹为%s\n" % shown in client.stderr(),
              "the grading window names the exam's candidate folder")
        # The label's red text ends before "上交成绩", 149 pixels from the
        # window's right end at 96 dots per inch.
        right, width = client.red_right_edge(form1, 80, 97), client.geometry(form1)[2]
        check(0 < right < width - 149, "the folder (to %d) is clear of the buttons" % right)
        web = os.path.join(client.root, folder, "web")
        material = os.path.join(os.path.dirname(model), "aa", "index.htm")
        check(read(os.path.join(web, "index.htm")) == read(material), "the exam's material")
        check(not os.path.exists(os.path.join(client.root, "620722001")), "no sample folder")

        shutil.copy(model, os.path.join(web, "index.htm"))
        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "上交成绩"
        share_log = os.path.join(client.share, "cjwyzz.txt")
        wait_for(lambda: os.path.exists(share_log), "the share line")
        time.sleep(1.0)
        items = SECOND_EXAM["items"]
        line = expected_line(client.computer_name, items, [1] * items, "260105001")
        check(read(os.path.join(client.root, "cjj.txt")) == line, "the local line has 5 marks")
        check(read(share_log) == line, "and the share's equals it")
        check(read(os.path.join(client.root, "cj.txt")) ==
              expected_report(items, [1] * items, "260105001"), "the report has 5 items")
        wait_for(client.report_opened, "the report to be opened")
        client.close_report()
        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "退出"
        wait_for(lambda: client.proc.poll() is not None, "the program to end")
        check(client.proc.returncode == 0, "the program ended normally")
        check(not os.path.exists(os.path.join(client.root, folder)), "the candidate folder is gone")
    finally:
        client.close()


def scenario_no_report_viewer(display, binary, model, work, wine, viewer=False):
    """A PC that cannot open the report (no program for .txt files, no
    xdg-open; or, with viewer "terminal", an xdg-open that starts and fails):
    the client shows the report itself and the result reaches the share."""
    if wine:
        wine.reg("delete", "HKCR\\.txt", "/f")
    client = Client(display, binary, work, wine, viewer=viewer)
    try:
        form1 = sign_in(client, None)
        shutil.copy(model, os.path.join(client.root, "620722001", "web", "index.htm"))
        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "上交成绩"
        wait_for(lambda: os.path.exists(os.path.join(client.share, "cjwyzz.txt")), "the share line")
        time.sleep(0.5)
        line = expected_line(client.computer_name, 22, [1] * 22)
        check(read(os.path.join(client.share, "cjwyzz.txt")) == line,
              "without a report viewer the line reaches the share")
        report = client.wait_window(TITLE_REPORT)
        check("webexam: report viewer: " in client.stderr() and "fatal" not in client.stderr(),
              "the viewer's failure is on standard error, and it is not fatal")
        if viewer == "terminal":
            check("webexam-no-terminal: not found" in client.stderr() and
                  "xdg-open ended with exit status " in client.stderr(),
                  "xdg-open started, found no terminal, and ended with a failure status")
        else:
            check(not os.path.exists(os.path.join(work, "viewer.log")), "no viewer was started")
        client.click(report, 4080, 6060, 1200, 435)  # "关闭"
        wait_for(lambda: not client.windows(TITLE_REPORT), "the report window to close")
        check(client.proc.poll() is None, "closing the report window keeps the exam going")
        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "退出"
        wait_for(lambda: client.proc.poll() is not None, "the program to end")
        check(client.proc.returncode == 0, "the program ended normally")
        check(not os.path.exists(os.path.join(client.root, "620722001")), "the candidate folder is gone")
    finally:
        client.close()
        if wine:
            wine.reg("add", "HKCR\\.txt", "/ve", "/d", "txtfile", "/f")


def scenario_exit_without_submission(display, binary, work, wine, shots):
    client = Client(display, binary, work, wine)
    try:
        form1 = sign_in(client, None)
        client.focus(form1, LABEL1)
        client.keys("Tab", "Tab", "Return")  # "退出" before any submission
        box = client.wait_window(TITLE_GRADING, 2)
        client.focus(box)
        client.screenshot(shots, "exit-question.png", box)
        client.keys("n" if wine else "Escape")  # No
        wait_for(lambda: len(client.windows(TITLE_GRADING)) == 1, "the question to close")
        # The box is gone from the screen a moment before the answer is logged.
        answered = ("webexam: question: 你还没有上交成绩，退出会删除考生文件夹。确定要退出吗？\n"
                    "webexam: answer: 否\n")
        try:
            wait_for(lambda: answered in client.stderr(), "the answer on standard error", 5)
        except Failure:
            pass
        check(client.proc.poll() is None, "No keeps the exam going")
        check(answered in client.stderr(), "the question and No on standard error")
        check(os.path.isdir(os.path.join(client.root, "620722001")), "and the work")
        client.focus(form1, LABEL1)
        client.keys("Return")  # the focus is still on "退出"
        box = client.wait_window(TITLE_GRADING, 2)
        client.focus(box)
        client.keys("y" if wine else "alt+y")
        wait_for(lambda: client.proc.poll() is not None, "the program to end")
        check(not os.path.exists(os.path.join(client.root, "620722001")), "Yes removes the folder")
        check(client.stderr().endswith("webexam: answer: 是\n"), "Yes on standard error")
        check(not os.path.exists(os.path.join(client.root, "cjj.txt")), "and no result was written")
    finally:
        client.close()


def scenario_share_slow_or_gone(display, binary, model, work, wine, holder, shots):
    """A share that cannot be reached is said so; a share log held by another
    PC keeps the window busy, not frozen, until the line lands."""
    client = Client(display, binary, work, wine)
    try:
        form1 = sign_in(client, None)
        shutil.copy(model, os.path.join(client.root, "620722001", "web", "index.htm"))
        line = expected_line(client.computer_name, 22, [1] * 22)
        local_log = os.path.join(client.root, "cjj.txt")

        # The share is gone: "成绩没有交到教师机…".
        shutil.rmtree(client.share)
        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "上交成绩"
        box = client.wait_window(TITLE_GRADING, 2)
        check("webexam: message: 成绩没有交到教师机" in client.stderr(), "the line did not reach the share")
        if wine:
            wait_for(client.report_opened, "the report to be opened")
            client.close_report()
        client.focus(box)
        client.keys("Return")
        wait_for(lambda: len(client.windows(TITLE_GRADING)) == 1, "the message to close")

        # The share is back, its log held by another writer for 5 s.
        os.makedirs(client.share)
        ready = os.path.join(work, "ready")
        if wine:
            command = ["wine", holder, "hold-lock", "\\\\teacher\\results\\cjwyzz.txt", "5000",
                       "Z:" + ready.replace("/", "\\")]
        else:
            command = [holder, "hold-lock", os.path.join(client.share, "cjwyzz.txt"), "5000", ready]
        held = subprocess.Popen(command, env=client.env, stdout=subprocess.DEVNULL)
        try:
            wait_for(lambda: os.path.exists(ready), "the share log to be held")
            client.focus(form1, LABEL1)
            client.keys("Return")  # the focus is still on "上交成绩"
            wait_for(lambda: client.stderr().count("webexam: busy") == 2, "the busy state", 5)
            time.sleep(0.5)
            if wine:
                client.close_report()
            client.screenshot(shots, "busy.png", form1)
            check(client.proc.poll() is None and client.stderr().count("webexam: ready") == 1,
                  "the window is busy while the log is held")
            # A press meanwhile does nothing, now or later; a close is ignored.
            client.focus(form1, LABEL1)
            client.keys("Return")
            client.ask_to_close(form1)
            check(client.proc.poll() is None and client.windows(TITLE_GRADING),
                  "closing the busy window is ignored")
            wait_for(lambda: client.stderr().count("webexam: ready") == 2, "the share step to end",
                     20)
        finally:
            held.wait()
        time.sleep(1.0)
        check(read(os.path.join(client.share, "cjwyzz.txt")) == line, "the line landed once")
        check(read(local_log) == line + line, "the press while busy was not kept for later")
        # Only the client's own lines: a report viewer under Wine writes there too.
        after = client.stderr().split("webexam: message: 成绩没有交到教师机", 1)[1].splitlines()[1:]
        check([l for l in after if l.startswith("webexam:")] == ["webexam: busy", "webexam: ready"],
              "no second pass, no message")

        # The line is with the teacher: 退出 asks no more.
        client.focus(form1, LABEL1)
        client.keys("Tab", "Return")  # "退出"
        wait_for(lambda: client.proc.poll() is not None, "the program to end")
        check("webexam: question:" not in client.stderr(), "no question once the line landed")
        check(not os.path.exists(os.path.join(client.root, "620722001")), "the folder is gone")
    finally:
        client.close()


def scenario_long_folder(binary, work, size, whole, shots):
    """A drive root longer than usual on a narrow screen: the grading window
    grows for the folder and moves left where it would pass the screen's
    edge; past the screen's width the folder loses its middle, never its end.
    Either way the label's text ends before the buttons."""
    with Display(size) as display:
        screen_width = int(size.split("x")[0])
        # ~/webexam and 31 characters more, as a room's own folder would be.
        root = os.path.join(work, "webexam-jf07-afternoon-session-2027-06")
        client = Client(display, binary, work, None, root=root)
        try:
            form1 = sign_in(client, None)
            time.sleep(0.5)  # placed once more a moment after it is shown
            folder = "~/webexam-jf07-afternoon-session-2027-06/620722001"
            labels = [line[len("webexam: folder label: "):]
                      for line in client.stderr().splitlines()
                      if line.startswith("webexam: folder label: ")]
            check(labels, "the folder label's text is on standard error")
            text = labels[-1]
            if whole:
                check(text == "考生文件夹为" + folder, "the whole folder on %s" % size)
            else:
                check(text.startswith("考生文件夹为~/") and "…" in text and
                      text.endswith("/620722001") and len(text) < len("考生文件夹为" + folder),
                      "on %s the folder loses its middle, not its end: %s" % (size, text))
            x, y, width, height = client.geometry(form1)
            check(0 <= x and x + width <= screen_width,
                  "the window (%d to %d) is on the %d-pixel screen" % (x, x + width, screen_width))
            if not whole:
                check(x == 0 and width == screen_width, "the window takes the screen's width")
            # "上交成绩" stands 149 pixels from the right end (341 - 192 at 96
            # dots per inch); the label's rows are 80 to 97. The rule ends the
            # text two character widths (16 pixels) before it; a text cut by
            # the label's own end (8 pixels before it), or under the button,
            # reaches further.
            buttons = width - 149
            right = client.red_right_edge(form1, 80, 97)
            check(buttons - 48 < right <= buttons - 16,
                  "the label's text ends at %d, clear of the buttons at %d" % (right, buttons))
            client.screenshot(shots, "long-folder-%s.png" % size)
            client.focus(form1, LABEL1)
            client.keys("Tab", "Tab", "Return")  # "退出"
            box = client.wait_window(TITLE_GRADING, 2)
            client.focus(box)
            client.keys("alt+y")
            wait_for(lambda: client.proc.poll() is not None, "the program to end")
        finally:
            client.close()


def scenario_fatal_error(display, binary, work, wine):
    """The fatal path: an exam folder without its sealed exam file, or with
    one changed since sealing, stops the program before the sign-in with the
    file named; one without the material stops the grading window's
    creation, which no handler answers."""
    program = os.path.join(work, "program")
    os.makedirs(program)
    shutil.copy(binary, program)
    with open(os.path.join(program, "1.txt"), "wb") as f:
        f.write("任务".encode("gbk"))
    program_binary = os.path.join(program, os.path.basename(binary))
    sealed = read(os.path.join(os.path.dirname(binary), "exam.sealed"))
    for exam_file, problem in ((None, "找不到这个文件"),
                               (sealed[:-1] + bytes([sealed[-1] ^ 1]), "封存后被改动过或已损坏")):
        if exam_file:
            with open(os.path.join(program, "exam.sealed"), "wb") as f:
                f.write(exam_file)
        client = Client(display, program_binary, work, wine)
        try:
            box = client.wait_window(TITLE_GRADING)
            fatal = [line for line in client.stderr().splitlines()
                     if line.startswith("webexam: fatal: 错误 ")]
            check(len(fatal) == 1 and "：考题文件 " in fatal[0] and
                  "exam.sealed：" + problem in fatal[0],
                  "the exam file is named: %s" % (fatal or client.stderr()))
            check(not client.windows(TITLE_SIGN_IN), "no sign-in without the exam")
            client.focus(box)
            client.keys("Return")
            wait_for(lambda: client.proc.poll() is not None, "the program to end")
            check(client.proc.returncode != 0, "the program ends with a failure status")
        finally:
            client.close()

    with open(os.path.join(program, "exam.sealed"), "wb") as f:
        f.write(sealed)
    client = Client(display, program_binary, work, wine)
    try:
        form2 = client.wait_window(TITLE_SIGN_IN)
        client.focus(form2)
        client.keys("Tab", "ctrl+a")
        client.type(NUMBER)
        client.keys("Tab")
        client.type("Li Lei")
        client.keys("Tab", "Return")
        box = client.wait_window(TITLE_GRADING)
        check("webexam: fatal: 错误 " in client.stderr() and "aa" in client.stderr(),
              "a missing material folder shows the error's number and description")
        client.focus(box)
        client.keys("Return")
        wait_for(lambda: client.proc.poll() is not None, "the program to end")
        check(client.proc.returncode != 0, "the fatal path ends the program with a failure status")
        check(os.path.exists(os.path.join(client.root, "1.txt")), "what was written stays")
    finally:
        client.close()


def scenario_reboot_under_restore_software(display, binary, model, work, wine):
    """Restore software takes back drive C: at a reboot, the PC's marker and
    log with it: the candidate submits again as if for the first time, is
    shown no message, and the share keeps both lines and both graded pages."""
    share_log = None
    kept = []
    for run, page in enumerate((model, None)):
        client = Client(display, binary, work, wine)
        try:
            form1 = sign_in(client, None)
            web = os.path.join(client.root, "620722001", "web")
            if page:
                shutil.copy(page, os.path.join(web, "index.htm"))
            kept.append(read(os.path.join(web, "index.htm"))[:32000])
            share_log = os.path.join(client.share, "cjwyzz.txt")
            client.focus(form1, LABEL1)
            client.keys("Tab", "Return")  # from the viewer to "上交成绩"
            wait_for(lambda: os.path.exists(share_log) and
                     read(share_log).count(b"\r\n") == run + 1, "the share line")
            wait_for(client.report_opened, "the report to be opened")
            local = read(os.path.join(client.root, "cjj.txt"))
            check(read(share_log).endswith(local), "the share took this submission's line")
            # The sign-in's refusal of the untouched exam number, and nothing after it.
            check(client.stderr().count("webexam: message:") == 1,
                  "run %d: a submission after a reboot shows no message" % (run + 1))
            stem = "%s-%s" % (NUMBER, client.computer_name)
        finally:
            client.close()
        # The power goes off; drive C: comes back as it was before the exam.
        for name in ("cj.txt", "cjj.txt", os.path.join("windows", "fen.g")):
            os.remove(os.path.join(client.root, name))
        shutil.rmtree(os.path.join(client.root, "620722001"))
        if not wine:
            os.remove(os.path.join(work, "viewer.log"))
    check(read(share_log).startswith(expected_line(client.computer_name, 22, [1] * 22)),
          "the first line stays first")
    pages = os.path.join(client.share, "pages")
    check(sorted(os.listdir(pages)) == [stem + "(2).htm", stem + ".htm"],
          "two pages kept: %r" % os.listdir(pages))
    check(read(os.path.join(pages, stem + ".htm")) == kept[0], "the first page is as it was graded")
    check(read(os.path.join(pages, stem + "(2).htm")) == kept[1], "the second page beside it")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("model")
    parser.add_argument("--wine", action="store_true", help="the Windows client, under Wine")
    parser.add_argument("--screenshots")
    parser.add_argument("--holder", help="results_driver, to hold the share log a while")
    parser.add_argument("--second-exam", help="tests/data/exam2 as the build sealed it")
    args = parser.parse_args()
    binary = os.path.abspath(args.binary)
    work = tempfile.mkdtemp(prefix="webexam-e2e-")
    try:
        with Display() as display:
            wine = Wine(display, work) if args.wine else None
            scenarios = [
                lambda: scenario_submit_and_exit(display, binary, args.model,
                                                 os.path.join(work, "a"), wine, args.screenshots),
                lambda: scenario_exit_without_submission(display, binary, os.path.join(work, "b"),
                                                         wine, args.screenshots),
                lambda: scenario_fatal_error(display, binary, os.path.join(work, "c"), wine),
                lambda: scenario_no_report_viewer(display, binary, args.model,
                                                  os.path.join(work, "d"), wine),
            ]
            if not wine:
                scenarios.append(lambda: scenario_no_report_viewer(
                    display, binary, args.model, os.path.join(work, "h"), None, "terminal"))
                scenarios.append(lambda: scenario_reboot_under_restore_software(
                    display, binary, args.model, os.path.join(work, "i"), None))
            if not wine:
                # Narrow screens: 800 pixels, where the grown window moves
                # left; 640, where it takes the whole width.
                scenarios += [
                    lambda: scenario_long_folder(binary, os.path.join(work, "f"), "800x600",
                                                 True, args.screenshots),
                    lambda: scenario_long_folder(binary, os.path.join(work, "g"), "640x480",
                                                 False, args.screenshots),
                ]
            if args.second_exam:
                model2 = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data",
                                      "exam2", "model.htm")
                scenarios.append(lambda: scenario_second_exam(
                    display, binary, os.path.abspath(args.second_exam), model2,
                    os.path.join(work, "j"), wine))
            if args.holder:
                scenarios.append(lambda: scenario_share_slow_or_gone(
                    display, binary, args.model, os.path.join(work, "e"), wine,
                    os.path.abspath(args.holder), args.screenshots))
            for scenario in scenarios:
                if wine:
                    wine.clean()
                scenario()
            if args.screenshots:
                shutil.copy(os.path.join(work, "a", "report.txt"), args.screenshots)
        print("%d passed, 0 failed" % len(scenarios))
        return 0
    except Failure as failure:
        print("FAIL " + str(failure))
        for name in ("a", "b", "c", "d", "e", "f", "g", "h", "i", "j"):
            log = os.path.join(work, name, "stderr.log")
            if os.path.exists(log):
                print("--- webexam stderr (%s) ---\n%s" % (name, open(log, errors="replace").read()))
        return 1
    finally:
        if args.wine:
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=wine.prefix)
                           if wine else None, capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
