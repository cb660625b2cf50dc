"""The results share on a real Samba server: no line lost, none torn, no PC
left marked without its line.

Usage: /usr/bin/python3 real_smb_test.py CASE BUILD_DIR

CASE is one of the functions named in CASES; BUILD_DIR the Linux build folder
(its tests/results_driver is one exam PC in a process; its bin/ holds the
teachers' tools). The script enters a network namespace of its own, starts
smbd there on 127.0.0.1 and stops it at the end, also on failure. Exits 0
when every check held; prints what it measured either way.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import samba_server as samba  # noqa: E402

MODEL = os.path.join(HERE, "..", "..", "exam", "model.htm")
NOT_DELIVERED = "成绩没有交到教师机，请稍后再按“上交成绩”，或者通知老师"
NO_MARKER = "成绩已交到教师机，但没能留下本机记号，请通知老师"
LOG = "cjwyzz.txt"


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


class Room:
    """Exam PCs, each with a drive folder of its own holding the model answer
    as its page, submitting through results_driver."""

    def __init__(self, build, work, count, prefix="PC"):
        self.driver = os.path.join(build, "tests", "results_driver")
        self.pcs = []
        for i in range(count):
            root = os.path.join(work, "%s%02d" % (prefix.lower(), i))
            os.makedirs(os.path.join(root, "620722001", "web"))
            shutil.copy(MODEL, os.path.join(root, "620722001", "web", "index.htm"))
            self.pcs.append({"root": root, "computer": "%s%02d" % (prefix, i),
                             "exam": str(120722001 + i + (500 if prefix != "PC" else 0)),
                             "name": "考生%s%d" % (prefix, i)})

    def press(self, share, pcs=None, start=None, env=None, stay=0.0):
        """Every PC (or those given) presses "上交成绩" at `start` (by
        default a moment from now), and keeps running `stay` seconds after
        its submission, as a client does. Returns their processes, running."""
        pcs = self.pcs if pcs is None else pcs
        start = start or time.time() + 1.0 + 0.02 * len(pcs)
        return [(pc, subprocess.Popen(
            [self.driver, "submit", pc["root"], share, pc["computer"], pc["exam"], pc["name"],
             str(int(start * 1000))] + ([str(int(stay * 1000))] if stay else []),
            stdout=subprocess.PIPE, env=env)) for pc in pcs]

    @staticmethod
    def told(running):
        """Waits for the PCs; returns each PC with what its window showed
        (its notes for the error output, such as a graded page not kept, go
        to this script's standard error)."""
        results = []
        for pc, process in running:
            out = process.communicate()[0].decode("utf-8", "replace")
            check(process.returncode == 0, "%s ended with %d: %s"
                  % (pc["computer"], process.returncode, out))
            results.append((pc, out))
        return results

    @staticmethod
    def marked(pc):
        return os.path.exists(os.path.join(pc["root"], "windows", "fen.g"))

    @staticmethod
    def local_lines(pc):
        with open(os.path.join(pc["root"], "cjj.txt"), "rb") as f:
            return [line + b"\r\n" for line in f.read().split(b"\r\n")[:-1]]


def share_lines(folder):
    """The log's lines, each with its CR LF; fails on a torn end."""
    path = os.path.join(folder, LOG)
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        content = f.read()
    parts = content.split(b"\r\n")
    check(parts[-1] == b"", "the log ends in a torn line: %r" % parts[-1][:60])
    return [line + b"\r\n" for line in parts[:-1]]


def check_share(folder, expected, computers):
    """The log holds exactly the expected lines, each once, none torn or
    mixed; every computer has its empty marker."""
    lines = share_lines(folder)
    missing = [line for line in expected if line not in lines]
    foreign = [line for line in lines if line not in expected]
    duplicated = len(lines) - len(set(lines))
    check(not missing, "%d lines lost: %r" % (len(missing), missing[:2]))
    check(not foreign, "%d lines interleaved or foreign: %r" % (len(foreign), foreign[:2]))
    check(not duplicated, "%d lines twice" % duplicated)
    for computer in computers:
        marker = os.path.join(folder, computer)
        check(os.path.isfile(marker) and os.path.getsize(marker) == 0,
              "no empty marker for %s" % computer)
    return len(lines)


def clear(folder):
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)


def reset(room):
    for pc in room.pcs:
        for path in ("windows/fen.g", "cjj.txt", "cj.txt"):
            full = os.path.join(pc["root"], path)
            if os.path.exists(full):
                os.remove(full)


# --- The cases ---

def burst(server, build, work):
    """Forty PCs, each its own process and SMB connection, press at once;
    ten rounds, the first with the teacher's live view reading the share."""
    room = Room(build, work, 40)
    for round_number in range(1, 11):
        clear(server.share)
        reset(room)
        start = time.time() + 1.5
        # In the first round the teacher's live view reads the share as the
        # PCs append: it must keep none of them out.
        watcher = subprocess.Popen(
            [os.path.join(build, "bin", "webexam-results"), "--watch", "--interval", "1",
             "--journal", os.path.join(work, "journal.txt"), server.address()], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE
        ) if round_number == 1 else None
        told = Room.told(room.press(server.address(), start=start))
        last = time.time() - start
        if watcher:
            watcher.send_signal(signal.SIGINT)
            errors = watcher.communicate(timeout=30)[1].decode("utf-8", "replace")
            check(watcher.returncode == 0, "the live view ended with %d: %s"
                  % (watcher.returncode, errors))
        for pc, out in told:
            check(out == "", "%s was told %r" % (pc["computer"], out))
            check(Room.marked(pc), "%s is not marked" % pc["computer"])
        expected = [line for pc in room.pcs for line in Room.local_lines(pc)]
        n = check_share(server.share, expected, [pc["computer"] for pc in room.pcs])
        print("round %2d: 40 PCs, %d lines intact, 40 markers, all done %.2f s after the press%s"
              % (round_number, n, last, ", the live view watching" if round_number == 1 else ""))


def mixed(server, build, work):
    """Half the room Linux PCs, half Windows PCs opening the log as
    CreateFileW does, on one server; three rounds."""
    linux = Room(build, work, 20, "LX")
    windows = [{"computer": "WIN%02d" % i, "exam": str(120722601 + i), "name": "考生W%d" % i}
               for i in range(20)]
    for round_number in range(1, 4):
        clear(server.share)
        reset(linux)
        start = time.time() + 2.0
        running = linux.press(server.address(), start=start)
        others = [subprocess.Popen(
            [sys.executable, os.path.join(HERE, "samba_server.py"), "submit", pc["computer"], pc["exam"],
             pc["name"], str(int(start * 1000))], stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT) for pc in windows]
        for pc, out in Room.told(running):
            check(out == "", "%s was told %r" % (pc["computer"], out))
        for pc, process in zip(windows, others):
            out = process.communicate()[0].decode()
            check(process.returncode == 0 and out == "", "%s: %s" % (pc["computer"], out))
        expected = [line for pc in linux.pcs for line in Room.local_lines(pc)]
        expected += [samba.windows_line(pc["exam"], pc["name"], pc["computer"]) for pc in windows]
        n = check_share(server.share, expected,
                        [pc["computer"] for pc in linux.pcs] + [pc["computer"] for pc in windows])
        print("round %d: 20 Linux and 20 Windows PCs, %d lines intact, 0 lost, 0 interleaved"
              % (round_number, n))


def restart(server, build, work):
    """The server goes away 0.2 s into a burst (once the first line is in)
    and comes back after the PCs gave up: each PC was told, none is marked without its line, and the
    second press delivers."""
    room = Room(build, work, 40)
    start = time.time() + 1.5
    running = room.press(server.address(), start=start)
    # 0.2 s into the burst, or on a slow machine once the first line is in,
    # so that some PCs are cut off in the middle of their step.
    time.sleep(max(0.0, start + 0.2 - time.time()))
    while not share_lines(server.share) and time.time() < start + 10:
        time.sleep(0.01)
    stopped = time.time() - start
    server.stop()
    told = Room.told(running)  # every PC has given up by now: its budget is 15 s
    server.start()
    lines = share_lines(server.share)
    delivered = unmarked = 0
    for pc, out in told:
        own = Room.local_lines(pc)[0]
        # The server may also go between the line and the computer marker.
        if out.strip() in ("", NO_MARKER):
            delivered += 1
            unmarked += out.strip() == NO_MARKER
            check(Room.marked(pc), "%s delivered but is not marked" % pc["computer"])
            check(own in lines, "%s is marked, but its line is not on the share" % pc["computer"])
        else:
            check(out.strip() == NOT_DELIVERED, "%s was told %r" % (pc["computer"], out))
            check(not Room.marked(pc), "%s was told, but is marked" % pc["computer"])
    print("server stopped %.2f s into the burst: %d PCs delivered before (%d of them told "
          "their computer marker is missing), %d told \"not delivered\"; none marked without "
          "its line" % (stopped, delivered, unmarked, 40 - delivered))

    again = [pc for pc, out in told if out.strip() == NOT_DELIVERED]
    for pc, out in Room.told(room.press(server.address(), pcs=again)):
        check(out == "", "%s, second press, was told %r" % (pc["computer"], out))
    lines = share_lines(server.share)
    for pc in room.pcs:
        check(Room.local_lines(pc)[-1] in lines, "%s has no line on the share" % pc["computer"])
        check(Room.marked(pc), "%s is not marked" % pc["computer"])
    print("second press: %d PCs delivered; the share has %d lines for 40 PCs (%d twice: "
          "lines that landed as the server went away)"
          % (len(again), len(lines), len(lines) - len(set(lines))))


def read_only(server, build, work):
    """A read-only share: every PC is told at once, none is marked; the room
    check names the share."""
    room = Room(build, work, 5)
    start = time.time() + 1.0
    told = Room.told(room.press(server.address("readonly"), start=start))
    took = time.time() - start
    for pc, out in told:
        check(out.strip() == NOT_DELIVERED, "%s was told %r" % (pc["computer"], out))
        check(not Room.marked(pc), "%s is marked" % pc["computer"])
    check(not os.path.exists(os.path.join(server.share, LOG)), "a line reached a read-only share")
    print("read-only share: 5 PCs told \"not delivered\" after %.1f s, none marked" % took)
    out = room_check(build, work, server.address("readonly"))
    check("成绩共享文件夹" in out and "失败" in out.split("成绩共享文件夹")[1].split("\n")[0],
          "webexam-check passed a read-only share:\n" + out)


def held(server, build, work):
    """Another SMB client holds the log as a Windows PC appending does: for
    5 s the PCs wait and land; for 30 s they are told, unmarked, and the next
    press delivers."""
    for seconds, count in ((5, 10), (30, 5)):
        clear(server.share)
        room = Room(build, os.path.join(work, "held%d" % seconds), count)
        ready = os.path.join(work, "held%d.ready" % seconds)
        holder = subprocess.Popen([sys.executable, os.path.join(HERE, "samba_server.py"), "hold", LOG,
                                   str(seconds), ready])
        while not os.path.exists(ready):
            check(holder.poll() is None, "the holder could not open the log")
            time.sleep(0.02)
        start = time.time() + 0.3
        told = Room.told(room.press(server.address(), start=start))
        took = time.time() - start
        holder.wait()
        if seconds < 15:
            for pc, out in told:
                check(out == "", "%s was told %r" % (pc["computer"], out))
            check_share(server.share, [Room.local_lines(pc)[0] for pc in room.pcs],
                        [pc["computer"] for pc in room.pcs])
            print("log held %d s: %d PCs waited and landed, all done %.1f s after the press"
                  % (seconds, count, took))
        else:
            for pc, out in told:
                check(out.strip() == NOT_DELIVERED, "%s was told %r" % (pc["computer"], out))
                check(not Room.marked(pc), "%s is marked" % pc["computer"])
            check(share_lines(server.share) == [], "a line got past the holder")
            for pc, out in Room.told(room.press(server.address())):
                check(out == "", "%s, second press, was told %r" % (pc["computer"], out))
            check_share(server.share, [Room.local_lines(pc)[-1] for pc in room.pcs],
                        [pc["computer"] for pc in room.pcs])
            print("log held %d s: %d PCs told \"not delivered\" after %.1f s, unmarked; "
                  "the next press delivered all" % (seconds, count, took))


def ended_lines(folder):
    """How many lines of the log have their end, read while PCs may write."""
    try:
        with open(os.path.join(folder, LOG), "rb") as f:
            return f.read().count(b"\r\n")
    except FileNotFoundError:
        return 0


def kept_pages(folder):
    pages = os.path.join(folder, "pages")
    return os.listdir(pages) if os.path.isdir(pages) else []


def session_ends(server, build, work):
    """A PC holds a session on the server while its share step runs, and none
    once the step has ended, though its program keeps running. Another
    client holds the log for 3 s, so that the PC is seen waiting, connected."""
    ready = os.path.join(work, "held.ready")
    holder = subprocess.Popen([sys.executable, os.path.join(HERE, "samba_server.py"), "hold", LOG,
                               "3", ready])
    while not os.path.exists(ready):
        check(holder.poll() is None, "the holder could not open the log")
        time.sleep(0.02)
    room = Room(build, work, 1)
    start = time.time() + 0.3
    process = room.press(server.address(), start=start, stay=15)[0][1]
    most = (0, 0)
    while time.time() < start + 12 and not kept_pages(server.share):
        most = max(most, server.connections())
        time.sleep(0.02)
    check(kept_pages(server.share), "the page was not kept")
    kept = time.time()
    check(most == (2, 2), "while the PC waited for the log the server held %d clients and %d "
          "tree connects, not the holder's and the PC's" % most)
    holder.wait()
    while server.connections() != (0, 0) and time.time() < kept + 3:
        time.sleep(0.05)
    left = server.connections()
    released = time.time() - kept
    check(process.poll() is None, "the PC ended before it was looked at")
    check(left == (0, 0), "the server still holds %d clients and %d tree connects, %.1f s "
          "after the PC's page was kept" % (left + (released,)))
    process.kill()
    process.communicate()
    check(share_lines(server.share) == Room.local_lines(room.pcs[0]), "the line is not on the share")
    print("one PC waiting for the log held a connection and a tree connect; %.1f s after the press "
          "its page was kept, %.2f s later the server held none, the PC still running"
          % (kept - start, released))


def full_server(server, build, work, limit):
    """Sixty PCs press at once through a share that takes `limit`
    connections; each stays running 20 s after its submission. A PC the
    server turns away waits its turn: every line lands once, intact, with its
    markers and its page, and no PC is told a thing. The server is free again
    as soon as the last page is kept, while PCs still run."""
    count = 60
    room = Room(build, work, count)
    start = time.time() + 1.0 + 0.02 * count
    running = room.press(server.address(), start=start, stay=20)
    most = 0
    delivered = None
    deadline = start + 60
    while time.time() < deadline:
        most = max(most, server.connections()[1])
        if (delivered is None and len(kept_pages(server.share)) == count
                and ended_lines(server.share) == count):
            delivered = time.time() - start
        if delivered is not None and server.connections() == (0, 0):
            break
        time.sleep(0.1)
    released = time.time() - start
    check(delivered is not None, "%d lines and %d pages on the share after %.0f s"
          % (ended_lines(server.share), len(kept_pages(server.share)), released))
    # A PC that kept its session until it ended would keep the server busy
    # until the last PC ended.
    still = sum(process.poll() is None for _, process in running)
    left = server.connections()
    check(left == (0, 0), "the server still holds %d clients and %d tree connects %.1f s after "
          "the press" % (left + (released,)))
    check(still > 0 and released - delivered < 5, "the server was free only %.1f s after the "
          "last page was kept, with %d PCs still running" % (released - delivered, still))
    told = Room.told(running)
    ended = time.time() - start
    for pc, out in told:
        check(out == "", "%s was told %r" % (pc["computer"], out))
        check(Room.marked(pc), "%s is not marked" % pc["computer"])
    expected = [line for pc in room.pcs for line in Room.local_lines(pc)]
    n = check_share(server.share, expected, [pc["computer"] for pc in room.pcs])
    pages = sorted(kept_pages(server.share))
    check(pages == sorted("%s-%s.htm" % (pc["exam"], pc["computer"]) for pc in room.pcs),
          "kept pages: %r" % pages)
    with open(MODEL, "rb") as f:
        model = f.read()[:32000]
    for page in pages:
        with open(os.path.join(server.share, "pages", page), "rb") as f:
            check(f.read() == model, "the kept page %s is not what was graded" % page)
    print("max connections %d: %d PCs, %d lines intact, %d markers, %d pages, all on the share "
          "%.1f s after the press (at most %d tree connects seen at once); the server held "
          "nothing %.1f s after the press, %d PCs still running; all ended %.1f s after"
          % (limit, count, n, count, len(pages), delivered, most, released, still, ended))


def room_check(build, work, share, env=None):
    root = os.path.join(work, "check-root")
    os.makedirs(root, exist_ok=True)
    env = dict(env or os.environ, WEBEXAM_ROOT=root, WEBEXAM_SHARE=share)
    result = subprocess.run([os.path.join(build, "bin", "webexam-check")], env=env,
                            capture_output=True)
    return result.stdout.decode("utf-8", "replace") + result.stderr.decode("utf-8", "replace")


def tools(server, build, work):
    """webexam-check and webexam-results over smb://, a UNC path meaning the
    same, and the teacher's account from a credentials file."""
    out = room_check(build, work, server.address())
    line = [l for l in out.splitlines() if l.startswith("成绩共享文件夹")]
    check(line and "通过" in line[0], "webexam-check failed the share:\n" + out)
    check(os.listdir(server.share) == [], "webexam-check left %s" % os.listdir(server.share))

    room = Room(build, work, 3)
    told = Room.told(room.press("\\\\127.0.0.1\\results\\"))
    check(all(out == "" for _, out in told), "UNC path: %r" % told)
    check_share(server.share, [Room.local_lines(pc)[0] for pc in room.pcs],
                [pc["computer"] for pc in room.pcs])

    # Each first submission also leaves the bytes it graded, in a folder.
    with open(MODEL, "rb") as f:
        model = f.read()[:32000]
    for pc in room.pcs:
        kept = os.path.join(server.share, "pages", "%s-%s.htm" % (pc["exam"], pc["computer"]))
        check(os.path.isfile(kept) and open(kept, "rb").read() == model,
              "no graded page kept for %s" % pc["computer"])

    results = subprocess.run([os.path.join(build, "bin", "webexam-results"), server.address()],
                             capture_output=True)
    text = results.stdout.decode("utf-8", "replace")
    check(results.returncode == 0, "webexam-results: %s" % results.stderr.decode())
    for pc in room.pcs:
        check(pc["exam"] in text and pc["computer"] in text,
              "webexam-results does not show %s:\n%s" % (pc["computer"], text))
    check("没有它的成绩行" not in text and "没有记号" not in text,
          "webexam-results sees a marker or a line missing:\n" + text)
    print("webexam-check passed smb://, a UNC path delivered with the graded pages kept, "
          "webexam-results read 3 lines and 3 markers over SMB")

    # Restore software took back PC00's drive at a reboot: it submits again
    # with another page, and its first page stays as it was beside the new one.
    first = room.pcs[0]
    for path in ("windows/fen.g", "cjj.txt", "cj.txt"):
        os.remove(os.path.join(first["root"], path))
    with open(os.path.join(first["root"], "620722001", "web", "index.htm"), "wb") as f:
        f.write(b"")
    told = Room.told(room.press(server.address(), pcs=[first]))
    check(told[0][1] == "", "the rebooted PC was told %r" % told[0][1])
    check(len(share_lines(server.share)) == 4, "the rebooted PC's line is not on the share")
    pages = os.path.join(server.share, "pages")
    stem = "%s-%s" % (first["exam"], first["computer"])
    check(open(os.path.join(pages, stem + ".htm"), "rb").read() == model,
          "the first page was written over")
    check(open(os.path.join(pages, stem + "(2).htm"), "rb").read() == b"",
          "the second page was not kept beside it")
    results = subprocess.run([os.path.join(build, "bin", "webexam-results"), server.address()],
                             capture_output=True)
    text = results.stdout.decode("utf-8", "replace")
    check("计算机 %s 有 2 行成绩" % first["computer"] in text and
          "页面 pages/%s(2).htm" % stem in text and "还原卡" in text,
          "webexam-results does not explain the two lines:\n" + text)
    results = subprocess.run([os.path.join(build, "bin", "webexam-results"), "--regrade",
                              server.address()], capture_output=True)
    text = results.stdout.decode("utf-8", "replace")
    regraded = text.split("\n相似的页面")[0]  # the room's pages are all one model answer
    check("里的 4 个页面：与成绩行不同的 0 个\n" in regraded and "没有" not in regraded,
          "each page is not graded against its own line over SMB:\n" + text)
    print("a rebooted PC's second submission kept its own page over SMB, and was explained")

    # The teacher's share lets in one account only.
    clear(server.share)
    reset(room)
    credentials = os.path.join(work, "smb-credentials")
    with open(credentials, "w") as f:
        f.write("# the results share's account\nusername=%s\npassword=%s\n"
                % (samba.TEACHER_USER, samba.TEACHER_PASSWORD))
    os.chmod(credentials, 0o600)
    guest = dict(os.environ, WEBEXAM_SMB_CREDENTIALS=os.path.join(work, "none"))
    for pc, out in Room.told(room.press(server.address("teacher"), pcs=room.pcs[:1], env=guest)):
        check(out.strip() == NOT_DELIVERED, "a guest got into the teacher's share: %r" % out)
    account = dict(os.environ, WEBEXAM_SMB_CREDENTIALS=credentials)
    for pc, out in Room.told(room.press(server.address("teacher"), env=account)):
        check(out == "", "%s with the account was told %r" % (pc["computer"], out))
    check_share(server.share, [Room.local_lines(pc)[-1] for pc in room.pcs],
                [pc["computer"] for pc in room.pcs])
    print("teacher's account: refused as guest, delivered with the credentials file")


def share_line(out):
    lines = [l for l in out.splitlines() if l.startswith("成绩共享文件夹")]
    return lines[0] if lines else ""


def logon(server, build, work):
    """What webexam-check's share line tells the teacher for each way the
    server refuses this PC, as libsmbclient reports it; a credentials file
    others may read is refused, the guide's one is used."""
    credentials = os.path.join(work, "smb-credentials")

    def account(password, mode=0o640):
        with open(credentials, "w") as f:
            f.write("username=%s\npassword=%s\n" % (samba.TEACHER_USER, password))
        os.chmod(credentials, mode)
        return dict(os.environ, WEBEXAM_SMB_CREDENTIALS=credentials)

    def guest():
        return dict(os.environ, WEBEXAM_SMB_CREDENTIALS=os.path.join(work, "none"))

    # Each case's environment is made as the case runs: they share one file.
    cases = [
        ("a guest on the teacher's share", server.address("teacher"), guest,
         "连不上 %s（the guest logon is refused: Permission denied）。教师机不接受来宾（guest）登录"
         % server.address("teacher")),
        ("a wrong password", server.address("teacher"), lambda: account("wrong"),
         "凭据文件里的账户名或密码不对"),
        ("a share the server does not have", server.address("nosuch"), guest,
         "服务器上没有这个名字的共享。请核对 WEBEXAM_SHARE 里的共享名。"),
        ("no server at the address", "smb://127.0.0.2/results/", guest, "连不到教师机"),
        ("a server name that is not found", "smb://no-such-teacher/results/", guest,
         "连不到教师机"),
        ("a credentials file others may read", server.address("teacher"),
         lambda: account(samba.TEACHER_PASSWORD, 0o644), "chmod 0640 " + credentials),
    ]
    for what, share, env, says in cases:
        start = time.time()
        line = share_line(room_check(build, work, share, env()))
        took = time.time() - start
        check("失败" in line and says in line, "%s: the share line is %r" % (what, line))
        print("%s: %.1f s, %s" % (what, took, line.split("：", 1)[1]))
    line = share_line(room_check(build, work, server.address("teacher"),
                                 account(samba.TEACHER_PASSWORD)))
    check("通过" in line, "the guide's credentials file: the share line is %r" % line)
    print("the account in a 0640 credentials file: %s" % line)


def secrets(server, build, work):
    """No program shows the share's password, right or wrong: not with a
    wrong one in the credentials file, and not with an account written into
    the address, which every program refuses before it reaches the server,
    naming the credentials file instead. Searched in all they print and in
    every file they leave in the work folder and on the share."""
    wrong = "Wr0ng-Secret-4711"
    credentials = os.path.join(work, "smb-credentials")
    with open(credentials, "w") as f:
        f.write("username=%s\npassword=%s\n" % (samba.TEACHER_USER, wrong))
    os.chmod(credentials, 0o600)
    env = dict(os.environ, WEBEXAM_SMB_CREDENTIALS=credentials,
               XDG_DATA_HOME=os.path.join(work, "data"))
    printed = []

    def run(args, **extra):
        result = subprocess.run(args, env=env, capture_output=True, **extra)
        text = (result.stdout + result.stderr).decode("utf-8", "replace")
        printed.append((" ".join(os.path.basename(a) for a in args[:2]), text))
        return result.returncode, text

    addresses = [
        ("a wrong password in the credentials file", server.address("teacher")),
        ("an smb:// address with the account", "smb://%s:%s@127.0.0.1/teacher/"
         % (samba.TEACHER_USER, samba.TEACHER_PASSWORD)),
        ("a UNC path with the account", "\\\\%s:%s@127.0.0.1\\teacher\\"
         % (samba.TEACHER_USER, wrong)),
    ]
    results = os.path.join(build, "bin", "webexam-results")
    for n, (what, address) in enumerate(addresses):
        account_in_address = "@" in address
        room = Room(build, os.path.join(work, "room%d" % n), 1)
        pc = room.pcs[0]
        code, text = run([room.driver, "submit", pc["root"], address, pc["computer"], pc["exam"],
                          pc["name"], str(int(time.time() * 1000))])
        check(code == 0 and NOT_DELIVERED in text, "%s: the PC was told %r" % (what, text))
        text = share_line(room_check(build, work, address, env))
        printed.append(("webexam-check", text))
        says = "凭据文件 " + credentials if account_in_address else "凭据文件里的账户名或密码不对"
        check("失败" in text and says in text, "%s: webexam-check says %r" % (what, text))
        out = os.path.join(work, "out%d" % n)
        for args in ([address], ["--regrade", address],
                     ["--csv", out + ".csv", "--html", out + ".html", "--journal",
                      out + ".journal", address]):
            code, text = run([results] + args)
            check(code == (2 if account_in_address else 1), "%s: webexam-results %s ended %d: %s"
                  % (what, " ".join(args), code, text))
            if account_in_address:
                check("凭据文件 " + credentials in text, "%s: webexam-results says %r" % (what, text))
        print("%s: refused by the client, webexam-check and webexam-results" % what)

    for secret in (wrong, samba.TEACHER_PASSWORD):
        for name, text in printed:
            check(secret not in text, "%s printed the password: %r" % (name, text))
        for folder in (work, server.share):
            for top, _, files in os.walk(folder):
                for file in files:
                    path = os.path.join(top, file)
                    if path == credentials:
                        continue
                    with open(path, "rb") as f:
                        check(secret.encode() not in f.read(), "%s holds the password" % path)
    print("no password in %d outputs or in any file written" % len(printed))


def candidate_credentials(work):
    """A credentials file with the candidates' account, as each exam PC has."""
    path = os.path.join(work, "candidate-credentials")
    with open(path, "w") as f:
        f.write("username=%s\npassword=%s\n" % (samba.CANDIDATE_USER, samba.CANDIDATE_PASSWORD))
    os.chmod(path, 0o600)
    return dict(os.environ, WEBEXAM_SMB_CREDENTIALS=path)


def locked(server, build, work):
    """A share candidates can add to but not read, set up as the teacher's
    guide sets it up: both clients deliver to it, webexam-check passes on it
    naming what it refuses, and a candidate who tries another PC's files is
    refused all that permissions can refuse. What is not refused is printed:
    only the teacher's journal catches it."""
    from samba import NTSTATUSError
    server.lock_down(samba.LOG_ACCESS_WINDOWS)
    folder = server.locked
    pages = os.path.join(folder, "pages")
    with open(MODEL, "rb") as f:
        model = f.read()[:32000]

    # A room of Windows PCs: the log grants append-data alone.
    windows = []
    for i in range(3):
        computer, exam = "WIN%02d" % i, str(120722101 + i)
        pc = samba.WindowsPc("locked", samba.CANDIDATE_USER, samba.CANDIDATE_PASSWORD, folder)
        line = samba.windows_line(exam, "考生W%d" % i, computer)
        pc.append(LOG, line)
        check(pc.create_new(computer), "%s: its marker was there already" % computer)
        check(pc.create_new("pages\\%s-%s.htm" % (exam, computer), model),
              "%s: its page was there already" % computer)
        check(not pc.create_new(computer), "%s: a second marker was made" % computer)
        windows.append((computer, exam, line))
    check_share(folder, [line for _, _, line in windows], [c for c, _, _ in windows])
    for computer, exam, _ in windows:
        kept = os.path.join(pages, "%s-%s.htm" % (exam, computer))
        check(open(kept, "rb").read() == model, "%s: its page was not kept" % computer)
    print("3 Windows PCs' opens (log 0x%08x sharing read, OPEN_IF; marker and page 0x%08x, "
          "CREATE) delivered with the log granting candidates 0x%08x"
          % (samba.WINDOWS_APPEND_ACCESS, samba.WINDOWS_APPEND_ACCESS, samba.LOG_ACCESS_WINDOWS))

    # libsmbclient cannot append with append-data alone.
    candidate = candidate_credentials(work)
    room = Room(build, work, 3, prefix="LX")
    told = Room.told(room.press(server.address("locked"), pcs=room.pcs[:1], env=candidate))
    check(told[0][1].strip() == NOT_DELIVERED,
          "a Linux PC delivered to a log granting append-data alone: %r" % told[0][1])
    check(len(share_lines(folder)) == 3, "the refused Linux PC changed the log")
    print("a Linux PC is refused a log granting append-data alone (as expected): %s"
          % told[0][1].strip())

    # With write-data granted too, as the guide says for a room with Linux PCs.
    server.lock_down_log(samba.LOG_ACCESS_LINUX)
    reset(room)
    for pc, out in Room.told(room.press(server.address("locked"), env=candidate)):
        check(out == "", "%s was told %r" % (pc["computer"], out))
    check_share(folder, [line for _, _, line in windows] +
                [Room.local_lines(pc)[0] for pc in room.pcs],
                [c for c, _, _ in windows] + [pc["computer"] for pc in room.pcs])
    for pc in room.pcs:
        kept = os.path.join(pages, "%s-%s.htm" % (pc["exam"], pc["computer"]))
        check(os.path.isfile(kept) and open(kept, "rb").read() == model,
              "no graded page kept for %s" % pc["computer"])
    print("3 Linux PCs delivered line, marker and page with the log granting 0x%08x"
          % samba.LOG_ACCESS_LINUX)

    # webexam-check with the candidates' account passes and names what is refused.
    out = room_check(build, work, server.address("locked"), candidate)
    line = share_line(out)
    check("通过" in line and "读别人的文件、删文件、读成绩文件、列出文件被拒" in line,
          "webexam-check on the locked share: %r\n%s" % (line, out))
    left = [n for n in os.listdir(folder) + os.listdir(pages)
            if n.startswith(".webexam-check-")]
    check(len(left) == 2, "webexam-check left %r" % left)
    check(len(share_lines(folder)) == 6, "webexam-check changed the log")
    print("webexam-check: %s (probes left, dot-named: %d)" % (line, len(left)))

    # The teacher's tools see the room whole, the probes passed over.
    teacher = os.path.join(work, "teacher-credentials")
    with open(teacher, "w") as f:
        f.write("username=%s\npassword=%s\n" % (samba.TEACHER_USER, samba.TEACHER_PASSWORD))
    os.chmod(teacher, 0o600)
    results = subprocess.run([os.path.join(build, "bin", "webexam-results"),
                              server.address("locked")], capture_output=True,
                             env=dict(os.environ, WEBEXAM_SMB_CREDENTIALS=teacher))
    text = results.stdout.decode("utf-8", "replace")
    check(results.returncode == 0 and "没有它的成绩行" not in text and "没有记号" not in text
          and ".webexam-check" not in text and all(c in text for c, _, _ in windows),
          "webexam-results on the locked share:\n%s%s" % (text, results.stderr.decode()))

    # A candidate at WIN02 goes after WIN00's marker and page, and the log.
    conn = samba.connect("locked", samba.CANDIDATE_USER, samba.CANDIDATE_PASSWORD)
    other_marker = windows[0][0]
    other_page = "pages\\%s-%s.htm" % (windows[0][1], windows[0][0])
    log_before = open(os.path.join(folder, LOG), "rb").read()

    def opened(name, access, disposition=1, data=None, offset=0):
        fnum = conn.create(name, DesiredAccess=access, ShareAccess=7,
                           CreateDisposition=disposition,
                           CreateOptions=samba.WINDOWS_CREATE_OPTIONS)
        try:
            if data is not None:
                conn.write(fnum, data, offset)
        finally:
            conn.close(fnum)

    attempts = [
        ("read the log", lambda: conn.loadfile(LOG)),
        ("list the share", lambda: conn.list("")),
        ("list pages", lambda: conn.list("pages")),
        ("read another PC's page", lambda: conn.loadfile(other_page)),
        ("delete another PC's marker", lambda: conn.unlink(other_marker)),
        ("delete another PC's page", lambda: conn.unlink(other_page)),
        ("rename another PC's page", lambda: conn.rename(other_page, "pages\\x.htm")),
        ("write-data to another PC's page", lambda: opened(other_page, 0x2, data=b"X")),
        ("append to another PC's page", lambda: opened(other_page, 0x4, data=b"X")),
        ("append to another PC's marker", lambda: opened(other_marker, 0x4, data=b"X")),
        ("overwrite another PC's marker", lambda: opened(other_marker, 0x2, disposition=5)),
        ("change the access list of another PC's marker",
         lambda: opened(other_marker, 0x00040000)),
        ("take ownership of another PC's page", lambda: opened(other_page, 0x00080000)),
        ("change the access list of the marker it made itself",
         lambda: opened(windows[2][0], 0x00040000)),
        ("read the access list of another PC's page", lambda: opened(other_page, 0x00020000)),
    ]
    refused, allowed = [], []
    for what, attempt in attempts:
        try:
            attempt()
            allowed.append(what)
        except NTSTATUSError as error:
            (refused if samba.status_of(error) == 0xC0000022 else allowed).append(
                what if samba.status_of(error) == 0xC0000022
                else "%s (0x%08x)" % (what, samba.status_of(error)))
    check(open(os.path.join(folder, other_marker), "rb").read() == b"" and
          open(os.path.join(pages, other_page.split("\\")[1]), "rb").read() == model,
          "another PC's marker or page changed")
    check(not allowed, "a candidate was allowed: %s" % "; ".join(allowed))
    print("refused a candidate: " + "; ".join(refused))

    # What permissions cannot stop: an append-only handle on Samba writes
    # anywhere in the log; write-data (for Linux PCs) rewrites it; a name no
    # PC has used yet can be taken. Only the journal catches these.
    not_refused = []
    for what, attempt in [
        ("write at offset 0 of the log through an append-data handle",
         lambda: opened(LOG, samba.WINDOWS_APPEND_ACCESS, data=b"X", offset=0)),
        ("open the log for write-data (granted for Linux PCs)", lambda: opened(LOG, 0x2)),
        ("append a made-up line to the log",
         lambda: opened(LOG, samba.WINDOWS_APPEND_ACCESS, data=b"forged\r\n",
                        offset=len(log_before))),
        ("create the marker of a PC that has not submitted yet",
         lambda: opened("WIN09", samba.WINDOWS_APPEND_ACCESS, disposition=2)),
    ]:
        try:
            attempt()
            not_refused.append(what)
        except NTSTATUSError as error:
            print("refused (0x%08x): %s" % (samba.status_of(error), what))
    print("not refused, left to the journal: " + "; ".join(not_refused))


CASES = {"burst": burst, "mixed": mixed, "restart": restart, "read-only": read_only,
         "held": held, "tools": tools, "session": session_ends,
         "full-20": lambda *a: full_server(*a, limit=20),
         "full-5": lambda *a: full_server(*a, limit=5),
         "logon": logon, "secrets": secrets, "locked": locked}
# The results share's limit on connections at once, where a case sets one.
LIMITS = {"full-20": 20, "full-5": 5}


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in CASES:
        sys.exit("usage: real_smb_test.py {%s} BUILD_DIR" % ",".join(CASES))
    samba.enter_private_network()
    work = tempfile.mkdtemp(prefix="webexam-smb-")
    try:
        with samba.SambaServer(LIMITS.get(sys.argv[1], 0)) as server:
            try:
                CASES[sys.argv[1]](server, os.path.abspath(sys.argv[2]), work)
            except Failure as failure:
                print("FAILED: %s" % failure)
                print("smbd's log:\n" + server.log())
                return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
