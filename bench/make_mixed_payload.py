#!/usr/bin/env python3
"""Writes the extraction benchmark's mixed payload: the same bytes for the
same arguments on every run.

usage: make_mixed_payload.py FOLDER MEGABYTES [SMALL_FILES]

A quarter random bytes (does not compress), a quarter half-compressible
data (random and text interleaved in 2 KiB pieces), SMALL_FILES small text
files (default 2000, 200 to 8000 bytes each) and the rest large text files.
The text comes from make_payload.py's word pool.
"""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_payload import MB, compressed_files, text_files, text_pool, write  # noqa: E402

PIECE = 2048


def half_compressible(rng, pool, size):
    """Random and text pieces by turns: about half of it deflates well."""
    out = bytearray()
    while len(out) < size:
        out += rng.randbytes(PIECE)
        start = rng.randrange(len(pool) - PIECE)
        out += pool[start:start + PIECE]
    return bytes(out[:size])


def mixed_files(root, rng, pool, budget):
    n = 0
    while budget > 0:
        size = min(budget, rng.randint(1, 16) * MB)
        write(f"{root}/mixed/part{n:03}.bin", half_compressible(rng, pool, size))
        budget -= size
        n += 1


def small_files(root, rng, pool, count):
    written = 0
    for n in range(count):
        size = rng.randint(200, 8000)
        start = rng.randrange(len(pool) - size)
        write(f"{root}/small/d{n // 200:02}/f{n:05}.txt", pool[start:start + size])
        written += size
    return written


def main(root, megabytes, count):
    rng = random.Random(20240602)
    total = megabytes * MB
    pool = text_pool(rng, 8 * MB)
    compressed_files(root, rng, total // 4)
    mixed_files(root, rng, pool, total // 4)
    small = small_files(root, rng, pool, count)
    text_files(root, rng, pool, max(0, total - 2 * (total // 4) - small))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]) if len(sys.argv) > 3 else 2000)
