#!/usr/bin/env python3
"""Writes the benchmark payload: the same bytes for the same size on every run.

usage: make_payload.py FOLDER MEGABYTES

A third text (words, compressible), a quarter binaries (the ELF files of
/usr/bin, in name order, so they are fixed for one machine), a quarter
already-compressed data (random bytes) and the rest many small text files.
"""
import os
import random
import sys

MB = 1 << 20
WORDS = ("setup install file folder windows program version update package "
         "the of and to in is for on with as by at from this that data error "
         "registry value key system user path drive disk volume record").split()


def text_pool(rng, size):
    out, length = [], 0
    while length < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14))) + "\n"
        out.append(line)
        length += len(line)
    return "".join(out).encode()[:size]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def text_files(root, rng, pool, budget):
    n = 0
    while budget > 0:
        size = min(budget, rng.randint(1, 8) * MB)
        start = rng.randrange(len(pool) - size) if len(pool) > size else 0
        write(f"{root}/text/doc{n:03}.txt", pool[start:start + size])
        budget -= size
        n += 1


def binary_files(root, budget):
    for name in sorted(os.listdir("/usr/bin")):
        path = os.path.join("/usr/bin", name)
        if budget <= 0:
            return
        if os.path.islink(path) or not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            data = f.read(budget)
        write(f"{root}/bin/{name}.bin", data)
        budget -= len(data)


def compressed_files(root, rng, budget):
    n = 0
    while budget > 0:
        size = min(budget, rng.randint(2, 20) * MB)
        write(f"{root}/media/clip{n:03}.dat", rng.randbytes(size))
        budget -= size
        n += 1


def small_files(root, rng, pool, budget):
    n = 0
    while budget > 0:
        size = min(budget, rng.randint(200, 8000))
        start = rng.randrange(len(pool) - size)
        write(f"{root}/small/d{n // 500:02}/f{n:05}.txt", pool[start:start + size])
        budget -= size
        n += 1


def main(root, megabytes):
    rng = random.Random(20240601)
    total = megabytes * MB
    pool = text_pool(rng, 8 * MB)
    text_files(root, rng, pool, total // 3)
    binary_files(root, total // 4)
    compressed_files(root, rng, total // 4)
    small_files(root, rng, pool, total - total // 3 - 2 * (total // 4))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]))
