#!/usr/bin/env python3
"""A burst of simulated exam PCs submitting to one results share at once.

Usage: share-stress.py DRIVER [PCS] [--smb]

DRIVER is the built results_driver test program. Each PC gets a drive folder
of its own with the model answer as its page; all press submit at the same
moment. The share is a local folder, or with --smb a real Samba server on
127.0.0.1 (in a network namespace of this script's own) that every PC
reaches as smb://127.0.0.1/results/ over an SMB connection of its own. Prints the time from that moment until the last line landed, and
checks the share: one intact line per PC, equal to the PC's local log line,
and one marker per PC.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MODEL = os.path.join(HERE, "..", "exam", "model.htm")
sys.path.insert(0, os.path.join(HERE, "..", "tests", "smb"))


def main():
    args = [arg for arg in sys.argv[1:] if arg != "--smb"]
    driver = os.path.abspath(args[0])
    pcs = int(args[1]) if len(args) > 1 else 200
    if "--smb" in sys.argv:
        import samba_server
        samba_server.enter_private_network()
        with samba_server.SambaServer() as server:
            return burst(driver, pcs, server.share, server.address(), "a real Samba server")
    work = tempfile.mkdtemp(prefix="webexam-stress-")
    try:
        share = os.path.join(work, "share")
        os.mkdir(share)
        return burst(driver, pcs, share, share + "/", "a local folder")
    finally:
        shutil.rmtree(work)


def burst(driver, pcs, share, address, what):
    """`pcs` PCs press at once, sending to `address`, which is the folder
    `share` seen from the PCs."""
    work = tempfile.mkdtemp(prefix="webexam-stress-")
    try:
        roots = []
        for pc in range(pcs):
            root = os.path.join(work, "pc%03d" % pc)
            os.makedirs(os.path.join(root, "620722001", "web"))
            shutil.copy(MODEL, os.path.join(root, "620722001", "web", "index.htm"))
            roots.append(root)
        start = time.time() + 2.0 + pcs * 0.005
        start_ms = str(int(start * 1000))
        procs = [
            subprocess.Popen(
                [driver, "submit", root, address, "PC%03d" % pc, str(120722001 + pc),
                 "考生%d" % pc, start_ms],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            for pc, root in enumerate(roots)
        ]
        messages = [p.communicate()[0] for p in procs]
        last = time.time() - start

        with open(os.path.join(share, "cjwyzz.txt"), "rb") as f:
            content = f.read()
        lines = content.split(b"\r\n")
        torn = lines.pop() != b""
        local = [open(os.path.join(r, "cjj.txt"), "rb").read()[:-2] for r in roots]
        lost = sum(1 for line in local if line not in lines)
        duplicated = len(lines) - len(set(lines))
        strange = sum(1 for line in lines if line not in set(local))
        markers = sum(1 for pc in range(pcs) if os.path.exists(os.path.join(share, "PC%03d" % pc)))
        failed = sum(1 for p, m in zip(procs, messages) if p.returncode != 0 or m)
        print("%d PCs in one burst into %s: last line landed %.2f s after the press; "
              "%d lines, %d lost, %d duplicated, %d interleaved or foreign, torn end %s, "
              "%d markers, %d PCs shown a message or failed"
              % (pcs, what, last, len(lines), lost, duplicated, strange, "yes" if torn else "no",
                 markers, failed))
        return 0 if not (lost or duplicated or strange or torn or failed) and markers == pcs else 1
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
