"""Integrity under Wine: a sealed package of any size is checked as it is
extracted, a later volume must be the one the first names, and
"/SpanDiskFName1=" names the package only in the spanned restart."""
import glob
import os
import subprocess
import time
import unittest

from harness import StubTestCase, WIN_BIN, build_package, read, read_bytes, wait_until, win_path

TEST_SETUP = os.path.join(WIN_BIN, "test_setup.exe")
DAMAGED = 1620
SETUP = '[setup]\nprogram = "setup.exe"\n[compression]\nstore = true\n'


class IntegrityRuns(StubTestCase):
    def setUp(self):
        super().setUp()
        self.report = os.path.join(self.work, "report.txt")

    def ui(self, *args):
        return self.prefix.run(self.prefix.tool("ui_driver.exe"), *args)

    def reported_files(self):
        return {l[5:].split("|")[0] for l in read(self.report).splitlines() if l.startswith("file=")}

    def run_damaged(self, setup):
        """Runs a package that must be refused: its error box is answered,
        and nothing may have run or stayed behind in temp."""
        process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report))
        self.assertEqual(self.ui("wait", "VMsgBox", "120000").returncode, 0, "no error box")
        time.sleep(0.5)
        shown = self.ui("text", "VMsgBox").stdout
        self.ui("click", "VMsgBox", "&OK")
        # Wine hands only the low 8 bits of an exit code to its Unix parent.
        self.assertEqual(process.wait(timeout=120), DAMAGED & 0xFF)
        self.assertFalse(os.path.exists(self.report), "the setup program ran")
        self.assertEqual(glob.glob(os.path.join(self.prefix.temp_folder(), "SETUP_*")), [], "temp left behind")
        return shown

    def test_span_disk_switch_on_a_plain_start_is_ignored(self):
        own = build_package(os.path.join(self.work, "own"), SETUP,
                            {"setup.exe": read_bytes(TEST_SETUP), "own.txt": b"own"})
        other = build_package(os.path.join(self.work, "other"), SETUP,
                              {"setup.exe": read_bytes(TEST_SETUP), "planted.txt": b"planted"})
        result = self.prefix.run(own, "/REPORT=%s" % win_path(self.report),
                                 '/SpanDiskFName1="%s"' % win_path(other), '/OriginExe="%s"' % win_path(other[:-4]),
                                 timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("own.txt", self.reported_files())
        self.assertNotIn("planted.txt", self.reported_files())

    def test_later_volume_of_another_package_with_the_same_number_and_stamp(self):
        project = 'time_stamp = 2024-06-01T12:00:00\n' + SETUP + '[package]\nvolume_size = 250000\n'
        own = build_package(os.path.join(self.work, "own"), project,
                            {"setup.exe": read_bytes(TEST_SETUP), "big.bin": os.urandom(400000)})
        other = build_package(os.path.join(self.work, "other"), project,
                              {"setup.exe": read_bytes(TEST_SETUP), "big.bin": os.urandom(400000)})
        second = own + ".002"
        self.assertEqual(read_bytes(second)[-74 + 20:-74 + 28], read_bytes(other + ".002")[-74 + 20:-74 + 28],
                         "the same time stamp")
        with open(second, "wb") as f:
            f.write(read_bytes(other + ".002"))
        self.assertIn("is not disk 2 of this package", self.run_damaged(own))

    def test_first_volume_beside_the_launcher_must_be_the_one_it_names(self):
        # The launcher is the file that gets signed; the restart from its copy
        # reads the files from <launcher>.001, which the launcher names.
        project = SETUP + '[package]\nspanned_over_disks = true\n'
        own = build_package(os.path.join(self.work, "own"), project,
                            {"setup.exe": read_bytes(TEST_SETUP), "own.txt": b"own"})
        other = build_package(os.path.join(self.work, "other"), project,
                              {"setup.exe": read_bytes(TEST_SETUP), "planted.txt": b"planted"})
        self.prefix.run(own, "/REPORT=%s" % win_path(self.report), timeout=120)
        self.assertTrue(wait_until(lambda: "own.txt" in self.reported_files(), 120), read(self.report))
        os.remove(self.report)

        with open(own + ".001", "wb") as f:
            f.write(read_bytes(other + ".001"))
        self.prefix.start(own, "/REPORT=%s" % win_path(self.report))
        self.assertEqual(self.ui("wait", "VMsgBox", "120000").returncode, 0, "no error box")
        time.sleep(0.5)
        shown = self.ui("text", "VMsgBox").stdout
        self.ui("click", "VMsgBox", "&OK")
        self.assertEqual(self.ui("gone", "VMsgBox", "30000").returncode, 0)
        self.assertIn("is not disk 1 of this package", shown)
        self.assertFalse(os.path.exists(self.report), "the setup program ran")

    def test_flipped_byte_in_a_large_stored_package(self):
        # Above the size up to which older packages are checksummed.
        size = 60 * 1000 * 1000
        folder = os.path.join(self.work, "big")
        setup = build_package(folder, SETUP, {"setup.exe": read_bytes(TEST_SETUP), "big.bin": bytes(size)})
        os.remove(os.path.join(folder, "files", "big.bin"))
        self.assertGreater(os.path.getsize(setup), 52428800)
        with open(setup, "r+b") as f:
            f.seek(os.path.getsize(setup) - 74 - 1000000)  # inside big.bin's stored record
            f.write(b"\x01")
        verify = subprocess.run([os.environ["RV_MKSETUP"], "verify", setup], capture_output=True, text=True)
        self.assertEqual(verify.returncode, 3, verify.stdout)
        self.assertIn("Bad CRC!", self.run_damaged(setup))


if __name__ == "__main__":
    unittest.main(verbosity=2)
