#!/usr/bin/env python3
"""Writes a tree of COUNT small files (default 20,000) in nested folders, the
way a client's many scripts, textures and localisation files lie: 100 to
12,000 bytes each, text-like, the same tree for the same seed."""
import os
import random
import sys

def main():
    root = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    rng = random.Random(20000)
    words = "sword shield potion castle dungeon dragon quest reward armor ring".split()
    for n in range(count):
        folder = os.path.join(root, "data%02d" % (n % 40), "part%03d" % (n % 500 // 40 * 7 + n % 13))
        os.makedirs(folder, exist_ok=True)
        size = rng.randint(100, 12000)
        line = "%s%05d=%s\r\n" % (rng.choice(words), n, " ".join(rng.choice(words) for _ in range(6)))
        body = (line * (size // len(line) + 1))[:size]
        with open(os.path.join(folder, "file%05d.ini" % n), "w", newline="") as out:
            out.write(body)

main()
