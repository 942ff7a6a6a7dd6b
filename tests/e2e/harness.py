"""End-to-end harness: runs the real stub under Wine, in a throwaway prefix,
on the display the test run has (Xvfb), with our trace viewer collecting
what the stub writes to standard output.

Paths of the built programs come from the environment that CTest sets:
RV_WIN_BIN (the bin folder of the Windows tree under test), RV_PEER_WIN_BIN
(the other Windows tree's, of the other word size) and RV_MKSETUP (the host
builder).
"""
import glob
import os
import shutil
import subprocess
import tempfile
import time
import unittest

WIN_BIN = os.environ.get("RV_WIN_BIN", "")
PEER_WIN_BIN = os.environ.get("RV_PEER_WIN_BIN", "")
MKSETUP = os.environ.get("RV_MKSETUP", "")
SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")


def both_word_sizes_run():
    """Whether programs of both trees run here: 32-bit ones need a kernel
    that runs 32-bit code under Wine's 32-bit loader."""
    return subprocess.run([os.path.join(SCRIPTS, "can-run-i386")], check=False).returncode == 0


def win_path(path):
    """The Wine (Z: drive) name of a host path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read(path):
    """A file's text (8-bit, as the stub writes it); empty while it is missing."""
    try:
        with open(path, "rb") as f:
            return f.read().decode("latin-1")
    except FileNotFoundError:
        return ""


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def wait_until(predicate, timeout, step=0.1):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return predicate()


class WinePrefix:
    """A fresh Wine prefix for one test class; removed with everything in it."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="rv-e2e-")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.root, "prefix"), WINEDEBUG="-all")
        subprocess.run(["wineboot", "-i"], env=self.env, capture_output=True, timeout=300, check=False)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=300, check=False)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def run(self, exe, *args, timeout=60, env=None):
        """Runs a program to its end; its output goes to a file, not a pipe,
        because programs it starts inherit the output and would hold a pipe
        open long after it ended."""
        with tempfile.TemporaryFile(dir=self.root) as out:
            process = subprocess.Popen(["wine", exe, *args], env=dict(self.env, **(env or {})), stdout=out,
                                       stderr=subprocess.STDOUT)
            code = process.wait(timeout=timeout)
            out.seek(0)
            return subprocess.CompletedProcess(process.args, code, out.read().decode("latin-1"), "")

    def start(self, exe, *args, env=None):
        return subprocess.Popen(["wine", exe, *args], env=dict(self.env, **(env or {})), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def temp_folder(self):
        """The Windows temp folder of the prefix."""
        return glob.glob(os.path.join(self.env["WINEPREFIX"], "drive_c", "users", "*", "Temp"))[0]

    def tool(self, name):
        return os.path.join(WIN_BIN, name)

    def screenshot(self, png):
        subprocess.run(["import", "-window", "root", png], check=False, capture_output=True)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False, capture_output=True)
        shutil.rmtree(self.root, ignore_errors=True)


class TraceViewer:
    """Our trace viewer, running in the prefix; `text()` is what it received."""

    def __init__(self, prefix, seconds=120):
        self.file = prefix.path("trace-%d.txt" % time.monotonic_ns())
        self.process = prefix.start(prefix.tool("trace_viewer.exe"), self.file, str(seconds))
        if not wait_until(lambda: os.path.exists(self.file), 90):
            raise RuntimeError("the trace viewer did not start")

    def text(self):
        return read(self.file)

    def wait_for(self, fragment, timeout=30):
        return wait_until(lambda: fragment in self.text(), timeout)

    def stop(self):
        self.process.kill()
        self.process.wait()


def build_package(folder, project_toml, files, languages=None, stub=None, output_name="Setup.exe"):
    """Writes a project with its files into folder and builds it with the
    builder; returns the path of the setup file. An agent is built with no
    files and under its own program's name."""
    os.makedirs(os.path.join(folder, "files"), exist_ok=True)
    for name, data in files.items():
        path = os.path.join(folder, "files", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    names = []
    for name, text in (languages or {}).items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(text)
        names.append(name)
    output = os.path.join(folder, "out", output_name)
    head = 'stub = "%s"\nsource = "files"\noutput = "%s"\nlanguages = [%s]\n' % (
        stub or os.path.join(WIN_BIN, "stub.exe"), output, ", ".join('"%s"' % n for n in names))
    with open(os.path.join(folder, "project.toml"), "w") as f:
        f.write(head + project_toml)
    subprocess.run([MKSETUP, "build", os.path.join(folder, "project.toml")], check=True, capture_output=True)
    return output


class StubTestCase(unittest.TestCase):
    """One prefix for the class, a fresh work folder and trace viewer per test."""

    @classmethod
    def setUpClass(cls):
        if not WIN_BIN or not MKSETUP:
            raise unittest.SkipTest("RV_WIN_BIN and RV_MKSETUP name the built programs")
        cls.prefix = WinePrefix()

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="work-", dir=self.prefix.root)
        self.viewer = TraceViewer(self.prefix)

    def tearDown(self):
        self.viewer.stop()
