"""The corruption sweep's sample through the real stub under Wine: setup
files made by our builder with the test setup program, damaged by the
sweep program (`sweep --sample`), each run once. Every message box is
answered with Cancel, No or OK. Prints the table of the host sweep (damage
kind, cases, refused, harmless, failures) and fails on any failure.

Outcomes: refused (the setup program did not run, temp is clean, and the
stub ended with one of its own exit codes, or the file was cut inside the
stub's image, which the system then refuses to start); harmless (the setup program ran,
temp is clean, and either it found the files of the undamaged package or
the checksum test was disabled by 1234); anything else is a failure: a
crash or another exit code, a run over 90 s, something left in temp, a
setup run from changed files under a passing checksum.

Environment: RV_WIN_BIN, RV_MKSETUP (as the end-to-end tests) and RV_SWEEP,
the host sweep program.
"""
import collections
import glob
import os
import random
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import WIN_BIN, StubTestCase, build_package, read, read_bytes, win_path  # noqa: E402

SWEEP = os.environ.get("RV_SWEEP", "")
PER_PACKAGE = 8  # about one case of every damage kind and checksum state
# The stub's own exit codes (damaged, not started, disk cancelled, declined,
# not written), as Wine hands them on: the low 8 bits.
STUB_CODES = {code & 0xFF for code in (1620, 1619, 1223, 1602, 1603)}
BUTTONS = ("&Cancel", "&No", "&OK")


def payload():
    rng = random.Random(11)
    return {
        "setup.exe": read_bytes(os.path.join(WIN_BIN, "test_setup.exe")),
        "readme.txt": b"Read me.\r\n" * 2000,
        "data/random.bin": bytes(rng.getrandbits(8) for _ in range(120000)),
        "empty.txt": b"",
    }


PACKAGES = {
    "deflated": "",
    "stored, spanned": "[compression]\nstore = true\n[package]\nvolume_size = 250000\n",
}


class CorruptionSample(StubTestCase):
    def setUp(self):
        if not SWEEP:
            self.skipTest("RV_SWEEP names the sweep program")
        super().setUp()
        self.report = os.path.join(self.work, "report.txt")

    def ui(self, *args):
        return self.prefix.run(self.prefix.tool("ui_driver.exe"), *args)

    def temp_entries(self):
        return sorted(os.listdir(self.prefix.temp_folder()))

    def files_found(self):
        """What the setup program found in its folder: name -> size."""
        return {line[5:].split("|")[0]: line.split("|")[1] for line in read(self.report).splitlines()
                if line.startswith("file=")}

    def run_once(self, setup):
        """Runs a setup file to its end, answering every box; the exit code
        (None after 90 s) and the texts of the boxes."""
        if os.path.exists(self.report):
            os.remove(self.report)
        process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report))
        boxes, deadline = [], time.time() + 90
        while process.poll() is None and time.time() < deadline:
            if self.ui("wait", "VMsgBox", "500").returncode != 0:
                continue
            time.sleep(0.3)
            boxes.append(self.ui("text", "VMsgBox").stdout.strip())
            for button in BUTTONS:
                if self.ui("click", "VMsgBox", button).returncode == 0:
                    break
            self.ui("gone", "VMsgBox", "5000")
        if process.poll() is None:
            process.kill()
            process.wait()
            return None, boxes
        return process.returncode, boxes

    def judge(self, setup, code, checksum, reference, temp_before):
        ran = os.path.exists(self.report)
        image_cut = os.path.getsize(setup) < os.path.getsize(os.path.join(WIN_BIN, "stub.exe"))
        if code is None:
            return "failure", "no end after 90 s"
        if self.temp_entries() != temp_before:
            return "failure", "temp left: %s" % sorted(set(self.temp_entries()) - set(temp_before))
        if not ran:
            return ("refused", "") if code in STUB_CODES or image_cut else ("failure", "exit code %d" % code)
        if checksum == "1234" or self.files_found() == reference:
            return "harmless", ""
        return "failure", "the setup ran from changed files"

    def test_damaged_setup_files(self):
        rows = collections.OrderedDict()
        failures = []
        for name, project in PACKAGES.items():
            folder = os.path.join(self.work, name.replace(", ", "_"))
            setup = build_package(folder, '[setup]\nprogram = "setup.exe"\n' + project, payload())
            temp_before = self.temp_entries()
            code, _ = self.run_once(setup)
            self.assertEqual(code, 0, "the undamaged %s package does not run" % name)
            reference = self.files_found()
            cases = os.path.join(folder, "cases")
            subprocess.run([SWEEP, "--sample", setup, cases, str(PER_PACKAGE)], check=True)
            for case in sorted(glob.glob(os.path.join(cases, "*"))):
                kind, checksum, detail = read(os.path.join(case, "case.txt")).strip().split("|", 2)
                damaged = os.path.join(case, "Setup.exe")
                code, boxes = self.run_once(damaged)
                outcome, why = self.judge(damaged, code, checksum, reference, temp_before)
                row = rows.setdefault((kind, checksum), collections.Counter())
                row["cases"] += 1
                row[outcome] += 1
                if outcome == "failure":
                    failures.append("%s, %s (%s), %s: %s; boxes: %s" % (name, kind, checksum, detail, why, boxes))
        print("\n%-20s %-9s %7s %8s %9s %9s" % ("damage", "checksum", "cases", "refused", "harmless", "failures"))
        for (kind, checksum), row in rows.items():
            print("%-20s %-9s %7d %8d %9d %9d" % (kind, checksum, row["cases"], row["refused"], row["harmless"],
                                                 row["failure"]))
        print("%-20s %-9s %7d %8d %9d %9d" % ("total", "", *(sum(r[k] for r in rows.values())
                                                              for k in ("cases", "refused", "harmless", "failure"))))
        for failure in failures:
            print("FAILURE " + failure)
        self.assertEqual(failures, [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
