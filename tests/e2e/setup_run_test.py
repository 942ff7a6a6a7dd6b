"""A setup file made by our builder runs under Wine from start to end: the
files are extracted with their times, the setup program gets the command
line and the handshake, the exit code comes back, temp is left clean; and
every damaged or declined case runs nothing."""
import glob
import os
import random
import re
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

from harness import StubTestCase, WIN_BIN, build_package, read, read_bytes, wait_until, win_path

TEST_SETUP = os.path.join(WIN_BIN, "test_setup.exe")
FAKE_SYSTEM = os.path.join(WIN_BIN, "fake_system")
DAMAGED, DECLINED, CANCELLED, ANOTHER_RUNS = 1620, 1602, 1223, 1618


def payload():
    rng = random.Random(5)
    return {
        "setup.exe": read_bytes(TEST_SETUP),
        "data/readme.txt": b"Read me.\r\n" * 3000,
        "data/words.txt": b" ".join(b"w%d" % rng.randrange(5000) for _ in range(100000)),
        "data/deep/random.bin": bytes(rng.getrandbits(8) for _ in range(300000)),
        "empty.txt": b"",
    }


def project(extra=""):
    return '[setup]\nprogram = "setup.exe"\nparameters = "/FROMPACKAGE"\n' + extra


class SetupRuns(StubTestCase):
    def setUp(self):
        super().setUp()
        self.report = os.path.join(self.work, "report.txt")

    def ui(self, *args):
        return self.prefix.run(self.prefix.tool("ui_driver.exe"), *args)

    def setup_folders(self):
        return glob.glob(os.path.join(self.prefix.temp_folder(), "SETUP_*"))

    def report_lines(self):
        return dict(line.split("=", 1) for line in read(self.report).splitlines() if "=" in line and
                    not line.startswith("file="))

    def reported_files(self):
        return {l[5:].split("|")[0]: l[5:].split("|")[1:] for l in read(self.report).splitlines()
                if l.startswith("file=")}

    def run_setup(self, setup, *args, timeout=120):
        return self.prefix.run(setup, "/REPORT=%s" % win_path(self.report), *args, timeout=timeout)

    def assert_ran_nothing(self, result, code):
        # Wine hands only the low 8 bits of an exit code to its Unix parent.
        self.assertEqual(result.returncode, code & 0xFF, result.stdout)
        self.assertFalse(os.path.exists(self.report), "the setup program ran")
        self.assertEqual(self.setup_folders(), [], "temp left behind")

    def answer_box(self, button):
        """Waits for a message box and presses one of its buttons."""
        self.assertEqual(self.ui("wait", "VMsgBox", "30000").returncode, 0, "no message box")
        time.sleep(0.5)
        self.assertEqual(self.ui("click", "VMsgBox", button).returncode, 0, "no button " + button)

    def test_plain_package_runs_the_setup_with_its_command_line(self):
        for store in (False, True):
            with self.subTest(store=store):
                files = payload()
                setup = build_package(os.path.join(self.work, str(store)),
                                      project("[compression]\nstore = %s\n" % str(store).lower()), files)
                result = self.run_setup(setup, "/EXIT=7")
                self.assertEqual(result.returncode, 7, result.stdout)
                info = self.report_lines()
                folder = info["folder"]
                self.assertRegex(folder, r"^C:\\users\\[^\\]+\\Temp\\SETUP_[0-9A-F]{16}$")
                token = re.search(r" /TH_ID=(_\d+)", info["commandline"]).group(1)
                self.assertEqual(info["commandline"],
                                 '"%s\\setup.exe" /REPORT=%s /EXIT=7 /FROMPACKAGE /TH_ID=%s /OriginExe="%s"'
                                 % (folder, win_path(self.report), token, win_path(setup)))
                self.assertEqual(info["atom"], "1")
                got = self.reported_files()
                self.assertEqual(sorted(got), sorted(n.replace("/", "\\") for n in files))
                for name, data in files.items():
                    self.assertEqual(int(got[name.replace("/", "\\")][0]), len(data), name)
                built = time.localtime(os.path.getmtime(os.path.join(os.path.dirname(setup), "..", "files",
                                                                     "data", "readme.txt")))
                dos = int(got["data\\readme.txt"][1])
                self.assertEqual(((dos >> 25) + 1980, (dos >> 21) & 15, (dos >> 16) & 31, (dos >> 11) & 31),
                                 (built.tm_year, built.tm_mon, built.tm_mday, built.tm_hour))
                self.assertEqual(self.setup_folders(), [], "temp left behind")
                self.assertIn('==== WinExec(Setup.exe) >>"%s\\setup.exe"' % folder, self.viewer.text())
                os.remove(self.report)

    def test_window_shows_in_foreground_and_not_with_hide(self):
        setup = build_package(self.work, project(), payload())
        cls = win_path(setup)
        for args, shown in (((), True), (("/hide",), False)):
            with self.subTest(args=args):
                process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report), *args)
                visible = self.ui("visible", cls, "4000").returncode == 0
                self.assertEqual(process.wait(timeout=120), 0)
                self.assertEqual(visible, shown)
                self.assertTrue(os.path.exists(self.report))
                os.remove(self.report)

    def test_recorded_length_with_a_signature_behind_it(self):
        setup = build_package(self.work, project(), payload())
        with open(setup, "ab") as f:
            f.write(os.urandom(5000))
        self.assertEqual(self.run_setup(setup, "/EXIT=3").returncode, 3)
        self.assertIn("random.bin", read(self.report))

    def test_setup_dialog_is_waited_for_and_a_kept_atom_keeps_clean_up_files(self):
        setup = build_package(self.work, project('[update]\ndescriptor = "Prod.INFO"\n'), payload())
        folder = os.path.dirname(setup)
        link = os.path.join(folder, "startup.lnk")
        with open(os.path.join(folder, "Prod.original"), "w") as f:
            f.write("[UnInstall]\r\nStartUpLink=%s\r\n" % win_path(link))
        with open(os.path.join(folder, "Prod.INFO"), "w") as f:
            f.write("[NewSetup]\r\nRemoveStartUpShortcut=1\r\n")
        for args, removed in ((("/KEEPATOM",), False), ((), True)):
            with self.subTest(args=args):
                open(link, "w").close()
                start = time.time()
                self.assertEqual(self.run_setup(setup, "/DIALOG=3000", *args).returncode, 0)
                self.assertGreaterEqual(time.time() - start, 3.0)
                self.assertEqual(not os.path.exists(link), removed)

    def test_spanned_volumes_and_the_disk_prompt(self):
        files = {"setup.exe": read_bytes(TEST_SETUP), "big.bin": os.urandom(400000)}
        setup = build_package(self.work, project("[compression]\nstore = true\n[package]\nvolume_size = 250000\n"),
                              files)
        volumes = sorted(glob.glob(setup + "*"))
        self.assertGreaterEqual(len(volumes), 3, volumes)
        self.assertEqual(self.run_setup(setup).returncode, 0)
        self.assertEqual(int(self.reported_files()["big.bin"][0]), 400000)
        os.remove(self.report)

        key = "HKCU\\Software\\Corvande\\Ravlin\\SpanDisk"
        self.prefix.run("reg", "add", key, "/v", "ForcePrompt", "/d", "1", "/f")
        process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report))
        for disk in range(2, len(volumes) + 1):
            self.assertEqual(self.ui("wait", "VMsgBox", "30000").returncode, 0, "no prompt for disk %d" % disk)
            time.sleep(0.5)
            self.assertIn("DISK #%d" % disk, self.ui("text", "VMsgBox").stdout)
            if disk == 2:
                self.prefix.screenshot(os.path.join(self.work, "disk_prompt.png"))
            self.assertEqual(self.ui("click", "VMsgBox", "&OK").returncode, 0)
            self.assertEqual(self.ui("gone", "VMsgBox", "30000").returncode, 0)
        self.assertEqual(process.wait(timeout=120), 0)
        self.assertTrue(os.path.exists(self.report))
        os.remove(self.report)

        process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report))
        self.answer_box("&Cancel")
        self.assert_ran_nothing(subprocess_result(process), CANCELLED)
        self.prefix.run("reg", "delete", key, "/v", "ForcePrompt", "/f")

    def test_damaged_packages_run_nothing(self):
        setup = build_package(self.work, project("[compression]\nstore = true\n"), payload())
        original = read_bytes(setup)
        trailer = len(original) - 74

        def variant(name, data):
            path = os.path.join(self.work, name)
            with open(path, "wb") as f:
                f.write(data)
            return path

        def checksum_off(data):
            at = len(data) - 74 + 16
            return data[:at] + struct.pack("<I", 1234) + data[at + 4:]

        flipped = bytearray(original)
        flipped[trailer - 5000] ^= 0x55
        escaping = original.replace(b"|data\\readme.txt|", b"|..\\xxreadme.txt|")
        self.assertNotEqual(escaping, original)
        deflated = build_package(os.path.join(self.work, "z"), project(), payload())
        broken = bytearray(read_bytes(deflated))
        at = largest_stream(broken)
        broken[at + 200:at + 220] = bytes(20)
        def renamed(name):
            # The same length, so that the stored record keeps its framing.
            data = original.replace(b"|data\\readme.txt|", b"|" + name + b"|")
            self.assertNotEqual(data, original)
            return checksum_off(data)

        # A "*" in the time item of a data file: the setup marker outside
        # the name item.
        header = re.search(rb"\|data\\words\.txt\|(\d+)\|", original)
        stray = original[:header.start(1)] + b"*" + original[header.start(1) + 1:]
        cases = [("bad_crc.exe", bytes(flipped), "Bad CRC!"),
                 ("escaping.exe", checksum_off(escaping), "leaves the folder"),
                 ("broken_stream.exe", checksum_off(bytes(broken)), "data error"),
                 ("stray_marker.exe", checksum_off(stray), "setup marker outside"),
                 ("device_con.exe", renamed(b"dataaaa\\CON.txt"), "CON.txt"),
                 ("device_nul.exe", renamed(b"data\\readme\\NUL"), "NUL"),
                 ("trailing_dot.exe", renamed(b"data\\setup.exe."), "setup.exe.")]
        for name, data, text in cases:
            with self.subTest(name=name):
                path = variant(name, data)
                process = self.prefix.start(path, "/REPORT=%s" % win_path(self.report))
                self.assertEqual(self.ui("wait", "VMsgBox", "30000").returncode, 0, "no error box")
                time.sleep(0.5)
                shown = self.ui("text", "VMsgBox").stdout
                self.prefix.screenshot(os.path.join(self.work, name + ".png"))
                self.ui("click", "VMsgBox", "&OK")
                self.assert_ran_nothing(subprocess_result(process), DAMAGED)
                self.assertIn(text, shown)
                self.assertFalse(glob.glob(os.path.join(self.prefix.temp_folder(), "..", "xxreadme.txt")))

    def temp_in(self, folder):
        """Points the prefix's TEMP and TMP at folder (a Windows path) until
        the returned function restores them."""
        key = "HKCU\\Environment"
        saved = {name: self.prefix.run("reg", "query", key, "/v", name).stdout for name in ("TEMP", "TMP")}
        for name in saved:
            self.prefix.run("reg", "add", key, "/v", name, "/d", folder, "/f")

        def restore():
            for name, listing in saved.items():
                value = re.search(r"(REG_\w*SZ)\s+(.*)", listing)
                if value:
                    self.prefix.run("reg", "add", key, "/v", name, "/t", value.group(1), "/d",
                                    value.group(2).strip(), "/f")
                else:
                    self.prefix.run("reg", "delete", key, "/v", name, "/f")
        return restore

    def test_a_prepared_setup_folder_is_never_used(self):
        """Someone who can write to temp made the folder the stub names
        first, with a program in it: the stub takes another name and runs
        its own setup; the prepared folder stays as it was."""
        generator = os.path.join(self.prefix.env["WINEPREFIX"], "drive_c", "windows", "system32", "bcrypt.dll")
        saved = read_bytes(generator)
        shutil.copy(os.path.join(FAKE_SYSTEM, "bcrypt.dll"), generator)
        try:
            planted = os.path.join(self.prefix.temp_folder(), "SETUP_" + "00" * 8)
            os.makedirs(planted)
            shutil.copy(TEST_SETUP, os.path.join(planted, "setup.exe"))
            setup = build_package(self.work, project(), payload())
            result = self.prefix.run(setup, "/REPORT=%s" % win_path(self.report), "/EXIT=5",
                                     env={"WINEDLLOVERRIDES": "bcrypt=n"})
            self.assertEqual(result.returncode, 5, result.stdout)
            self.assertTrue(self.report_lines()["folder"].endswith("\\SETUP_" + "01" * 8), read(self.report))
            self.assertEqual(os.listdir(planted), ["setup.exe"])
            shutil.rmtree(planted)
            self.assertEqual(self.setup_folders(), [], "temp left behind")
        finally:
            with open(generator, "wb") as f:
                f.write(saved)

    def test_clean_up_never_follows_a_link(self):
        """A link inside the extraction folder, or the folder itself replaced
        by one while the setup runs: the clean-up removes the link at most,
        never what it points to."""
        outside = os.path.join(self.work, "outside")
        os.makedirs(outside)
        sentinel = os.path.join(outside, "sentinel.txt")
        setup = build_package(self.work, project(), payload())
        for replace_folder in (False, True):
            with self.subTest(replace_folder=replace_folder):
                with open(sentinel, "w") as f:
                    f.write("keep me")
                process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report), "/DIALOG=4000")
                self.assertTrue(wait_until(lambda: "file=" in read(self.report), 60), "the setup did not run")
                folder = os.path.join(self.prefix.temp_folder(), self.report_lines()["folder"].split("\\")[-1])
                moved = folder + ".moved"
                if replace_folder:
                    os.rename(folder, moved)
                    os.symlink(outside, folder)
                else:
                    os.symlink(outside, os.path.join(folder, "link"))
                self.assertEqual(process.wait(timeout=120), 0)
                self.assertEqual(read(sentinel), "keep me")
                self.assertTrue(os.path.isdir(outside))
                for leftover in (folder, moved):
                    if os.path.islink(leftover):
                        os.remove(leftover)
                    shutil.rmtree(leftover, ignore_errors=True)
                os.remove(self.report)

    def test_a_setup_with_blanks_in_its_name_and_folder_runs(self):
        spaced = os.path.join(self.prefix.env["WINEPREFIX"], "drive_c", "my temp dir")
        os.makedirs(spaced, exist_ok=True)
        restore = self.temp_in("C:\\my temp dir")
        try:
            files = {"My Setup.exe": read_bytes(TEST_SETUP), "data/a.txt": b"a"}
            setup = build_package(self.work, '[setup]\nprogram = "My Setup.exe"\n', files)
            self.assertEqual(self.run_setup(setup, "/EXIT=4").returncode, 4)
            info = self.report_lines()
            self.assertRegex(info["folder"], r"^C:\\my temp dir\\SETUP_[0-9A-F]{16}$")
            self.assertTrue(info["commandline"].startswith('"%s\\My Setup.exe" /REPORT=' % info["folder"]),
                            info["commandline"])
            self.assertEqual(os.listdir(spaced), [])
        finally:
            restore()

    def test_closing_the_window_while_extracting_runs_no_setup(self):
        rng = random.Random(9)
        files = {"setup.exe": read_bytes(TEST_SETUP),
                 "big.bin": bytes(rng.getrandbits(8) for _ in range(3000000)) * 20}
        setup = build_package(self.work, project("[compression]\nstore = true\n"), files)
        process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report))
        self.assertEqual(self.ui("visible", win_path(setup), "60000").returncode, 0, "no window")
        self.ui("close", win_path(setup))
        self.assert_ran_nothing(subprocess_result(process), DECLINED)

    def test_a_second_start_while_the_first_runs(self):
        setup = build_package(self.work, project(), payload())
        first = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report), "/DIALOG=6000")
        self.assertTrue(wait_until(lambda: "file=" in read(self.report), 60), "the first setup did not run")
        second = self.prefix.run(setup, timeout=60)
        self.assertEqual(second.returncode, ANOTHER_RUNS & 0xFF, second.stdout)
        self.assertEqual(first.wait(timeout=120), 0)

    def test_short_temp_drive_uses_an_alternative_folder(self):
        small = tempfile.mkdtemp(dir=self.prefix.root)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", small], capture_output=True).returncode:
            self.skipTest("a small file system for the temp folder cannot be mounted here")
        restore = self.temp_in(win_path(small))
        try:
            setup = build_package(self.work, project(), {"setup.exe": read_bytes(TEST_SETUP),
                                                         "zeros.bin": bytes(6000000)})
            self.assertEqual(self.run_setup(setup).returncode, 0)
            self.assertRegex(self.report_lines()["folder"], r"^C:\\(TEMP\\)?TEMP_[0-9A-F]{16}$")
            drive_c = os.path.join(self.prefix.env["WINEPREFIX"], "drive_c")
            self.assertEqual(glob.glob(os.path.join(drive_c, "TEMP*_*")) +
                             glob.glob(os.path.join(drive_c, "TEMP", "TEMP_*")), [], "the folder was not removed")
            self.assertEqual(os.listdir(small), [])
        finally:
            restore()
            subprocess.run(["umount", small], check=False)

    def test_notice_before_extracting_can_be_declined(self):
        setup = build_package(self.work, project("[package]\ntemp_drive_notice = true\n"), payload())
        process = self.prefix.start(setup, "/REPORT=%s" % win_path(self.report))
        self.assertEqual(self.ui("wait", "VMsgBox", "30000").returncode, 0)
        time.sleep(0.5)
        shown = self.ui("text", "VMsgBox").stdout
        self.ui("click", "VMsgBox", "&No")
        self.assert_ran_nothing(subprocess_result(process), DECLINED)
        self.assertIn("extract files to your Temp Drive (C:)", shown)
        self.assertIn("Continue with Setup?", shown)


def largest_stream(package):
    """Offset of the body of the longest compressed record: the records are
    walked from the first leading block, as the stub reads them."""
    blocks, offset = package[-73], struct.unpack_from("<I", package, len(package) - 70)[0]
    best, best_length, count = 0, 0, 0
    while offset < len(package) - 74:
        length = struct.unpack_from("<i", package, offset)[0]
        if count >= (blocks or 2) and length > best_length:
            best, best_length = offset + 4, length
        offset += 4 + abs(length)
        count += 1
    return best


def subprocess_result(process, timeout=120):
    code = process.wait(timeout=timeout)
    return type("Result", (), {"returncode": code, "stdout": ""})()


if __name__ == "__main__":
    unittest.main(verbosity=2)
