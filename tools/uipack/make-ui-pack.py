#!/usr/bin/env python3
"""Packs a page folder into a UI pack ("ZUI1"), the form in which the window
launcher carries its complete page.

    make-ui-pack.py PAGE_FOLDER OUTPUT_FILE

Every file below PAGE_FOLDER goes in, ordered by its "/"-separated relative
name (byte order, so "app.js", "index.html", "logo.png", "style.css",
"themes/..."), except names starting with "." (editor and system files, and
the ".version" marker the launcher keeps in an extracted pack). A name the
launcher would refuse as unsafe stops the build here rather than leave a
pack that every player's launcher throws away. The output is replaced only
once it is complete.

Runs on the build machine's Python 3, so it works when cross-compiling.
"""

import os
import struct
import sys

FORBIDDEN = set('<>"|?*')


def is_safe_name(name):
    """The launcher's rule for a relative path that cannot leave its folder."""
    raw = name.encode("utf-8")
    if not 1 <= len(raw) <= 400 or "\\" in name or ":" in name:
        return False
    for segment in name.split("/"):
        if segment in ("", ".", ".."):
            return False
        if any(ord(c) < 0x20 or c in FORBIDDEN for c in segment):
            return False
    return True


def page_files(folder):
    names = []
    for top, dirs, files in os.walk(folder):
        dirs[:] = [d for d in dirs if not d.startswith(".")]
        rel_top = os.path.relpath(top, folder)
        for f in files:
            if f.startswith("."):
                continue
            rel = f if rel_top == "." else os.path.join(rel_top, f)
            names.append(rel.replace(os.sep, "/"))
    return sorted(names, key=lambda n: n.encode("utf-8"))


def build_pack(folder):
    names = page_files(folder)
    parts = [b"ZUI1", struct.pack("<I", len(names))]
    for name in names:
        if not is_safe_name(name):
            raise ValueError(f"{name}: the launcher refuses this file name")
        raw_name = name.encode("utf-8")
        with open(os.path.join(folder, *name.split("/")), "rb") as f:
            data = f.read()
        if len(data) > 0xFFFFFFFF:
            raise ValueError(f"{name}: larger than 4 GiB")
        parts += [struct.pack("<H", len(raw_name)), raw_name, struct.pack("<I", len(data)), data]
    return b"".join(parts)


def write_atomically(path, data):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(tmp, path)


def main(argv):
    if len(argv) != 3:
        print("usage: make-ui-pack.py PAGE_FOLDER OUTPUT_FILE", file=sys.stderr)
        return 2
    folder, output = argv[1], argv[2]
    if not os.path.isfile(os.path.join(folder, "index.html")):
        print(f"make-ui-pack: {folder} has no index.html", file=sys.stderr)
        return 1
    try:
        pack = build_pack(folder)
        write_atomically(output, pack)
    except (OSError, ValueError) as e:
        print(f"make-ui-pack: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
