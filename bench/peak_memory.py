#!/usr/bin/env python3
"""Runs a command and follows the memory of the Linux processes named NAME
(found with `pgrep -x NAME`, so NAME is at most 15 characters) while it runs.

usage: peak_memory.py NAME [-o FILE] -- COMMAND [ARG...]

The command's standard output and error go to FILE when given (a file, not a
pipe: programs it starts inherit them and would hold a pipe open).

Prints one line of key=value pairs when the command has ended:
  code         the command's exit code
  seconds      its wall time
  pids         the processes that were followed
  hwm_kb       the largest VmHWM seen (the kernel's own peak resident set)
  rss_kb       the largest VmRSS seen by polling
  private_kb   the largest Private_Clean + Private_Dirty seen (smaps_rollup):
               resident pages that no other process shares
  anon_kb      the largest Anonymous seen (smaps_rollup): heap, stacks,
               copied-on-write pages
  samples      how many polls read the process
Polling is every 20 ms; VmHWM needs no polling to be exact, the others are
the highest values the polls happened to see.
"""
import subprocess
import sys
import time

POLL = 0.02
SEARCH = 0.25


def fields(path, names):
    found = {}
    try:
        with open(path) as f:
            for line in f:
                key, _, rest = line.partition(":")
                if key in names:
                    found[key] = int(rest.split()[0])
    except (FileNotFoundError, ProcessLookupError, PermissionError, ValueError):
        pass
    return found


def pgrep(name):
    out = subprocess.run(["pgrep", "-x", name], capture_output=True, text=True).stdout
    return {int(p) for p in out.split()}


def main():
    args = sys.argv[1:]
    output = None
    if len(args) > 3 and args[1] == "-o":
        output = args[2]
        del args[1:3]
    if len(args) < 3 or args[1] != "--":
        sys.exit(__doc__)
    name, command = args[0], args[2:]
    peak = {"hwm_kb": 0, "rss_kb": 0, "private_kb": 0, "anon_kb": 0}
    pids, samples = set(), 0
    start = time.monotonic()
    out = open(output, "wb") if output else None
    process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT if out else None)
    next_search = 0.0
    while process.poll() is None:
        now = time.monotonic()
        if now >= next_search:
            pids |= pgrep(name)
            next_search = now + (SEARCH if pids else POLL)
        for pid in pids:
            status = fields(f"/proc/{pid}/status", {"VmHWM", "VmRSS"})
            if not status:
                continue
            rollup = fields(f"/proc/{pid}/smaps_rollup", {"Private_Clean", "Private_Dirty", "Anonymous"})
            samples += 1
            peak["hwm_kb"] = max(peak["hwm_kb"], status.get("VmHWM", 0))
            peak["rss_kb"] = max(peak["rss_kb"], status.get("VmRSS", 0))
            if rollup:
                private = rollup.get("Private_Clean", 0) + rollup.get("Private_Dirty", 0)
                peak["private_kb"] = max(peak["private_kb"], private)
                peak["anon_kb"] = max(peak["anon_kb"], rollup.get("Anonymous", 0))
        time.sleep(POLL)
    seconds = time.monotonic() - start
    if out:
        out.close()
    pairs = [f"code={process.returncode}", f"seconds={seconds:.2f}",
             "pids=" + (",".join(str(p) for p in sorted(pids)) or "none")]
    pairs += [f"{k}={v}" for k, v in peak.items()] + [f"samples={samples}"]
    print(" ".join(pairs))


if __name__ == "__main__":
    main()
