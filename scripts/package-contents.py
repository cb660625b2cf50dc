#!/usr/bin/env python3
"""Reads the candidates' and the teacher's package (two zips for Windows, or
two Debian packages) and says whether each holds what it should: the
candidates' the client, webexam-check and the sealed exam, and no teacher's
tool nor the exam's editable file or model answer (each shows what the key
looks for); the teacher's those tools, the editable sample exam in its
folder sample-exam and the guide as a web page with its pictures inside, and
not the client.

    package-contents.py CANDIDATES TEACHERS

Exit status 0 when both are as they should be, 1 with each fault named."""

import re
import subprocess
import sys
import tarfile
import io
import zipfile

TEACHER_TOOLS = ("webexam-grade", "webexam-results", "webexam-exam")
# What only the teacher's editable exam holds.
EDITABLE_EXAM = ("exam.txt", "model.htm")


def names_and_guide(package):
    """The package's file names (folders left out), and the guide page's
    text when it holds one."""
    names, guide = [], None
    if package.endswith(".zip"):
        with zipfile.ZipFile(package) as archive:
            for name in archive.namelist():
                if not name.endswith("/"):
                    names.append(name)
                    if name.endswith("/guide.zh-CN.html"):
                        guide = archive.read(name).decode("utf-8")
    else:
        data = subprocess.run(["dpkg-deb", "--fsys-tarfile", package], check=True,
                              capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(data)) as archive:
            for member in archive:
                if member.isfile() or member.issym():
                    name = member.name.removeprefix("./")
                    names.append(name)
                    if name.endswith("/guide.zh-CN.html"):
                        guide = archive.extractfile(member).read().decode("utf-8")
    return names, guide


def program(names, name):
    """Whether the package holds the program `name` (name.exe on Windows)."""
    return any(re.fullmatch(rf"(.*/)?{re.escape(name)}(\.exe)?", n) for n in names)


def check(candidates, teachers):
    faults = []
    names, guide = names_and_guide(candidates)
    for tool in TEACHER_TOOLS:
        found = [n for n in names if tool in n]
        if found:
            faults.append(f"{candidates} holds {', '.join(found)}: {tool} belongs to the teacher")
    for name in ("webexam", "webexam-check"):
        if not program(names, name):
            faults.append(f"{candidates} lacks {name}")
    for name in ("1.txt", "aa/index.htm", "exam.sealed"):
        if not any(n.endswith("/" + name) for n in names):
            faults.append(f"{candidates} lacks the exam's {name}")
    for name in EDITABLE_EXAM:
        found = [n for n in names if n.split("/")[-1].lower() == name]
        if found:
            faults.append(f"{candidates} holds {', '.join(found)}: the editable exam belongs "
                          "to the teacher")
    if guide is not None:
        faults.append(f"{candidates} holds the teacher's guide")

    names, guide = names_and_guide(teachers)
    for tool in TEACHER_TOOLS:
        if not program(names, tool):
            faults.append(f"{teachers} lacks {tool}")
    for name in ("webexam", "webexam-check"):
        if program(names, name):
            faults.append(f"{teachers} holds {name}, which belongs on the candidates' PCs")
    for name in EDITABLE_EXAM + ("1.txt", "aa/index.htm"):
        if not any(n.endswith("/sample-exam/" + name) for n in names):
            faults.append(f"{teachers} lacks the sample exam's sample-exam/{name}")
    if guide is None:
        faults.append(f"{teachers} lacks the guide guide.zh-CN.html")
    else:
        pictures = re.findall(r"<img [^>]*src=\"([^\"]*)\"", guide)
        if not pictures or not all(p.startswith("data:image/") for p in pictures):
            faults.append(f"the guide in {teachers} does not carry its pictures inside")

    for package in (candidates, teachers):
        if package.endswith(".zip"):
            with zipfile.ZipFile(package) as archive:
                odd = [n for n in archive.namelist() if not re.fullmatch(r"[ -~]+", n)]
                folders = {n.split("/")[0] for n in archive.namelist()}
            if odd:
                faults.append(f"{package} has names that are not ASCII: {', '.join(odd)}")
            if len(folders) != 1:
                faults.append(f"{package} does not unpack to one folder: {sorted(folders)}")
    return faults


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    faults = check(*sys.argv[1:])
    for fault in faults:
        print("FAIL: " + fault, file=sys.stderr)
    if not faults:
        print(f"ok   {sys.argv[1]}: the client, webexam-check and the sealed exam; "
              "no teacher's tool, no editable exam")
        print(f"ok   {sys.argv[2]}: webexam-grade, webexam-results, webexam-exam, the sample "
              "exam and the guide with its pictures")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
