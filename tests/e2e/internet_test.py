"""The internet setup under Wine against a loopback HTTP server of our own:
the download runs the setup and is removed, a cut transfer resumes with a
range request, a changed server file starts afresh, and a foreign file, an
error page, a missing length and a missing server each end with one box."""
import email.utils
import glob
import http.server
import os
import shutil
import socket
import threading
import time
import unittest

from harness import StubTestCase, WIN_BIN, build_package, read, read_bytes, win_path

TEST_SETUP = os.path.join(WIN_BIN, "test_setup.exe")
# The stub's exit codes when no setup ran (Wine passes the low 8 bits).
NOT_STARTED, DECLINED = 1619 & 0xFF, 1602 & 0xFF
ERROR_PAGE = b"<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>"


class FileServer:
    """Serves files from a dict, with `Range: bytes=N-`. Faults are set per
    test: `drop_after` cuts whole-file answers after that many body bytes,
    `no_length` leaves out Content-Length, `missing` answers 404 with an
    HTML page, `slow` sends the body in small pieces with pauses. `requests` records (path, range header) of every GET."""

    def __init__(self):
        self.files = {}
        self.modified = {}
        self.drop_after = None
        self.no_length = False
        self.missing = False
        self.slow = False
        self.requests = []
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                server.requests.append((self.path, self.headers.get("Range")))
                try:
                    server.answer(self)
                except (BrokenPipeError, ConnectionResetError):
                    pass  # the client dropped a request it only opened

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, folder):
        return "http://127.0.0.1:%d/%s" % (self.port, folder)

    def put(self, path, data, modified):
        self.files[path] = data
        self.modified[path] = modified

    def answer(self, h):
        if self.missing or h.path not in self.files:
            self.send(h, 404, ERROR_PAGE, {"Content-Type": "text/html"})
            return
        data = self.files[h.path]
        headers = {"Last-Modified": email.utils.formatdate(self.modified[h.path], usegmt=True),
                   "Content-Type": "application/octet-stream"}
        wanted = h.headers.get("Range", "")
        if wanted.startswith("bytes=") and wanted.endswith("-") and int(wanted[6:-1]) < len(data):
            first = int(wanted[6:-1])
            headers["Content-Range"] = "bytes %d-%d/%d" % (first, len(data) - 1, len(data))
            self.send(h, 206, data[first:], headers)
            return
        if self.drop_after is not None:
            self.send(h, 200, data, headers, cut=self.drop_after)
            return
        self.send(h, 200, data, headers)

    def send(self, h, status, body, headers, cut=None):
        h.send_response(status)
        for name, value in headers.items():
            h.send_header(name, value)
        if not self.no_length:
            h.send_header("Content-Length", str(len(body)))
        h.end_headers()
        body = body if cut is None else body[:cut]
        piece = 16384 if self.slow else len(body) or 1
        for at in range(0, len(body), piece):
            h.wfile.write(body[at:at + piece])
            h.wfile.flush()
            if self.slow:
                time.sleep(0.2)
        if cut is not None:
            h.connection.shutdown(socket.SHUT_RDWR)

    def ranges(self, since):
        return [r for _, r in self.requests[since:] if r]

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class InternetSetup(StubTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.server = FileServer()

    @classmethod
    def tearDownClass(cls):
        cls.server.close()
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.report = os.path.join(self.work, "report.txt")
        self.server.drop_after = None
        self.server.no_length = self.server.missing = self.server.slow = False
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

    def internet_setup(self, base, extra=""):
        project = ('[internet]\nbase_url = "%s"\nsetup_file = "Full.exe"\ntoken = "T1"\nsize = 5242880\n%s'
                   % (base, extra))
        return build_package(os.path.join(self.work, "net"), project, {})

    def publish(self, data, modified=1700000000):
        self.server.put("/dl/Full.exe", data, modified)

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
        self.publish(self.full_setup("T1"))
        stub = self.internet_setup(self.server.url("dl"),
                                   '[package]\nwrite_agent = true\n[update]\nprogram = "Upd.exe"\n')
        before = len(self.server.requests)
        self.assertEqual(self.run_stub(stub, "/EXIT=4").returncode, 4)
        self.assertIn("file=data.bin|600000", read(self.report))
        # The update program beside the setup is the stub's own image.
        self.assertIn("file=Upd.exe|%d|" % os.path.getsize(stub), read(self.report))
        self.assertIn(("/dl/Full.exe", None), self.server.requests[before:])
        self.assertEqual(self.temp_files(), [], "the download stayed")
        self.assertIn("HTTP_DownloadFile_Incremental FileSize=", self.viewer.text())

    def test_setup_file_beside_the_stub_is_used_without_a_request(self):
        stub = self.internet_setup(self.server.url("dl"))
        beside = os.path.join(os.path.dirname(stub), "Full.exe")
        for token, runs in (("T1", True), ("T2", False)):
            with self.subTest(token=token):
                with open(beside, "wb") as f:
                    f.write(self.full_setup(token, name=token))
                before = len(self.server.requests)
                if runs:
                    self.assertEqual(self.run_stub(stub).returncode, 0)
                    self.assertIn("file=data.bin", read(self.report))
                    os.remove(self.report)
                else:
                    self.assert_error_box(stub, "Bad Secret Token!")
                self.assertEqual(self.server.requests[before:], [])
                self.assertTrue(os.path.exists(beside), "the user's file was deleted")
        os.remove(beside)

    def test_cut_download_resumes_and_a_changed_file_starts_afresh(self):
        data = self.full_setup("T1")
        self.publish(data)
        stub = self.internet_setup(self.server.url("dl"))

        self.server.drop_after = 250000
        text = self.assert_error_box(stub, "Download Incomplete")
        partials = self.temp_files()
        self.assertEqual(len(partials), 1, partials)
        kept = os.path.getsize(os.path.join(self.prefix.temp_folder(), partials[0]))
        self.assertTrue(0 < kept <= 250000, (kept, text))

        self.server.drop_after = None
        before = len(self.server.requests)
        self.assertEqual(self.run_stub(stub).returncode, 0)
        self.assertEqual(self.server.ranges(before), ["bytes=%d-" % kept])
        # The setup runs only when the package's checksum passes: the joined file is whole.
        self.assertIn("file=data.bin|600000", read(self.report))
        self.assertEqual(self.temp_files(), [])
        os.remove(self.report)

        # A cut again, then a new file on the server: no range, no old partial file.
        self.server.drop_after = 250000
        self.assert_error_box(stub, "Download Incomplete")
        self.assertEqual(len(self.temp_files()), 1)
        self.server.drop_after = None
        self.publish(self.full_setup("T1", name="newer", size=650000), modified=1700100000)
        before = len(self.server.requests)
        self.assertEqual(self.run_stub(stub).returncode, 0)
        self.assertEqual(self.server.ranges(before), [])
        self.assertIn("file=data.bin|650000", read(self.report))
        self.assertEqual(self.temp_files(), [])

    def test_closing_the_window_aborts_the_download(self):
        self.publish(self.full_setup("T1"), modified=1700200000)
        stub = self.internet_setup(self.server.url("dl"))
        self.server.slow = True
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
                        len(self.server.files["/dl/Full.exe"]))

    def test_foreign_file_error_page_missing_length_and_missing_server(self):
        stub = self.internet_setup(self.server.url("dl"))
        self.publish(self.full_setup("OTHER"))
        self.assert_error_box(stub, "Bad Secret Token!")
        self.assertEqual(self.temp_files(), [], "the foreign download stayed")

        self.server.missing = True
        text = self.assert_error_box(stub, "404 File Not Found...")
        self.assertIn("URL:  %s/Full.exe." % self.server.url("dl"), text)
        self.server.missing = False

        self.server.no_length = True
        self.assert_error_box(stub, "File Not Found !")
        self.server.no_length = False

        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        closed = probe.getsockname()[1]
        probe.close()
        nowhere = self.internet_setup("http://127.0.0.1:%d/dl" % closed)
        self.assert_error_box(nowhere, "Unable to open Internet Connection")

    def test_size_question_and_hide(self):
        self.publish(self.full_setup("T1"))
        stub = self.internet_setup(self.server.url("dl"), "confirm_download = true\n")
        before = len(self.server.requests)
        process = self.start_stub(stub)
        self.assertEqual(self.ui("wait", "VMsgBox", "60000").returncode, 0, "no question")
        time.sleep(0.5)
        self.assertIn("Size: 5.00 MB", self.ui("text", "VMsgBox").stdout)
        self.assertEqual(self.ui("click", "VMsgBox", "&No").returncode, 0)
        self.assertEqual(process.wait(timeout=60), DECLINED)
        self.assertNotEqual(self.ui("wait", "VMsgBox", "1500").returncode, 0, "a box after declining")
        self.assertEqual(self.server.requests[before:], [])
        self.assertFalse(os.path.exists(self.report))

        process = self.start_stub(stub, "/hide")
        shown = self.ui("visible", win_path(stub), "4000").returncode == 0
        self.assertEqual(process.wait(timeout=120), 0)
        self.assertFalse(shown, "the window showed with /hide")
        self.assertIn("file=data.bin", read(self.report))


if __name__ == "__main__":
    unittest.main(verbosity=2)
