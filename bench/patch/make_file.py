#!/usr/bin/env python3
"""Writes the patch bench's client file and its two successors.

make_file.py BASE EDITED APPENDED [SIZE]

BASE: SIZE bytes (default 1 GiB), each MiB half random bytes and half
generated text, so its packed form is about three quarters of it and both
stored and compressed chunks occur. EDITED: BASE with 10 blocks of 4 KiB
replaced by random bytes, scattered evenly through it. APPENDED: BASE with
1 MiB of new bytes at its end. The same files for the same arguments.
"""
import random
import shutil
import sys

MIB = 1 << 20

def text(rng, size):
    words = ("alpha beta gamma delta sword shield potion elixir castle dungeon dragon orc elf dwarf "
             "level skill quest reward gold silver armor helmet boots gloves ring").split()
    out = bytearray()
    while len(out) < size:
        out += (" ".join(rng.choice(words) for _ in range(12)) + " = %d\n" % rng.randrange(1 << 30)).encode()
    return bytes(out[:size])

def main():
    base, edited, appended = sys.argv[1:4]
    size = int(sys.argv[4]) if len(sys.argv) > 4 else 1 << 30
    rng = random.Random(13)
    # Text blocks are slices of one pool: generating text line by line for
    # every block would take minutes.
    pool = text(rng, 16 * MIB)
    with open(base, "wb") as out:
        for _ in range(size // MIB):
            out.write(rng.randbytes(MIB // 2))
            at = rng.randrange(len(pool) - MIB // 2)
            out.write(pool[at:at + MIB // 2])
    shutil.copyfile(base, edited)
    with open(edited, "r+b") as out:
        for k in range(10):
            out.seek(k * (size // 10) + 12345 + k * 777)
            out.write(rng.randbytes(4096))
    shutil.copyfile(base, appended)
    with open(appended, "ab") as out:
        out.write(rng.randbytes(MIB))

main()
