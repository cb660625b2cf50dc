#!/usr/bin/env python3
"""Whether any of the candidates' files shows what the answer key probes for.

    probe_texts_test.py [--strip STRIP] EXAM_FILE PLACE...

Reads the probe texts of the exam file EXAM_FILE (the teacher's exam.txt) and
looks for each in every PLACE: a file, a folder, a zip or a Debian package.
Of what a folder or package holds, the programs and the files of the exam
folder (the folder that holds the task text 1.txt) are looked at; the task
text and the material folder aa/ are exempt, since they tell the candidate
what to do and naturally hold many of the texts. (A package's other files,
its licence or its icon, hold ordinary words such as "right" or " height".)
A text of at least 5 characters, or one that holds a Chinese character, must
not be found in UTF-8, GBK or UTF-16LE, in any letter case: a candidate who
opens a file, types it or runs `strings` on it would read it there.

Programs are looked at as the packages carry them, stripped: with --strip,
a program named on its own (a built one) is first stripped by the tool STRIP
in a copy. Debug information holds the names of the code's own variables and
fields, among them plain words such as "right" (a field of a Windows
rectangle), which are no sign of the key.

Exit status 0 when no text is found, 1 with each find named."""

import io
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import zipfile


def probe_texts(exam_file):
    """The exam file's probe texts ("文字" lines), read as the programs read
    them: UTF-8 with or without a byte-order mark, or GBK."""
    data = open(exam_file, "rb").read().removeprefix(b"\xef\xbb\xbf")
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        text = data.decode("gbk")
    texts = []
    for line in text.splitlines():
        field = re.fullmatch(r"文字\s*[:：](.*)", line.strip())
        if not field:
            continue
        value = field.group(1).strip()
        if len(value) >= 2 and value[0] == '"' and value[-1] == '"':
            value = value[1:-1]
        texts.append(value)
    return texts


def telling(text):
    """Whether finding the text in a file gives it away: long enough not to
    turn up by chance, or Chinese."""
    return len(text) >= 5 or any(ord(c) > 0x2e7f for c in text)


def forms(text):
    """The byte forms a text may take in a file, their ASCII letters in lower
    case (the files are looked at so too)."""
    found = set()
    for encoding in ("utf-8", "gbk", "utf-16-le"):
        try:
            found.add(text.encode(encoding).lower())
        except UnicodeEncodeError:
            pass
    return found


def exempt(name):
    """Whether the file is the task text or in the material folder."""
    parts = name.replace("\\", "/").split("/")
    return parts[-1] == "1.txt" or "aa" in parts[:-1]


def is_program(data):
    return data.startswith(b"\x7fELF") or data.startswith(b"MZ")


def looked_at(contents):
    """Of the (name, bytes) a folder or package holds, the programs and the
    files of an exam folder but its task text and material."""
    exam_folders = {os.path.dirname(name) for name, _ in contents
                    if os.path.basename(name) == "1.txt"}
    return [(name, data) for name, data in contents
            if not exempt(name) and (is_program(data) or os.path.dirname(name) in exam_folders)]


def stripped(path, strip):
    """The program's bytes once stripped by `strip`; another file's bytes."""
    data = open(path, "rb").read()
    if not strip or not is_program(data):
        return data
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, os.path.basename(path))
        shutil.copyfile(path, copy)
        subprocess.run([strip, copy], check=True)
        return open(copy, "rb").read()


def files_of(place, strip):
    """(name, bytes) of the files of the place that are looked at."""
    if os.path.isdir(place):
        # Named from the folder's own name on, so that the material folder
        # aa given as a place is exempt too.
        parent = os.path.dirname(os.path.abspath(place))
        contents = []
        for folder, _, names in os.walk(place):
            for name in names:
                path = os.path.join(folder, name)
                contents.append((os.path.relpath(path, parent), open(path, "rb").read()))
        return [(os.path.join(parent, name), data) for name, data in looked_at(contents)]
    if place.endswith(".zip"):
        with zipfile.ZipFile(place) as archive:
            contents = [(name, archive.read(name)) for name in archive.namelist()
                        if not name.endswith("/")]
    elif place.endswith(".deb"):
        data = subprocess.run(["dpkg-deb", "--fsys-tarfile", place], check=True,
                              capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(data)) as archive:
            contents = [(member.name, archive.extractfile(member).read())
                        for member in archive if member.isfile()]
    else:
        return [] if exempt(place) else [(place, stripped(place, strip))]
    return [(f"{place}:{name}", data) for name, data in looked_at(contents)]


def finds(exam_file, places, strip=None):
    texts = [t for t in probe_texts(exam_file) if telling(t)]
    if not texts:
        return [f"{exam_file} gives no probe text to look for"]
    found = []
    for place in places:
        if not os.path.exists(place):
            found.append(f"{place} does not exist")
            continue
        for name, data in files_of(place, strip):
            lowered = data.lower()
            for text in texts:
                if any(form in lowered for form in forms(text)):
                    found.append(f"{name} holds the probe text {text!r}")
    return found


def main():
    arguments, strip = sys.argv[1:], None
    if arguments[:1] == ["--strip"] and len(arguments) > 1:
        strip, arguments = arguments[1], arguments[2:]
    if len(arguments) < 2:
        sys.exit(__doc__)
    found = finds(arguments[0], arguments[1:], strip)
    for line in found:
        print("FAIL: " + line, file=sys.stderr)
    if not found:
        print(f"ok   no probe text of {arguments[0]} in {', '.join(arguments[1:])}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
