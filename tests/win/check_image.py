#!/usr/bin/env python3
"""Checks a built stub image: PE header at 256, no recorded length, and
imports from system DLLs only. Prints the image size."""
import struct
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "comctl32.dll",
    "comdlg32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll", "version.dll", "shlwapi.dll",
}


def main(image_path, objdump):
    with open(image_path, "rb") as f:
        image = f.read()
    failures = []
    if image[:2] != b"MZ":
        failures.append("no MZ at offset 0")
    if struct.unpack_from("<I", image, 0x3C)[0] != 0x100:
        failures.append("e_lfanew is not 0x100")
    if image[256:260] != b"PE\0\0":
        failures.append("no PE signature at offset 256")
    if image[248:256] != bytes(8):
        failures.append("the recorded length field is not empty")
    listing = subprocess.run([objdump, "-p", image_path], capture_output=True, text=True, check=True).stdout
    dlls = sorted({line.split(":", 1)[1].strip().lower() for line in listing.splitlines() if "DLL Name:" in line})
    foreign = [d for d in dlls if d not in SYSTEM_DLLS]
    if foreign:
        failures.append("imports non-system DLLs: " + ", ".join(foreign))
    print(f"{image_path}: {len(image)} bytes, imports {', '.join(dlls)}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
