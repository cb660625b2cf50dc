#!/usr/bin/env python3
"""Prints this machine's apt sources for Debian 12 as one deb822 file, for a
clean Debian 12 root made by scripts/package-test.sh: the root then fetches
from the same mirror as the machine (a school's own mirror or a proxy's), and
no mirror is written into the project.

Reads /etc/apt/sources.list and /etc/apt/sources.list.d/*.list and *.sources
(or those under the folder given as the first argument, for the tests). Keeps
the entries of type deb for the suites bookworm, bookworm-updates,
bookworm-security and bookworm-backports that carry the component main, and
only main of them: another vendor's repository for bookworm has no main, and
the root needs no more. Exits 1, saying so, when there are none.
"""

import glob
import os
import sys

SUITES = ("bookworm", "bookworm-updates", "bookworm-security", "bookworm-backports")


def one_line_entries(text):
    """Entries of the one-line format: deb [options] URI suite component..."""
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        words = line.split()
        kind, words = words[0], words[1:]
        options = {}
        if words and words[0].startswith("["):
            # [ key=value key=value ], possibly with blanks inside the brackets
            option_words = []
            while words:
                word = words.pop(0)
                option_words.append(word)
                if word.endswith("]"):
                    break
            for option in " ".join(option_words).strip("[] ").split():
                key, _, value = option.partition("=")
                options[key.lower()] = value
        if len(words) < 2:
            continue
        entry = {"types": [kind], "uris": [words[0]], "suites": [words[1]],
                 "components": words[2:]}
        if "signed-by" in options:
            entry["signed-by"] = options["signed-by"].replace(",", " ")
        if options.get("trusted"):
            entry["trusted"] = options["trusted"]
        yield entry


def deb822_entries(text):
    """Entries of the deb822 format: paragraphs of Field: value, a field
    continued on lines that start with a blank (an inline key)."""
    paragraphs, fields, last = [], {}, None
    for line in text.splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if fields:
                paragraphs.append(fields)
            fields, last = {}, None
        elif line[0] in " \t" and last:
            fields[last] += "\n" + line
        else:
            key, _, value = line.partition(":")
            last = key.strip().lower()
            fields[last] = value.strip()
    for fields in paragraphs:
        if fields.get("enabled", "yes").lower() == "no":
            continue
        entry = {key: fields.get(key, "").split() for key in ("types", "uris", "suites",
                                                              "components")}
        if "signed-by" in fields:
            entry["signed-by"] = fields["signed-by"]
        if "trusted" in fields:
            entry["trusted"] = fields["trusted"]
        yield entry


def debian12_sources(etc):
    entries = []
    list_files = [os.path.join(etc, "sources.list")]
    list_files += sorted(glob.glob(os.path.join(etc, "sources.list.d", "*.list")))
    for path in list_files:
        if os.path.isfile(path):
            with open(path, encoding="utf-8", errors="replace") as f:
                entries += one_line_entries(f.read())
    for path in sorted(glob.glob(os.path.join(etc, "sources.list.d", "*.sources"))):
        with open(path, encoding="utf-8", errors="replace") as f:
            entries += deb822_entries(f.read())

    paragraphs = []
    for entry in entries:
        suites = [suite for suite in entry["suites"] if suite in SUITES]
        if "deb" not in entry["types"] or not suites or "main" not in entry["components"]:
            continue
        lines = ["Types: deb", "URIs: " + " ".join(entry["uris"]),
                 "Suites: " + " ".join(suites), "Components: main"]
        if "signed-by" in entry:
            # A path follows the colon; an inline key starts on the next line.
            key = entry["signed-by"]
            lines.append("Signed-By:" + ("" if key.startswith("\n") else " ") + key)
        if "trusted" in entry:
            lines.append("Trusted: " + entry["trusted"])
        paragraph = "\n".join(lines)
        if paragraph not in paragraphs:
            paragraphs.append(paragraph)
    return paragraphs


def main():
    etc = sys.argv[1] if len(sys.argv) > 1 else "/etc/apt"
    paragraphs = debian12_sources(etc)
    if not paragraphs:
        sys.exit("%s names no Debian 12 (bookworm) mirror with the component main: add one to "
                 "%s/sources.list.d/ as apt itself would use it" % (etc, etc))
    print("\n\n".join(paragraphs))


if __name__ == "__main__":
    main()
