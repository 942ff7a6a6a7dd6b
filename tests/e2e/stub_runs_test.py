"""The stub under Wine: start and end lines, the update program and its
"X_" copy, forwarded requests, the spanned restart and self-deletion."""
import glob
import os
import re
import shutil
import time
import unittest

from harness import WIN_BIN, StubTestCase, build_package, read, read_bytes, wait_until, win_path

AGENT_PROJECT = """
[package]
is_agent = true
debug_trace = true
[update]
descriptor = "Prod.INFO"
program = "Upd.exe"
token = "t"
"""


class StubRuns(StubTestCase):
    def ui(self, *args):
        return self.prefix.run(self.prefix.tool("ui_driver.exe"), *args)

    def agent_program(self):
        setup = build_package(self.work, AGENT_PROJECT, {}, output_name="Upd.exe")
        folder = os.path.join(self.work, "app")
        os.makedirs(folder)
        agent = os.path.join(folder, "Upd.exe")
        shutil.copy(setup, agent)
        return agent

    def test_plain_stub_writes_start_and_end_lines(self):
        setup = build_package(self.work, '[setup]\nprogram = "setup.exe"\n',
                              {"setup.exe": read_bytes(os.path.join(WIN_BIN, "test_setup.exe"))})
        result = self.prefix.run(setup, "/abc")
        self.assertEqual(result.returncode, 0)
        self.assertTrue(self.viewer.wait_for("==== STUB END ====>"))
        quoted = re.escape('"%s" /abc<' % win_path(setup))
        self.assertRegex(self.viewer.text(), r"\d+ ==== STUB START ====> " + quoted)
        self.assertRegex(self.viewer.text(), r"\d+ ==== ThisIs_AutoUpdateProg=FALSE")
        self.assertRegex(self.viewer.text(), r"\d+ ==== STUB END ====> " + quoted)

    def test_update_program_runs_its_copy_and_forwards_requests(self):
        agent = self.agent_program()
        copy = os.path.join(os.path.dirname(agent), "X_Upd.exe")
        log = os.path.join(os.path.dirname(agent), "X_Upd.log")
        self.assertEqual(self.prefix.run(agent).returncode, 0)
        self.assertTrue(os.path.exists(copy))
        self.assertEqual(self.ui("wait", ".AutoUpdate.X_Upd", "20000").returncode, 0, "the copy's window")

        # A second start of the copy finds its window and does nothing.
        second = self.prefix.run(copy, timeout=30)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(self.ui("wait", ".AutoUpdate.X_Upd", "1000").returncode, 0, "the first copy still runs")

        # The copy answers a registered reply window.
        handle_file = os.path.join(self.work, "reply.handle")
        reply_log = os.path.join(self.work, "reply.log")
        reply = self.prefix.start(self.prefix.tool("reply_window.exe"), handle_file, reply_log, "60")
        self.assertTrue(wait_until(lambda: os.path.exists(handle_file) and os.path.getsize(handle_file) > 0, 30))
        handle = read(handle_file).strip()
        self.prefix.run(agent, "/WM_MSG=%s:32800" % handle)
        self.assertTrue(wait_until(lambda: "32800 51 1125" in read(reply_log), 20), "the two replies")
        self.assertRegex(read(reply_log), r"32800 50 [1-9]\d*\n32800 51 1125")

        # /TEST=2 asks for a cycle now: the tick counter restarts from 0.
        self.assertTrue(wait_until(lambda: "AutoUpdateTimerCount=3" in read(log), 30))
        self.prefix.run(agent, "/TEST=2")
        self.assertTrue(wait_until(
            lambda: re.search(r"AutoUpdateTimerCount=3.*AutoUpdateTimerCount=1\r\n",
                              read(log), re.S), 20))
        self.assertIn("PostProcessMessage(wm_AgentMsg) to: %s - AU_PerformUpdateCycle (2)" % win_path(copy),
                      read(log))
        # A check the user asked for begins with the question whether to look.
        self.assertEqual(self.ui("wait", "VMsgBox", "20000").returncode, 0, "no question")
        time.sleep(0.5)  # the buttons are made after the box
        self.assertEqual(self.ui("click", "VMsgBox", "&No").returncode, 0)
        self.assertEqual(self.ui("gone", "VMsgBox", "10000").returncode, 0, "the question stayed")

        # /STOP=0 ends the copy at its next tick, and the copy removes itself.
        self.prefix.run(agent, "/STOP=0")
        self.assertEqual(self.ui("gone", ".AutoUpdate.X_Upd", "20000").returncode, 0, "the copy ended")
        self.assertTrue(wait_until(lambda: not os.path.exists(copy), 30), "the copy deleted itself")
        self.assertTrue(os.path.exists(agent))
        reply.kill()
        reply.wait()

    def test_spanned_package_restarts_from_a_copy_and_reads_its_disks(self):
        setup = build_package(self.work, '[setup]\nprogram = "setup.exe"\n[compression]\nstore = true\n'
                              '[package]\nspanned_over_disks = true\nvolume_size = 300000\n',
                              {"setup.exe": read_bytes(os.path.join(WIN_BIN, "test_setup.exe")),
                               "big.bin": os.urandom(500000)})
        report = os.path.join(self.work, "report.txt")
        self.assertEqual(self.prefix.run(setup, "/extra=1", "/REPORT=%s" % win_path(report)).returncode, 0)
        own = win_path(setup)
        pattern = (r'==== STUB START ====> "\S*\\SETUP_[0-9A-F]{16}\\Y_Setup\.exe" /extra=1 /REPORT=\S+ +/SpanCdLvl=2 '
                   r'/SpanDiskFName1="%s\.001" /OriginExe="%s"<' % (re.escape(own), re.escape(own)))
        self.assertTrue(wait_until(lambda: re.search(pattern, self.viewer.text()), 30), self.viewer.text())
        # The copy extracts the disks and runs the setup without the two span switches.
        self.assertTrue(wait_until(lambda: "file=big.bin|500000" in read(report), 60), read(report))
        line = [l for l in read(report).splitlines() if l.startswith("commandline=")][0]
        self.assertNotIn("/SpanCdLvl=", line)
        self.assertNotIn("/SpanDiskFName1=", line)
        self.assertEqual(line.count('/OriginExe="%s"' % own), 1)
        temp = self.prefix.temp_folder()
        self.assertTrue(wait_until(lambda: not glob.glob(os.path.join(temp, "SETUP_*")), 30),
                        "the copy removed itself and its folder")


if __name__ == "__main__":
    unittest.main(verbosity=2)
