"""The internet setup under Wine against loopback HTTP servers: nginx for
the ordinary answers and a fault server of our own. The download runs the
setup and is removed, a cut transfer resumes with a range request, a
changed server file starts afresh, and a foreign file, an error page, a
missing length and a missing server each end with one box."""
import glob
import os
import time
import unittest

from harness import StubTestCase, WIN_BIN, build_package, read, read_bytes, win_path
from servers import FaultServer, NginxServer, free_port

TEST_SETUP = os.path.join(WIN_BIN, "test_setup.exe")
# The stub's exit codes when no setup ran (Wine passes the low 8 bits).
NOT_STARTED, DECLINED = 1619 & 0xFF, 1602 & 0xFF


class InternetSetup(StubTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.nginx = NginxServer()
        cls.faults = FaultServer()

    @classmethod
    def tearDownClass(cls):
        cls.nginx.close()
        cls.faults.close()
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.report = os.path.join(self.work, "report.txt")
        self.faults.reset()
        # Partial files are named by size and date: none may reach another test.
        for path in glob.glob(os.path.join(self.prefix.temp_folder(), "Full.exe*")):
            os.remove(path)

    def ui(self, *args):
        return self.prefix.run(self.prefix.tool("ui_driver.exe"), *args)

    def full_setup(self, token, name="full", size=600000, seed=1):
        """The product's full setup carrying the internet token, as the
        server would publish it."""
        files = {"setup.exe": read_bytes(TEST_SETUP), "data.bin": os.urandom(size)}
        project = ('[setup]\nprogram = "setup.exe"\n[compression]\nstore = true\n'
                   '[internet]\nbase_url = "x"\nsetup_file = "Full.exe"\ntoken = "%s"\nfull_setup = true\n' % token)
        return read_bytes(build_package(os.path.join(self.work, name), project, files))

    def internet_setup(self, base, extra="", name="net"):
        project = ('[internet]\nbase_url = "%s"\nsetup_file = "Full.exe"\ntoken = "T1"\nsize = 5242880\n%s'
                   % (base, extra))
        return build_package(os.path.join(self.work, name), project, {})

    def publish(self, server, data, modified=1700000000):
        server.put("/dl/Full.exe", data, modified)

    def run_stub(self, stub, *args):
        return self.prefix.run(stub, "/REPORT=%s" % win_path(self.report), *args, timeout=120)

    def start_stub(self, stub, *args):
        return self.prefix.start(stub, "/REPORT=%s" % win_path(self.report), *args)

    def box_text(self):
        """Waits for the message box, returns its text and presses OK."""
        self.assertEqual(self.ui("wait", "VMsgBox", "60000").returncode, 0, "no message box")
        time.sleep(0.5)
        text = self.ui("text", "VMsgBox").stdout
        self.assertEqual(self.ui("click", "VMsgBox", "&OK").returncode, 0, text)
        return text

    def temp_files(self):
        return sorted(os.path.basename(p) for p in glob.glob(os.path.join(self.prefix.temp_folder(), "Full.exe*")))

    def assert_error_box(self, stub, fragment):
        process = self.start_stub(stub)
        text = self.box_text()
        self.assertEqual(process.wait(timeout=60), NOT_STARTED)
        self.assertIn(fragment, text)
        self.assertNotEqual(self.ui("wait", "VMsgBox", "1500").returncode, 0, "a second box")
        self.assertFalse(os.path.exists(self.report), "the setup ran")
        return text

    def test_download_runs_the_setup_and_removes_the_download(self):
        self.publish(self.nginx, self.full_setup("T1"))
        stub = self.internet_setup(self.nginx.url("dl"),
                                   '[package]\nwrite_agent = true\n[update]\nprogram = "Upd.exe"\n')
        before = len(self.nginx.requests())
        self.assertEqual(self.run_stub(stub, "/EXIT=4").returncode, 4)
        self.assertIn("file=data.bin|600000", read(self.report))
        # The update program beside the setup is the stub's own image.
        self.assertIn("file=Upd.exe|%d|" % os.path.getsize(stub), read(self.report))
        self.assertIn(("/dl/Full.exe", None), self.nginx.requests()[before:])
        self.assertEqual(self.temp_files(), [], "the download stayed")
        self.assertIn("HTTP_DownloadFile_Incremental FileSize=", self.viewer.text())

    def test_setup_file_beside_the_stub_is_used_without_a_request(self):
        stub = self.internet_setup(self.nginx.url("dl"))
        beside = os.path.join(os.path.dirname(stub), "Full.exe")
        for token, runs in (("T1", True), ("T2", False)):
            with self.subTest(token=token):
                with open(beside, "wb") as f:
                    f.write(self.full_setup(token, name=token))
                before = len(self.nginx.requests())
                if runs:
                    self.assertEqual(self.run_stub(stub).returncode, 0)
                    self.assertIn("file=data.bin", read(self.report))
                    os.remove(self.report)
                else:
                    self.assert_error_box(stub, "Bad Secret Token!")
                self.assertEqual(self.nginx.requests()[before:], [])
                self.assertTrue(os.path.exists(beside), "the user's file was deleted")
        os.remove(beside)

    def ranges(self, since):
        return [r for _, r in self.nginx.requests()[since:] if r]

    def cut_download(self, stub):
        """A run whose transfer the fault server cuts part-way; returns the
        size of the partial file it leaves."""
        self.faults.drop_after = 250000
        self.assert_error_box(stub, "Download Incomplete")
        partials = self.temp_files()
        self.assertEqual(len(partials), 1, partials)
        kept = os.path.getsize(os.path.join(self.prefix.temp_folder(), partials[0]))
        self.assertTrue(0 < kept <= 250000, kept)
        return kept

    def test_cut_download_resumes_and_a_changed_file_starts_afresh(self):
        # The same file, size and date on both servers: a transfer cut by the
        # fault server resumes from nginx, whose range answers are its own.
        data = self.full_setup("T1")
        self.publish(self.faults, data)
        self.publish(self.nginx, data)
        cut = self.internet_setup(self.faults.url("dl"), name="cut")
        stub = self.internet_setup(self.nginx.url("dl"))

        kept = self.cut_download(cut)
        before = len(self.nginx.requests())
        self.assertEqual(self.run_stub(stub).returncode, 0)
        self.assertEqual(self.ranges(before), ["bytes=%d-" % kept])
        # The setup runs only when the package's checksum passes: the joined file is whole.
        self.assertIn("file=data.bin|600000", read(self.report))
        self.assertEqual(self.temp_files(), [])
        os.remove(self.report)

        # A cut again, then a new file on the server: no range, no old partial file.
        self.cut_download(cut)
        self.publish(self.nginx, self.full_setup("T1", name="newer", size=650000), modified=1700100000)
        before = len(self.nginx.requests())
        self.assertEqual(self.run_stub(stub).returncode, 0)
        self.assertEqual(self.ranges(before), [])
        self.assertIn("file=data.bin|650000", read(self.report))
        self.assertEqual(self.temp_files(), [])

    def test_closing_the_window_aborts_the_download(self):
        self.publish(self.faults, self.full_setup("T1"), modified=1700200000)
        stub = self.internet_setup(self.faults.url("dl"))
        self.faults.slow = True
        process = self.start_stub(stub)
        self.assertEqual(self.ui("visible", win_path(stub), "60000").returncode, 0, "no window")
        self.assertTrue(self.viewer.wait_for("HTTP_DownloadFile_Incremental FileSize=", 60))
        self.ui("close", win_path(stub))
        text = self.box_text()
        self.assertEqual(process.wait(timeout=60), NOT_STARTED)
        self.assertIn("Download Aborted", text)
        self.assertFalse(os.path.exists(self.report))
        partials = self.temp_files()
        self.assertEqual(len(partials), 1, "the partial file stays for a later resume")
        self.assertLess(os.path.getsize(os.path.join(self.prefix.temp_folder(), partials[0])),
                        len(self.faults.files["/dl/Full.exe"]))

    def test_foreign_file_error_page_missing_length_and_missing_server(self):
        self.publish(self.nginx, self.full_setup("OTHER"), modified=1700300000)
        self.assert_error_box(self.internet_setup(self.nginx.url("dl")), "Bad Secret Token!")
        self.assertEqual(self.temp_files(), [], "the foreign download stayed")

        stub = self.internet_setup(self.faults.url("dl"), name="faults")
        self.publish(self.faults, self.full_setup("T1"))
        self.faults.missing = True
        text = self.assert_error_box(stub, "404 File Not Found...")
        self.assertIn("URL:  %s/Full.exe." % self.faults.url("dl"), text)
        self.faults.missing = False

        self.faults.no_length = True
        self.assert_error_box(stub, "File Not Found !")
        self.faults.no_length = False
        nowhere = "http://127.0.0.1:%d/dl" % free_port()
        self.assert_error_box(self.internet_setup(nowhere, name="nowhere"), "Unable to open Internet Connection")

    def test_size_question_and_hide(self):
        self.publish(self.nginx, self.full_setup("T1"), modified=1700400000)
        stub = self.internet_setup(self.nginx.url("dl"), "confirm_download = true\n")
        before = len(self.nginx.requests())
        process = self.start_stub(stub)
        self.assertEqual(self.ui("wait", "VMsgBox", "60000").returncode, 0, "no question")
        time.sleep(0.5)
        self.assertIn("Size: 5.00 MB", self.ui("text", "VMsgBox").stdout)
        self.assertEqual(self.ui("click", "VMsgBox", "&No").returncode, 0)
        self.assertEqual(process.wait(timeout=60), DECLINED)
        self.assertNotEqual(self.ui("wait", "VMsgBox", "1500").returncode, 0, "a box after declining")
        self.assertEqual(self.nginx.requests()[before:], [])
        self.assertFalse(os.path.exists(self.report))

        process = self.start_stub(stub, "/hide")
        shown = self.ui("visible", win_path(stub), "4000").returncode == 0
        self.assertEqual(process.wait(timeout=120), 0)
        self.assertFalse(shown, "the window showed with /hide")
        self.assertIn("file=data.bin", read(self.report))


if __name__ == "__main__":
    unittest.main(verbosity=2)
