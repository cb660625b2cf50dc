#!/usr/bin/env python3
"""The resources of the built Windows programs, read back from the files.

Usage: resources_test.py VERSION PROGRAM.exe...   (VERSION as CMake has it, 0.1.0)

A small reader of PE files finds each program's resources and checks: the
manifest (its own assembly at VERSION in four numbers; webexam.exe and
webexam-check.exe ask for administrator rights, the others run as the user
who starts them; Windows 7 to 11 supported; dpi aware per monitor, v2, with
the system-aware fallback; Common Controls 6),
the version (product name, VERSION from CMake, the program's own
description) and one icon, the same in every program.
"""

import os
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
ELEVATED = {"webexam.exe", "webexam-check.exe"}
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
NS = {
    "asm1": "urn:schemas-microsoft-com:asm.v1",
    "asm3": "urn:schemas-microsoft-com:asm.v3",
    "compat": "urn:schemas-microsoft-com:compatibility.v1",
    "ws2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
    "ws2016": "http://schemas.microsoft.com/SMI/2016/WindowsSettings",
}

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def resources(path):
    """{(type, name): bytes} of the file's resources (first language of each)."""
    data = open(path, "rb").read()
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    rsrc_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
    table = optional + optional_size
    for i in range(sections):
        _, vsize, va, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
        if va <= rsrc_rva < va + max(vsize, raw_size):
            base = raw + rsrc_rva - va
            delta = raw - va  # file offset of an RVA in this section
            break
    else:
        return {}

    def entries(offset):
        named, numbered = struct.unpack_from("<12xHH", data, base + offset)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
            yield name, target

    found = {}
    for rtype, type_dir in entries(0):
        for name, name_dir in entries(type_dir & 0x7FFFFFFF):
            _, leaf = next(entries(name_dir & 0x7FFFFFFF))
            rva, size = struct.unpack_from("<II", data, base + leaf)
            found[(rtype, name)] = data[rva + delta:rva + delta + size]
    return found


def version_strings(block):
    """The StringFileInfo values of a VS_VERSIONINFO block, and its fixed version."""
    def parse(offset):
        length, value_length, kind = struct.unpack_from("<HHH", block, offset)
        end = offset + length
        key_end = offset + 6
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[offset + 6:key_end].decode("utf-16-le")
        value_start = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if kind == 1 else value_length
        value = block[value_start:value_start + value_size]
        children = []
        child = (value_start + value_size + 3) & ~3
        while child < end:
            children.append(parse(child))
            child = (child + children[-1][3] + 3) & ~3
        return key, value, children, length

    key, fixed, children, _ = parse(0)
    assert key == "VS_VERSION_INFO"
    signature, _, ms, ls = struct.unpack_from("<IIII", fixed, 0)
    assert signature == 0xFEEF04BD
    file_version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    strings = {}
    for child_key, _, tables, _ in children:
        if child_key == "StringFileInfo":
            for _, _, values, _ in tables:
                for name, value, _, _ in values:
                    strings[name] = value.decode("utf-16-le").rstrip("\0")
    return file_version, strings


def main():
    version = ".".join((sys.argv[1].split(".") + ["0"] * 4)[:4])  # 0.1.0 as 0.1.0.0
    programs = sys.argv[2:]
    icons = {}
    descriptions = set()
    for path in programs:
        name = os.path.basename(path)
        found = resources(path)

        manifest = found.get((RT_MANIFEST, 1))
        check(manifest is not None, name + ": has a manifest")
        if manifest is None:
            continue
        root = ElementTree.fromstring(manifest)
        # An assembly's version is four numbers: Wine ignores a manifest whose
        # program has five, Common Controls 6 and dpi awareness with it, and
        # Windows takes only four.
        identity = root.find("asm1:assemblyIdentity", NS)
        check(identity is not None and identity.get("version") == version,
              name + ": its assembly's version " + version)
        level = root.find(".//asm3:requestedExecutionLevel", NS)
        wanted = "requireAdministrator" if name in ELEVATED else "asInvoker"
        check(level is not None and level.get("level") == wanted and level.get("uiAccess") == "false",
              name + ": runs " + wanted)
        ids = {os.get("Id") for os in root.findall(".//compat:supportedOS", NS)}
        check(ids == set(SUPPORTED_OS), name + ": supports " + ", ".join(SUPPORTED_OS.values()))
        aware = root.find(".//ws2005:dpiAware", NS)
        awareness = root.find(".//ws2016:dpiAwareness", NS)
        check(aware is not None and aware.text.strip() == "true" and awareness is not None and
              awareness.text.replace(" ", "").split(",")[0] == "PerMonitorV2",
              name + ": dpi aware per monitor (v2), the system's dpi before Windows 10")
        controls = [d for d in root.findall(".//asm1:dependentAssembly/asm1:assemblyIdentity", NS)
                    if d.get("name") == "Microsoft.Windows.Common-Controls"]
        check(len(controls) == 1 and controls[0].get("version") == "6.0.0.0" and
              controls[0].get("publicKeyToken") == "6595b64144ccf1df",
              name + ": Common Controls 6")

        block = found.get((RT_VERSION, 1))
        check(block is not None, name + ": has a version")
        if block is not None:
            file_version, strings = version_strings(block)
            check(file_version == version, name + ": file version " + version)
            check(strings.get("ProductName") == "webexam", name + ": product name webexam")
            check(strings.get("ProductVersion") == version and strings.get("FileVersion") == version,
                  name + ": product and file version strings " + version)
            description = strings.get("FileDescription", "")
            check(description.startswith("网页制作考试 ") and description not in descriptions,
                  name + ": its own description, " + description)
            descriptions.add(description)

        group = found.get((RT_GROUP_ICON, 1))
        check(group is not None, name + ": has an icon")
        if group is not None:
            count = struct.unpack_from("<H", group, 4)[0]
            images = []
            for i in range(count):
                width, _, _, _, _, bits, _, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
                images.append((width or 256, bits, found.get((RT_ICON, image_id))))
            icons[name] = images
            check({w for w, _, _ in images} >= {16, 32, 48} and all(d for _, _, d in images),
                  name + ": the icon at 16, 32 and 48 pixels")
    check(len({repr(images) for images in icons.values()}) == 1 and len(icons) == len(programs),
          "one icon for all programs")
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
