#!/usr/bin/env python3
"""Moves the PE header of a linked image to offset 256 (0x100).

The package reader honours a recorded package length in bytes 248..255 of
the DOS area only when "PE" stands at offset 256, and GNU ld places the PE
header at 0x80. The NT headers and the section table are moved as one block
inside the header area (SizeOfHeaders), which ld pads to the file alignment,
and the eight bytes of the recorded length are cleared.
"""
import struct
import sys

TARGET = 0x100
RECORDED_LENGTH = slice(248, 256)


def fail(path, why):
    sys.exit(f"{path}: {why}")


def main(path):
    with open(path, "rb") as f:
        image = bytearray(f.read())
    if image[:2] != b"MZ":
        fail(path, "not an MZ image")
    old = struct.unpack_from("<I", image, 0x3C)[0]
    if image[old:old + 4] != b"PE\0\0":
        fail(path, "no PE signature at e_lfanew")
    sections = struct.unpack_from("<H", image, old + 6)[0]
    optional_size = struct.unpack_from("<H", image, old + 20)[0]
    optional = old + 24
    size_of_headers = struct.unpack_from("<I", image, optional + 60)[0]
    block_len = 24 + optional_size + 40 * sections
    first_raw = min((struct.unpack_from("<I", image, optional + optional_size + 40 * i + 20)[0]
                     for i in range(sections)
                     if struct.unpack_from("<I", image, optional + optional_size + 40 * i + 16)[0]),
                    default=size_of_headers)
    if TARGET + block_len > min(size_of_headers, first_raw):
        fail(path, "no room to move the PE header to offset 256")
    if old != TARGET:
        block = bytes(image[old:old + block_len])
        image[old:old + block_len] = bytes(block_len)
        image[TARGET:TARGET + block_len] = block
        struct.pack_into("<I", image, 0x3C, TARGET)
    image[RECORDED_LENGTH] = bytes(8)
    with open(path, "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main(sys.argv[1])
