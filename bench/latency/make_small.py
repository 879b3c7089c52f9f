#!/usr/bin/env python3
"""Writes COUNT files of 4 to 64 KiB (default 500) in a few folders, half
text-like and half random bytes, the same tree for the same seed."""
import os
import random
import sys

root = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 500
rng = random.Random(500)
for n in range(count):
    folder = os.path.join(root, "part%02d" % (n % 10))
    os.makedirs(folder, exist_ok=True)
    size = rng.randint(4 << 10, 64 << 10)
    if n % 2:
        body = rng.randbytes(size)
    else:
        line = ("entry%05d=%d\r\n" % (n, rng.randint(0, 1 << 30))).encode()
        body = (line * (size // len(line) + 1))[:size]
    with open(os.path.join(folder, "file%03d.dat" % n), "wb") as out:
        out.write(body)
