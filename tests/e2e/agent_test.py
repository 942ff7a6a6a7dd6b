"""The update agent under Wine: a product folder with our test product
(Prod.exe, a window program that logs how it was started and ended), its
agent (ProdUpdate.exe) and .original descriptor; the publisher's .info
descriptor and new setup on nginx, or in a folder for test mode. The agent
shoots on its fourth tick, ends the product, runs the new setup, writes the
new version, starts the product again and restarts itself."""
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import (MKSETUP, PEER_WIN_BIN, WIN_BIN, StubTestCase, both_word_sizes_run, build_package, read,
                     read_bytes, wait_until, win_path)
from servers import NginxServer

TOKEN = "prod-token"
AGENT_CLASS = ".AutoUpdate.X_ProdUpdate"
AGENT_KEY = r"HKCU\Software\Corvande\Ravlin\AutoUpdate"
NOTICE_MESSAGE = 32800


def toml_table(values):
    def value(v):
        if isinstance(v, bool):
            return "true" if v else "false"
        if isinstance(v, int):
            return str(v)
        return '"%s"' % v.replace("\\", "\\\\").replace('"', '\\"')
    return "".join("%s = %s\n" % (key, value(v)) for key, v in values.items())


def ini_value(path, section, key):
    current = None
    for line in read(path).splitlines():
        if line.startswith("["):
            current = line.strip("[]")
        elif current == section and line.split("=", 1)[0] == key:
            return line.split("=", 1)[1]
    return None


class UpdateAgent(StubTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.nginx = NginxServer()

    @classmethod
    def tearDownClass(cls):
        cls.nginx.close()
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.report = os.path.join(self.work, "report.txt")
        self.fresh_product()

    def fresh_product(self, product_bin=WIN_BIN):
        """A new product folder with the product (of the word size of the tree
        in product_bin) in it, and a folder of its own on the server."""
        self.app = tempfile.mkdtemp(prefix="app-", dir=self.work)
        self.agent = os.path.join(self.app, "ProdUpdate.exe")
        self.product = os.path.join(self.app, "Prod.exe")
        self.product_log = self.product + ".log"
        self.trace = os.path.join(self.app, "X_ProdUpdate.log")
        self.original = os.path.join(self.app, "Prod.original")
        self.folder = os.path.basename(self.app)
        shutil.copy(os.path.join(product_bin, "fixture_app.exe"), self.product)
        if os.path.exists(self.report):
            os.remove(self.report)

    def tearDown(self):
        self.end_programs()
        super().tearDown()

    def end_programs(self):
        """Ends every program of the prefix: agents, products, boxes."""
        subprocess.run(["wineserver", "-k"], env=self.prefix.env, check=False, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.prefix.env, check=False, capture_output=True, timeout=60)

    def ui(self, *args):
        return self.prefix.run(self.prefix.tool("ui_driver.exe"), *args)

    # --- the product side -------------------------------------------------
    def install_agent(self, base):
        project = ('[package]\nis_agent = true\ndebug_trace = true\n'
                   '[update]\nagent_settings = "%s"\ndescriptor = "Prod.INFO"\nprogram = "ProdUpdate.exe"\n'
                   'token = "%s"\n' % (base, TOKEN))
        shutil.copy(build_package(os.path.join(self.work, "agent"), project, {}, output_name="ProdUpdate.exe"),
                    self.agent)

    def write_original(self, **values):
        """The .original descriptor as the product ships it: built into the
        product's package by the builder, and taken out of it."""
        original = {"VersionOriginal": 1, "ProbeSecondsInterval": 0, "ProgramName": "Prod",
                    "TargetDir": win_path(self.app), "s15": "Please close PROG_NAME.",
                    "s16": "PROG_NAME is up to date.", "s17": " Start it again?", "s21": "No update for you.",
                    "s22": "Look for a new Prod?", "s11": "Download PROG_NAME?", "s14": "Install PROG_NAME?"}
        original.update(values)
        project = ('[setup]\nprogram = "setup.exe"\n[update]\ndescriptor = "Prod.INFO"\nprogram = "ProdUpdate.exe"\n'
                   'token = "%s"\n[update.original]\n%s' % (TOKEN, toml_table(original)))
        folder = tempfile.mkdtemp(prefix="product-", dir=self.work)
        setup = build_package(folder, project, {"setup.exe": b"placeholder"})
        subprocess.run([MKSETUP, "extract", setup, "-o", os.path.join(folder, "x")], check=True, capture_output=True)
        shutil.copy(os.path.join(folder, "x", "Prod.original"), self.original)

    def start_product(self):
        self.prefix.start(self.product)
        self.assertTrue(wait_until(lambda: "ready" in read(self.product_log), 30), "the product did not start")

    # --- the publisher side -----------------------------------------------
    def new_setup(self, token=TOKEN, keep_atom=False):
        parameters = "/REPORT=%s%s" % (win_path(self.report), " /KEEPATOM" if keep_atom else "")
        # The version its .original installs is the one the editions offer.
        project = ('[setup]\nprogram = "setup.exe"\nparameters = "%s"\n[update]\ndescriptor = "Prod.INFO"\n'
                   'token = "%s"\n[update.original]\nVersionOriginal = 2\n'
                   % (parameters.replace("\\", "\\\\"), token))
        return read_bytes(build_package(os.path.join(self.work, "new"), project,
                                        {"setup.exe": read_bytes(os.path.join(WIN_BIN, "test_setup.exe"))}))

    def publish_edition(self, base, output, setup=None, **values):
        """The builder's publish command: the new setup and its .info in output."""
        setup_file = os.path.join(tempfile.mkdtemp(dir=self.work), "NewSetup.exe")
        with open(setup_file, "wb") as f:
            f.write(setup if setup is not None else self.new_setup())
        edition = {"DownloadURL_UPDATE": base, "VersionNew": 2, "Stamp": 7, "ShutDownMethod": "Using WM_CLOSE",
                   "RestartProcess": True, "ProgramName": "Prod", "RunningProcess": "<InstallDir>Prod.exe"}
        edition.update(values)
        project = os.path.join(self.work, "publish.toml")
        with open(project, "w") as f:
            f.write('descriptor = "Prod.INFO"\ntoken = "%s"\nsetup_file = "%s"\noutput = "%s"\n[NewSetup]\n%s'
                    % (TOKEN, setup_file, output, toml_table(edition)))
        subprocess.run([MKSETUP, "publish", project], check=True, capture_output=True)

    def publish(self, **values):
        """Publishes an edition on nginx; returns the base URL."""
        base = self.nginx.url(self.folder)
        out = tempfile.mkdtemp(prefix="edition-", dir=self.work)
        self.publish_edition(base, out, **values)
        for name in ("NewSetup.exe", "Prod.INFO"):
            self.nginx.put("/%s/%s" % (self.folder, name), read_bytes(os.path.join(out, name)), 1700000000)
        return base

    def requests(self):
        """The files of this test's folder that the agent asked for, each once
        (a size query and a transfer are requests of their own)."""
        paths = []
        for path, _ in self.nginx.requests():
            if path.startswith("/%s/" % self.folder) and path not in paths:
                paths.append(path)
        return paths

    # --- running the agent ------------------------------------------------
    def start_agent(self, *args):
        self.assertEqual(self.prefix.run(self.agent, *args).returncode, 0)
        self.assertEqual(self.ui("wait", AGENT_CLASS, "20000").returncode, 0, "the agent's window")

    def wait_agent_gone(self):
        """Until the agent has ended and its copy has deleted itself (a new
        start before that would copy the agent while the copy's clean-up
        still deletes that file)."""
        self.assertEqual(self.ui("gone", AGENT_CLASS, "30000").returncode, 0, "the agent did not end")
        copy = os.path.join(self.app, "X_ProdUpdate.exe")
        self.assertTrue(wait_until(lambda: not os.path.exists(copy), 30), "the agent's copy stayed")

    def wait_trace(self, fragment, timeout=60):
        if not wait_until(lambda: fragment in read(self.trace), timeout):
            steps = [line for line in read(self.trace).splitlines() if "AutoUpdateTimerCount=" not in line
                     and "ShotTimeStatus=0" not in line]
            self.fail("%r not traced:\n%s" % (fragment, "\n".join(steps[-60:])))

    def version_original(self):
        return ini_value(self.original, "OriginalSetup", "VersionOriginal")

    def box(self, cls="VMsgBox", timeout="60000"):
        """Waits for a message box and returns its text."""
        self.assertEqual(self.ui("wait", cls, timeout).returncode, 0, "no box:\n%s" % read(self.trace)[-2000:])
        time.sleep(0.5)
        return self.ui("text", cls).stdout

    def answer(self, button):
        self.assertEqual(self.ui("click", "VMsgBox", button).returncode, 0, button)
        self.assertEqual(self.ui("gone", "VMsgBox", "10000").returncode, 0)

    # --- the tests --------------------------------------------------------
    def test_update_over_http_ends_runs_restarts_and_notifies(self):
        self.install_agent(self.publish())
        self.write_original()
        self.start_product()
        handle_file = os.path.join(self.work, "reply.handle")
        reply_log = os.path.join(self.work, "reply.log")
        reply = self.prefix.start(self.prefix.tool("reply_window.exe"), handle_file, reply_log, "120")
        self.assertTrue(wait_until(lambda: os.path.getsize(handle_file) > 0 if os.path.exists(handle_file) else 0,
                                   30))
        # A start delay leaves time to register the client window first.
        self.start_agent("/DELAY=8")
        self.prefix.run(self.agent, "/WM_MSG=%s:%d" % (read(handle_file).strip(), NOTICE_MESSAGE))
        self.assertTrue(wait_until(lambda: "%d 51 1125" % NOTICE_MESSAGE in read(reply_log), 20))

        self.wait_trace("PerformAutoUpdate() - END    Result=TRUE")
        self.assertEqual(self.requests(), ["/%s/Prod.INFO" % self.folder, "/%s/NewSetup.exe" % self.folder])
        self.assertIn('/OriginalInfoFile="%s"' % win_path(os.path.join(self.app, "Prod.INFO")), read(self.report))
        self.assertIn("WM_CLOSE 15 255", read(self.product_log))
        self.assertEqual(self.version_original(), "2")
        self.assertEqual(ini_value(self.original, "OriginalSetup", "Stamp"), "7")
        self.assertFalse(os.path.exists(os.path.join(self.app, "NewSetup.exe")), "the setup stayed")
        # Started again by the agent, with no arguments.
        self.assertTrue(wait_until(lambda: read(self.product_log).count("ready") == 2, 30), read(self.product_log))

        notices = re.findall(r"^%d (4\d) (\d)$" % NOTICE_MESSAGE, read(reply_log), re.M)
        self.assertEqual(notices, [("40", "1"), ("40", "2"), ("41", "1"), ("41", "2"), ("42", "1"), ("42", "2")])

        # The agent restarts itself through the update program, which waits
        # for it to end; the new copy has seen this edition already.
        self.wait_trace('.. WinExec - "%s" /_ZZ=99 /WAIT=10 /TRANSIENT=|255|255|255|255|255|255|'
                        % win_path(self.agent))
        self.wait_trace("GetOkToPerformAU = 2 - Too early for retesting", 60)
        self.assertEqual(self.ui("wait", AGENT_CLASS, "5000").returncode, 0, "no agent after the restart")
        reply.kill()
        reply.wait()

    def test_shutdown_methods(self):
        # The product may be of the other word size than the agent (a 32-bit
        # agent beside a 64-bit product is the common case): it must be found,
        # ended and restarted all the same.
        cases = [("Using WM_CLOSE", "WM_CLOSE 15 255"), ("Using WM_QUIT", "WM_QUIT 15 255"),
                 ("Using Terminate Process", None), ("Issue a Message Box", None), ("Don't Shut Down", None)]
        products = [("own word size", WIN_BIN), ("other word size", PEER_WIN_BIN)]
        for (size, product_bin), (method, logged) in [(p, c) for p in products for c in cases]:
            with self.subTest(product=size, method=method):
                if product_bin == PEER_WIN_BIN and not (PEER_WIN_BIN and both_word_sizes_run()):
                    self.skipTest("programs of the other word size do not run on this machine")
                self.end_programs()
                self.fresh_product(product_bin)
                self.install_agent(self.publish(ShutDownMethod=method))
                self.write_original()
                self.start_product()
                # A budget of ticks keeps the agent from restarting itself.
                self.start_agent("/STOP=40")
                if method == "Issue a Message Box":
                    self.assertIn("Please close Prod.exe.", self.box())
                    self.ui("close", "RvFixtureWindow")
                    self.answer("&OK")
                self.wait_trace("PerformAutoUpdate() - END    Result=TRUE")
                # Probing once, on the fourth tick.
                ticks = re.findall(r"AutoUpdateTimerCount=(-?\d+)|ShotTimeStatus=(\d)", read(self.trace))
                self.assertEqual(ticks[:5], [("-2", ""), ("-1", ""), ("0", ""), ("1", ""), ("", "2")])
                self.assertIn("Method: " + method, read(self.trace))
                self.assertTrue(os.path.exists(self.report), "the setup did not run")
                log = read(self.product_log)
                if logged:
                    self.assertIn(logged, log)
                if method == "Don't Shut Down":
                    # Still the first product; nothing restarted.
                    self.assertEqual(log.count("ready"), 1)
                    self.assertEqual(self.ui("wait", "RvFixtureWindow", "1000").returncode, 0)
                    self.ui("close", "RvFixtureWindow")
                else:
                    self.assertTrue(wait_until(lambda: read(self.product_log).count("ready") == 2, 30), log)
                    self.ui("close", "RvFixtureWindow")
                self.assertNotIn(".. WinExec", read(self.trace))

    def test_failed_checks_are_quiet_and_a_user_check_tells_why(self):
        # The installed version is already the new one: "not higher", no box.
        self.install_agent(self.publish())
        self.write_original(VersionOriginal=2)
        self.start_agent("/STOP=8")
        self.wait_trace("GetOkToPerformAU = 3 - New version is not higher then old version")
        self.assertNotEqual(self.ui("wait", "VMsgBox", "2000").returncode, 0, "a box for a quiet check")
        self.wait_agent_gone()

        # A check the user asked for, with no probing of the agent's own: the
        # confirmation first (No: nothing is fetched) ...
        self.write_original(VersionOriginal=2, ProbeSecondsInterval=-1)
        before = len(self.nginx.requests())
        self.start_agent("/TEST=2")
        self.assertIn("Look for a new Prod?", self.box())
        self.answer("&No")
        self.wait_agent_gone()
        self.assertEqual(self.nginx.requests()[before:], [])

        # ... then Yes: the check runs and the user learns that nothing is new.
        self.start_agent("/TEST=2")
        self.box()
        self.answer("&Yes")
        self.assertIn("No update for you.", self.box())
        self.answer("&OK")
        fetched = {path for path, _ in self.nginx.requests()[before:]}
        self.assertEqual(fetched, {"/%s/Prod.INFO" % self.folder})

    def test_an_empty_info_answer_is_a_failed_download(self):
        base = self.publish()
        self.nginx.put("/%s/Prod.INFO" % self.folder, b"", 1700000000)
        self.install_agent(base)
        self.write_original()
        local_copy = os.path.join(self.app, "Prod.INFO")
        with open(local_copy, "w") as f:
            f.write("[NewSetup]\nVersionNew=1\n")
        self.start_agent("/STOP=8")
        self.wait_trace("GetOkToPerformAU = 0 - Error downloading .INFO file")
        self.wait_agent_gone()
        self.assertEqual(read(local_copy), "[NewSetup]\nVersionNew=1\n")

        # A check the user asked for tells of the failure, not "nothing new".
        self.write_original(ProbeSecondsInterval=-1)
        self.start_agent("/TEST=2")
        self.box()
        self.answer("&Yes")
        failed = "GetOkToPerformAU = 0 - Error downloading .INFO file"
        self.assertTrue(wait_until(lambda: read(self.trace).count(failed) == 2, 60), read(self.trace)[-2000:])
        self.assertNotIn("GetOkToPerformAU = 3", read(self.trace))
        if self.ui("wait", "VMsgBox", "3000").returncode == 0:
            self.assertNotIn("No update for you.", self.ui("text", "VMsgBox").stdout)
        self.assertEqual(read(local_copy), "[NewSetup]\nVersionNew=1\n")

    def test_the_tick_that_spends_the_budget_asks_and_then_ends_the_agent(self):
        # The first shot comes on the fourth tick, the one that spends a
        # budget of three: its question must wait for the user, and the agent
        # must end when the tick is over.
        self.install_agent(self.publish(RequestConfirmationBeforeDownload=True))
        self.write_original()
        self.start_agent("/STOP=3")
        self.assertIn("Download Prod?", self.box())
        self.answer("&No")
        self.wait_agent_gone()
        self.assertEqual(self.version_original(), "1")

    def test_a_renamed_agent_runs_the_agent_not_a_setup(self):
        # The package's agent flag decides what its window's timer does, not
        # the file's name: a renamed agent checks for updates in a window of
        # its own and never extracts or starts the placeholder setup.
        self.install_agent(self.publish())
        self.write_original(VersionOriginal=2)
        renamed = os.path.join(self.app, "Renamed.exe")
        shutil.copy(self.agent, renamed)
        self.prefix.start(renamed)
        log = os.path.join(self.app, "X_Renamed.log")
        checked = "GetOkToPerformAU = 3 - New version is not higher then old version"
        self.assertTrue(wait_until(lambda: checked in read(log), 60), read(log)[-2000:])

    def test_download_question_bad_token_and_failed_setup(self):
        self.install_agent(self.publish(RequestConfirmationBeforeDownload=True))
        self.write_original()
        self.start_agent("/STOP=40")
        self.assertIn("Download Prod?", self.box())
        self.answer("&No")
        self.wait_trace("PerformAutoUpdate() - START")
        time.sleep(2)
        self.assertNotIn("Download START: %s\\NewSetup.exe" % self.nginx.url(self.folder), read(self.trace))
        self.assertEqual(self.version_original(), "1")

        # A setup of another product: one error box, the download is deleted, nothing runs.
        self.end_programs()
        self.fresh_product()
        self.write_original()
        # (the builder refuses to publish it: it is swapped on the server)
        self.install_agent(self.publish())
        self.nginx.put("/%s/NewSetup.exe" % self.folder, self.new_setup(token="other"), 1700000000)
        self.start_agent("/STOP=40")
        self.assertIn("Bad Secret Token!", self.box())
        self.answer("&OK")
        self.wait_trace("PerformAutoUpdate() - END    Result=FALSE")
        self.assertFalse(os.path.exists(os.path.join(self.app, "NewSetup.exe")))
        self.assertFalse(os.path.exists(self.report))
        self.assertEqual(self.version_original(), "1")

        # A setup that does not complete leaves the installed version as it was.
        self.end_programs()
        self.fresh_product()
        self.write_original()
        self.install_agent(self.publish(setup=self.new_setup(keep_atom=True)))
        self.start_agent("/STOP=40")
        self.wait_trace("PerformAutoUpdate() - END    Result=FALSE")
        self.assertTrue(os.path.exists(self.report), "the setup did not run")
        self.assertEqual(self.version_original(), "1")

    def publish_news(self, token=TOKEN):
        """A news edition made by the builder's publish command, on nginx."""
        project = os.path.join(self.work, "news.toml")
        out = os.path.join(self.work, "news-out")
        with open(project, "w") as f:
            f.write('descriptor = "Prod.INFO"\ntoken = "%s"\noutput = "%s"\n[NewSetup]\n'
                    'DownloadURL_UPDATE = "%s"\nVersionNew = 2\n[General]\nAutoInform = true\n[AutoInform]\n'
                    'NameOfInformFile = "News.txt"\nAutoInformW = 420\nAutoInformH = 300\n'
                    'DownloadURL_INFORM = "http://127.0.0.1:9/news.html"\n'
                    'body = "Version 2 of Prod is out: faster, smaller, and it keeps your files."\n'
                    % (token, out, self.nginx.url(self.folder)))
        subprocess.run([MKSETUP, "publish", project], check=True, capture_output=True)
        for name in ("Prod.INFO", "News.txt"):
            self.nginx.put("/%s/%s" % (self.folder, name), read_bytes(os.path.join(out, name)), 1700000000)

    def test_news_page_is_shown_once(self):
        self.publish_news()
        self.install_agent(self.nginx.url(self.folder))
        self.write_original()
        self.start_agent()
        self.assertEqual(self.ui("visible", "VRichEditBox", "60000").returncode, 0, read(self.trace)[-2000:])
        time.sleep(1)
        self.assertEqual(self.ui("close", "VRichEditBox").returncode, 0)
        self.wait_trace("PerformAutoInform() - END TRUE")
        self.assertEqual(self.version_original(), "2")
        self.end_programs()

        # The same edition again: nothing is shown.
        self.start_agent()
        self.wait_trace("GetOkToPerformAU = 2 - Too early for retesting")
        self.assertNotEqual(self.ui("wait", "VRichEditBox", "2000").returncode, 0, "shown twice")

        # News of another product is refused, and deleted.
        self.end_programs()
        self.fresh_product()
        self.publish_news(token="other")
        self.install_agent(self.nginx.url(self.folder))
        self.write_original()
        self.start_agent()
        self.assertIn("Bad Secret Token!", self.box())
        self.answer("&OK")
        self.wait_trace("PerformAutoInform() - END FALSE")
        self.assertFalse(os.path.exists(os.path.join(self.app, "News.txt")))
        self.assertEqual(self.version_original(), "1")

    def test_test_mode_copies_from_a_folder(self):
        published = os.path.join(self.work, "published")
        self.publish_edition(win_path(published), published, ShutDownMethod="Don't Shut Down")
        self.install_agent("http://127.0.0.1:9/nowhere")
        self.write_original()
        for name, value in (("TestMode", "1"), ("TestModeURL", win_path(published))):
            self.prefix.run("reg", "add", AGENT_KEY, "/v", name, "/d", value, "/f")
        try:
            self.start_agent("/STOP=40")
            self.wait_trace("PerformAutoUpdate() - END    Result=TRUE")
        finally:
            self.prefix.run("reg", "delete", AGENT_KEY, "/f")
        self.assertIn("TestMode=TRUE", read(self.trace))
        self.assertTrue(os.path.exists(self.report))
        self.assertEqual(self.version_original(), "2")


if __name__ == "__main__":
    unittest.main(verbosity=2)
