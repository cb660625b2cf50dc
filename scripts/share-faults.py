#!/usr/bin/env python3
"""Stress and faults for the results share: figures, not a test.

Usage: share-faults.py DRIVER [PCS] [ROUNDS]

DRIVER is the built results_driver test program (one exam PC in a process).
Each PC has a drive folder of its own with a page to grade; a burst is every
PC pressing "上交成绩" at the same moment. First ROUNDS bursts (default 10) of
PCS PCs (default 200) on a sound share, then one burst for each fault:

  share missing         the share folder does not exist at the press
  share vanishes        the share folder is renamed away while the burst runs
  ShareLog locked 1 s   another writer holds cjwyzz.txt for 1, 5 and 30 s
  ...                   from the press on
  marker impossible     a folder of each PC's name is already in the share
  name no file name     the computer names hold a ':'

After a fault the share is put right and every PC presses once more. Each row
says what the candidates saw, what the share and the PCs hold afterwards, and
counts the faults that must never happen: a line lost (a PC marked, or told
nothing went wrong, without its line on the share), lines interleaved or
torn, a line twice, a line on the share of a PC left unmarked, a PC program
ended by an error. Exits with 1 when any of them happened.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MODEL = os.path.join(HERE, "..", "exam", "model.htm")
STARTER = os.path.join(HERE, "..", "exam", "aa", "index.htm")

NOT_DELIVERED = "成绩没有交到教师机，请稍后再按“上交成绩”，或者通知老师"
NO_MARKER = "成绩已交到教师机，但没能留下本机记号，请通知老师"
ALREADY = "你已经交过卷，已有分数，这次分数无效，如果想有效请通知老师"
SHOWN = {"": "none", NOT_DELIVERED: "not-delivered", NO_MARKER: "no-marker",
         ALREADY: "already-submitted"}


class Room:
    """PCS exam PCs, each a drive folder, and one share folder."""

    def __init__(self, driver, work, pcs):
        self.driver, self.work = driver, work
        self.share = os.path.join(work, "share")
        self.roots = []
        for pc in range(pcs):
            root = os.path.join(work, "pc%03d" % pc)
            os.makedirs(os.path.join(root, "620722001", "web"))
            shutil.copy(MODEL if pc % 2 else STARTER,
                        os.path.join(root, "620722001", "web", "index.htm"))
            self.roots.append(root)
        self.names = ["PC%03d" % pc for pc in range(pcs)]

    def reset(self, share=True):
        """A fresh exam: no PC marked, no local log, an empty share (or none)."""
        for root in self.roots:
            for name in ("cjj.txt", "cj.txt", os.path.join("windows", "fen.g")):
                path = os.path.join(root, name)
                if os.path.exists(path):
                    os.remove(path)
        for path in (self.share, self.share + ".gone"):
            if os.path.lexists(path):
                shutil.rmtree(path)
        if share:
            os.mkdir(self.share)

    def press_time(self):
        """A moment far enough ahead for every PC's program to have started."""
        return time.time() + 2.0 + len(self.roots) * 0.005

    def burst(self, during=None, start=None):
        """Every PC presses at the moment `start` (by default press_time());
        `during` runs at the press. Returns (messages, exit statuses, seconds
        until the last PC was done)."""
        start = start or self.press_time()
        procs = [
            subprocess.Popen(
                [self.driver, "submit", root, self.share + "/", name,
                 str(120722001 + pc), "考生%d" % pc, str(int(start * 1000))],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            for pc, (root, name) in enumerate(zip(self.roots, self.names))
        ]
        if during:
            time.sleep(max(0.0, start - time.time()))
            during()
        outputs = [p.communicate()[0].decode("utf-8", "replace") for p in procs]
        return outputs, [p.returncode for p in procs], time.time() - start

    def hold_lock(self, seconds, start):
        """Another writer takes cjwyzz.txt now and lets go `seconds` after
        the moment `start`."""
        ready = os.path.join(self.work, "ready")
        if os.path.exists(ready):
            os.remove(ready)
        holder = subprocess.Popen(
            [self.driver, "hold-lock", os.path.join(self.share, "cjwyzz.txt"),
             str(int((start + seconds - time.time()) * 1000)), ready])
        while not os.path.exists(ready):
            time.sleep(0.01)
        return holder

    def state(self, outputs, statuses):
        """What the candidates saw and what the share and the PCs hold."""
        seen = {}
        for out in outputs:
            key = SHOWN.get(out, "ERROR " + out.strip()[:60])
            seen[key] = seen.get(key, 0) + 1
        log = os.path.join(self.share, "cjwyzz.txt")
        content = open(log, "rb").read() if os.path.exists(log) else b""
        lines = content.split(b"\r\n")
        torn = lines.pop() != b""
        local = []
        for root in self.roots:
            path = os.path.join(root, "cjj.txt")
            first = open(path, "rb").read().split(b"\r\n")[0] if os.path.exists(path) else None
            local.append(first)
        marked = [os.path.exists(os.path.join(r, "windows", "fen.g")) for r in self.roots]
        counts = [lines.count(line) if line else 0 for line in local]
        own = set(line for line in local if line)
        markers = sum(1 for name in self.names
                      if os.path.isfile(os.path.join(self.share, name)))
        told_fine = [out in ("", NO_MARKER) for out in outputs]
        return {
            "seen": seen,
            "lines": len(lines),
            "markers": markers,
            "marked": sum(marked),
            "lost": sum(1 for m, t, c in zip(marked, told_fine, counts) if (m or t) and c == 0),
            "interleaved": sum(1 for line in lines if line not in own) + (1 if torn else 0),
            "duplicated": sum(1 for c in counts if c > 1),
            "unmarked_with_line": sum(1 for m, c in zip(marked, counts) if not m and c > 0),
            "ended": sum(1 for s in statuses if s != 0),
        }


FAULTS = ("lost", "interleaved", "duplicated", "unmarked_with_line", "ended")


def describe(label, s):
    seen = ", ".join("%s %d" % (k, v) for k, v in sorted(s["seen"].items()))
    faults = sum(s[k] for k in FAULTS)
    print("%-38s | saw: %-44s | share: %3d lines, %3d markers | PCs marked: %3d | %s"
          % (label, seen, s["lines"], s["markers"], s["marked"],
             "sound" if faults == 0 else
             "FAULTS " + ", ".join("%s %d" % (k, s[k]) for k in FAULTS if s[k])))
    return faults


def main():
    driver = os.path.abspath(sys.argv[1])
    pcs = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    work = tempfile.mkdtemp(prefix="webexam-faults-")
    faults = 0
    try:
        room = Room(driver, work, pcs)
        print("Legend: none = no message; not-delivered = %s; no-marker = %s; "
              "already-submitted = %s" % (NOT_DELIVERED, NO_MARKER, ALREADY))
        print()
        print("%d PCs in one burst, %d rounds" % (pcs, rounds))
        spans = []
        for r in range(rounds):
            room.reset()
            outputs, statuses, span = room.burst()
            spans.append(span)
            faults += describe("round %d (all done %.2f s after)" % (r + 1, span),
                               room.state(outputs, statuses))
        spans.sort()
        median = spans[len(spans) // 2]
        print("median time from the press until every PC was done: %.2f s" % median)

        print()
        print("Fault matrix (%d PCs; then the share is put right and every PC presses again)"
              % pcs)

        room.reset(share=False)
        outputs, statuses, _ = room.burst()
        faults += describe("share missing", room.state(outputs, statuses))
        os.mkdir(room.share)
        outputs, statuses, _ = room.burst()
        faults += describe("  share made, second press", room.state(outputs, statuses))

        room.reset()
        vanish_at = median * 0.4
        outputs, statuses, _ = room.burst(
            during=lambda: (time.sleep(vanish_at), os.rename(room.share, room.share + ".gone")))
        # The lines appended before the share went are in the folder it became.
        os.rename(room.share + ".gone", room.share)
        faults += describe("share renamed away %.2f s in" % vanish_at,
                           room.state(outputs, statuses))
        outputs, statuses, _ = room.burst()
        faults += describe("  share back, second press", room.state(outputs, statuses))

        for seconds in (1, 5, 30):
            room.reset()
            start = room.press_time()
            holder = room.hold_lock(seconds, start)
            outputs, statuses, span = room.burst(start=start)
            holder.wait()
            faults += describe("ShareLog locked %d s (all done %.1f s)" % (seconds, span),
                               room.state(outputs, statuses))
            outputs, statuses, _ = room.burst()
            faults += describe("  lock gone, second press", room.state(outputs, statuses))

        room.reset()
        for name in room.names:
            os.mkdir(os.path.join(room.share, name))
        outputs, statuses, _ = room.burst()
        faults += describe("marker impossible (a folder)", room.state(outputs, statuses))
        outputs, statuses, _ = room.burst()
        faults += describe("  second press", room.state(outputs, statuses))

        room.reset()
        names = room.names
        room.names = ["PC:%03d" % pc for pc in range(pcs)]
        outputs, statuses, _ = room.burst()
        faults += describe("computer name no file name (PC:nn)", room.state(outputs, statuses))
        room.names = names
    finally:
        shutil.rmtree(work)
    print()
    print("faults in all rows: %d" % faults)
    return 0 if faults == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
