#!/usr/bin/env python3
"""Writes a mixed client-like tree of about SIZE bytes (default 1 GiB).

Roughly a third each: real program and data files copied from /usr (machine
code, libraries, documentation), generated text and tables (INI files,
scripts, localisation), and random bytes (audio, already packed archives).
Many small files and a few large ones, in nested folders, the same tree for
the same seed.
"""
import os
import random
import sys

def system_files():
    for root in ("/usr/lib/x86_64-linux-gnu", "/usr/bin", "/usr/share"):
        for folder, _, names in os.walk(root):
            for name in sorted(names):
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not os.path.islink(path) and os.path.getsize(path) > 4096:
                    yield path

WORDS = ("alpha beta gamma delta sword shield potion elixir castle dungeon dragon orc elf dwarf "
         "level skill quest reward gold silver armor helmet boots gloves ring necklace").split()

def text_block(rng, size):
    lines = []
    total = 0
    while total < size:
        kind = rng.random()
        if kind < 0.4:
            line = "%s=%d,%d,%d" % (rng.choice(WORDS).capitalize(), rng.randrange(1000), rng.randrange(100), rng.randrange(10))
        elif kind < 0.8:
            line = " ".join(rng.choice(WORDS) for _ in range(rng.randrange(4, 14)))
        else:
            line = "\t".join(str(rng.randrange(1 << 20)) for _ in range(8))
        lines.append(line)
        total += len(line) + 2
    return ("\r\n".join(lines)).encode()[:size]

def main():
    target = sys.argv[1]
    size = int(sys.argv[2]) if len(sys.argv) > 2 else 1 << 30
    rng = random.Random(2024)
    sources = system_files()
    written = 0
    index = 0
    while written < size:
        index += 1
        kind = index % 3
        # Mostly small files, now and then a large one, as in a game client.
        pick = rng.random()
        if pick < 0.6:
            length = rng.randrange(1 << 10, 1 << 16)
        elif pick < 0.99:
            length = rng.randrange(1 << 16, 4 << 20)
        else:
            length = rng.randrange(16 << 20, 64 << 20)
        length = min(length, size - written)
        folder = os.path.join(target, "d%02d" % (index % 17), "s%d" % (index % 5))
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "file %05d.%s" % (index, ("dll", "ini", "ogg")[kind]))
        with open(path, "wb") as out:
            if kind == 0:
                left = length
                while left > 0:
                    source = next(sources, None)
                    if source is None:
                        sources = system_files()
                        continue
                    with open(source, "rb") as f:
                        chunk = f.read(left)
                    out.write(chunk)
                    left -= len(chunk)
            elif kind == 1:
                out.write(text_block(rng, length))
            else:
                out.write(rng.randbytes(length))
        written += length
    print("%d files, %d bytes" % (index, written))

main()
