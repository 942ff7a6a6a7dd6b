#!/usr/bin/env python3
"""Writes one large file quickly: a 4 MiB block of pseudo-random and text
pieces (about half of it deflates well), written again and again.

usage: make_big_file.py PATH MEGABYTES

Deflate looks back 32 KiB only, so the repetition does not help it: every
block compresses as the first one does.
"""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_mixed_payload import half_compressible  # noqa: E402
from make_payload import MB, text_pool  # noqa: E402

BLOCK = 4 * MB


def main(path, megabytes):
    rng = random.Random(20240603)
    block = half_compressible(rng, text_pool(rng, MB), BLOCK)
    left = megabytes * MB
    with open(path, "wb") as f:
        while left > 0:
            n = min(left, BLOCK)
            f.write(block[:n])
            left -= n


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]))
