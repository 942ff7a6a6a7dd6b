#!/usr/bin/env python3
"""Runs a command and writes each line of its standard output with the
seconds since the command started, then the moment it ended.

usage: stamp_lines.py -- COMMAND [ARG...]

Output lines: `<seconds> <line>`, and last `<seconds> [exit N]`. Programs
that the command starts inherit the pipe; reading stops at the latest 2 s
after the command ended, so one that lives on does not hold this up.
"""
import subprocess
import sys
import threading
import time


def main():
    if len(sys.argv) < 3 or sys.argv[1] != "--":
        sys.exit(__doc__)
    start = time.monotonic()
    process = subprocess.Popen(sys.argv[2:], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    lines = []

    def read():
        for raw in process.stdout:
            lines.append((time.monotonic() - start, raw.decode("latin-1").rstrip("\r\n")))

    reader = threading.Thread(target=read, daemon=True)
    reader.start()
    code = process.wait()
    end = time.monotonic() - start
    reader.join(2)
    for at, line in list(lines):
        print(f"{at:.3f} {line}")
    print(f"{end:.3f} [exit {code}]")


if __name__ == "__main__":
    main()
