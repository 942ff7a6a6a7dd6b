"""mksetup against the faults of its users' inputs: one case per fault, each
in a fresh folder; every case checks the exit code, the message (file, line
or key, and the reason) and, for a refusal, that nothing in the folder was
written, replaced or removed.
usage: cli_faults_test.py MKSETUP"""
import hashlib
import json
import os
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time

MKSETUP = os.path.abspath(sys.argv[1])


def stub_image(size=4096):
    """A stand-in stub: "MZ", the PE header at 256 and one section whose data
    runs to the end, so its headers account for every byte."""
    image = bytearray(size)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 256)
    image[256:260] = b"PE\0\0"
    struct.pack_into("<H", image, 262, 1)
    struct.pack_into("<II", image, 280 + 16, size - 320, 320)
    return bytes(image)


def write(path, data=b"x"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)


def snapshot(root):
    """Every entry below root: its kind and, for a file, its content hash."""
    state = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            kind = stat.S_IFMT(st.st_mode)
            digest = ""
            if stat.S_ISREG(st.st_mode):
                with open(path, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
            elif stat.S_ISLNK(st.st_mode):
                digest = os.readlink(path)
            state[os.path.relpath(path, root)] = (kind, digest)
    return state


HEAD = 'stub = "stub.exe"\nsource = "src"\noutput = "out/Setup.exe"\n'


class Folder:
    def __init__(self, root):
        self.root = root
        write(self.path("stub.exe"), stub_image())
        write(self.path("src/setup.exe"), "the setup program")

    def path(self, name):
        return os.path.join(self.root, name)

    def project(self, body="", head=HEAD, name="p.toml"):
        write(self.path(name), head + body)
        return self.path(name)

    def built(self, body='[setup]\nprogram = "setup.exe"\n', name="built.toml", output="out/Setup.exe"):
        """A setup built from body; returns its path."""
        head = HEAD.replace("out/Setup.exe", output)
        run(["build", self.project(body, head, name)], 0, "")
        return self.path(output)


def run(args, code, text, env=None, cwd=None):
    result = subprocess.run([MKSETUP] + args, capture_output=True, env=env, cwd=cwd)
    err = result.stderr.decode(errors="replace")
    assert result.returncode == code, "exit %d, wanted %d: %s" % (result.returncode, code, err)
    for part in [text] if isinstance(text, str) else text:
        assert part in err, "stderr lacks %r: %s" % (part, err)
    return result.stdout.decode(errors="replace")


# --- the cases: each prepares its folder and returns (args, code, texts),
# or runs its own checks and returns None ----------------------------------

def output_is(kind):
    def case(f):
        target = f.path("out/Setup.exe")
        os.makedirs(f.path("out"))
        if kind == "fifo":
            os.mkfifo(target)
        elif kind == "link":
            write(f.path("elsewhere.exe"), "not ours")
            os.symlink(f.path("elsewhere.exe"), target)
        elif kind == "folder":
            os.mkdir(target)
        else:  # a device node of the kind /dev/full is
            os.mknod(target, stat.S_IFCHR | 0o600, os.makedev(1, 7))
        texts = {"fifo": "not a regular file", "link": "a symbolic link", "folder": "a folder",
                 "device": "not a regular file"}
        return ["build", f.project(), "-o", target], 4, [target, texts[kind]]
    return case


def output_onto(key, what):
    def case(f):
        write(f.path("lang/English.txt"), "s0=Setup\n")
        paths = {"project": "p.toml", "stub": "stub.exe", "language": "lang/English.txt", "source": "src/Setup.exe"}
        body = 'stub = "stub.exe"\nsource = "src"\nlanguages = ["lang/English.txt"]\noutput = "%s"\n' % paths[key]
        return ["build", f.project(body, head="")], 2, ["p.toml:4: 'output'", what]
    return case


def interrupted_build_leaves_no_staging(f):
    write(f.path("src/big.bin"), os.urandom(48 << 20))
    stale = f.path("out/.Setup.exe.partial7/left.bin")
    write(stale, "from a killed run")
    build = subprocess.Popen([MKSETUP, "build", f.project(), "-j", "1"], stderr=subprocess.PIPE)
    deadline = time.monotonic() + 60
    # The build's own staging folder, once the stale one is gone.
    while not [n for n in os.listdir(f.path("out")) if n.startswith(".Setup.exe.partial") and n != ".Setup.exe.partial7"]:
        assert time.monotonic() < deadline and build.poll() is None, "no staging folder appeared"
        time.sleep(0.01)
    build.send_signal(signal.SIGINT)
    assert build.wait() == -signal.SIGINT, "the build did not end by its signal: %s" % build.returncode
    assert os.listdir(f.path("out")) == [], os.listdir(f.path("out"))


def collision(a, b, clash):
    def case(f):
        write(f.path("src/" + a))
        write(f.path("src/" + b))
        return ["build", f.project()], 2, ["'%s' and '%s' are one name on Windows" % clash]
    return case


def utf8_name_in_the_code_page(f):
    write(f.path("src/Türkçe dosya.txt"), "merhaba")
    run(["build", f.project("codepage = 1254\n")], 0, "")
    listed = run(["list", f.path("out/Setup.exe")], 0, "")
    assert "Türkçe dosya.txt" in listed, listed
    stored = json.loads(run(["list", "--json", f.path("out/Setup.exe")], 0, ""))
    # JSON writes each stored byte above 0x7F as its own code point: ü is
    # 0xFC and ç 0xE7 in code page 1254.
    assert "T\u00fcrk\u00e7e dosya.txt" in [e["name"] for e in stored["files"]], stored


def unrepresentable_name(f):
    write(f.path("src/Привет.txt"))
    return ["build", f.project()], 2, ["Привет.txt", "U+041F has no character in code page 1252"]


def link_case(target, body, texts):
    def case(f):
        os.makedirs(f.path("src/d"))
        os.symlink(target, f.path("src/d/up"))
        return ["build", f.project(body)], 2, [f.path("src/d/up")] + texts
    return case


def special_file_in_source(f):
    os.mkfifo(f.path("src/pipe"))
    return ["build", f.project()], 2, [f.path("src/pipe"), "not a regular file"]


def stub_is(kind):
    def case(f):
        if kind == "cut":
            write(f.path("bad.exe"), stub_image()[:1000])
            text = "a cut-off stub image"
        elif kind == "setup":
            os.rename(f.built(), f.path("bad.exe"))
            text = "not a bare stub image"
        else:
            os.mkdir(f.path("bad.exe"))
            text = "a folder, not the stub image"
        return ["build", f.project(), "--stub", f.path("bad.exe")], 2, [f.path("bad.exe"), text]
    return case


PUBLISH = ('descriptor = "P.INFO"\ntoken = "tok"\nsetup_file = "out/New.exe"\noutput = "server"\n'
           '[NewSetup]\nDownloadURL_UPDATE = "https://u"\nShutDownMethod = "Using WM_CLOSE"\nVersionNew = 2\n')
PRODUCT = '[update]\ndescriptor = "P.INFO"\nprogram = "PUpdate.exe"\ntoken = "tok"\n'


def publish_case(setup_body, edition, texts, output="out/New.exe"):
    def case(f):
        if "is_agent" in setup_body:
            os.remove(f.path("src/setup.exe"))
        setup = f.built(setup_body, output=output)
        if setup != f.path("out/New.exe"):
            os.rename(setup, f.path("out/New.exe"))
        return ["publish", f.project(edition, head="", name="publish.toml")], 2, texts
    return case


def language_case(files, texts, build_ok=False):
    def case(f):
        for name, data in files.items():
            if data is None:
                os.makedirs(f.path(name))
            else:
                write(f.path(name), data)
        body = "languages = [%s]\n" % ", ".join('"%s"' % n for n in files)
        if not build_ok:
            return ["build", f.project(body)], 2, texts
        info = json.loads(run(["info", "--json", f.built(body)], 0, ""))
        assert info["languages"][0]["texts"]["s0"] == texts, info["languages"]
    return case


def agent_case(body, texts, keep_source=False, output="out/Setup.exe"):
    def case(f):
        if not keep_source:
            os.remove(f.path("src/setup.exe"))
        return ["build", f.project(body), "-o", f.path(output)], 2, texts
    return case


def epoch_past_2107(f):
    env = dict(os.environ, SOURCE_DATE_EPOCH="99999999999999")
    run(["build", f.project()], 2, ["SOURCE_DATE_EPOCH", "after 2107"], env=env)


def time_zone_does_not_matter(f):
    builds = []
    for zone in ("Asia/Tokyo", "UTC"):
        env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000", TZ=zone)
        run(["build", f.project(), "-o", f.path(zone.replace("/", "-") + ".exe")], 0, "", env=env)
        with open(f.path(zone.replace("/", "-") + ".exe"), "rb") as out:
            builds.append(out.read())
    assert builds[0] == builds[1], "the time zone changed the build"


def damaged(command, json_too=False):
    def case(f):
        setup = f.built()
        with open(setup, "r+b") as out:
            out.seek(-200, 2)
            byte = out.read(1)
            out.seek(-200, 2)
            out.write(bytes([byte[0] ^ 0xFF]))
        args = [command, setup] + (["--json"] if json_too else [])
        stdout = run(args, 3, [setup, "checksum does not match"])
        if json_too:
            d = json.loads(stdout)
            assert d["ok"] is False and d["volumes"][0]["checksum"] == "fail", d
    return case


def not_a_setup(kind, code, text):
    def case(f):
        target = f.path("file.exe")
        if kind == "truncated":
            with open(f.built(), "rb") as built:
                write(target, built.read()[:5000])
        elif kind == "random":
            write(target, os.urandom(3000))
        elif kind == "empty":
            write(target, b"")
        elif kind == "folder":
            os.mkdir(target)
        return ["list", target], code, [target, text]
    return case


def later_volume_given(f):
    write(f.path("src/big.bin"), os.urandom(30000))
    f.built('[package]\nvolume_size = 12000\n')
    return ["list", f.path("out/Setup.exe.002")], 2, ["a later volume", f.path("out/Setup.exe")]


def spanned_volume_counts_agree(f):
    write(f.path("src/big.bin"), os.urandom(30000))
    project = f.project('[package]\nvolume_size = 12000\nspanned_over_disks = true\n')
    built = json.loads(run(["build", project, "--json"], 0, ""))
    verified = json.loads(run(["verify", f.path("out/Setup.exe"), "--json"], 0, ""))
    assert len(built["volumes"]) == len(verified["volumes"]), (built, verified)
    assert built["launcher"] == f.path("out/Setup.exe"), built


def hostile_text_is_escaped(f):
    setup = f.built('[setup]\nprogram = "setup.exe"\nparameters = "/X \\u001b[2J\\u009b"\n')
    listed = run(["list", setup], 0, "")
    assert "\x1b" not in listed and "\\x1b[2J" in listed, listed


def misspelt(args, code, suggestion):
    def case(f):
        return [a.replace("PROJECT", f.project("[compresion]\nlevel = 9\n")) for a in args], code, [suggestion]
    return case


def warnings_and_quiet(f):
    os.makedirs(f.path("src/empty"))
    project = f.project('[update]\nagent_settings = "http://upd.example"\n')
    run(["build", project], 0, ["mksetup: warning: %s:5: 'update.agent_settings' is a plain http://" % project,
                                "mksetup: warning: %s: no 'setup.program'" % project,
                                "src/empty: an empty folder"])
    result = subprocess.run([MKSETUP, "build", project, "-q"], capture_output=True)
    assert result.returncode == 0 and result.stderr == b"", result.stderr


def exclude_list(f):
    write(f.path("src/app.pdb"))
    write(f.path("src/.git/config"))
    write(f.path("src/sub/keep.txt"))
    names = [e["name"] for e in json.loads(run(["list", "--json", f.built(
        'exclude = ["*.PDB", ".git/"]\n[setup]\nprogram = "setup.exe"\n')], 0, ""))["files"]]
    assert names == ["setup.exe", "sub\\keep.txt"], names


def conventions(f):
    assert run(["--version"], 0, "").startswith("mksetup ")
    for args in (["help", "build"], ["build", "--help"]):
        assert "-j N" in run(args, 0, "")
    assert "--stub" not in run(["list", "--help"], 0, "")
    usage = run(["--help"], 0, "")
    assert "build/win32/bin/stub.exe" in usage and 'program = "setup.exe"' in usage
    write(f.path("-odd.toml"), HEAD)
    run(["build", "--", f.path("-odd.toml")], 0, "", cwd=f.root)
    run(["list", "-o", "x", f.path("out/Setup.exe")], 1, "list takes no -o")


CASES = [
    ("output onto a pipe", output_is("fifo")),
    ("output onto a symbolic link", output_is("link")),
    ("output onto a folder", output_is("folder")),
    ("output is the project", output_onto("project", "is the project file")),
    ("output is the stub", output_onto("stub", "is the stub image")),
    ("output is a language file", output_onto("language", "is the language file")),
    ("output inside the source", output_onto("source", "lies in the source folder")),
    ("interrupted build", interrupted_build_leaves_no_staging),
    ("names differing in case", collision("Readme.txt", "README.txt", ("README.txt", "Readme.txt"))),
    ("folders differing in case", collision("Docs/a.txt", "docs/a.txt", ("Docs", "docs"))),
    # Names ending in a dot or a blank may be refused on their own before
    # any clash is seen; either way the message names "foo.".
    ("a trailing dot", lambda f: (write(f.path("src/foo.")), write(f.path("src/foo")),
                                  (["build", f.project()], 2, ["foo."]))[2]),
    ("a UTF-8 name", utf8_name_in_the_code_page),
    ("a name outside the code page", unrepresentable_name),
    ("a link up the tree", link_case("..", "", ["a symbolic link", "follow_links"])),
    ("a followed link cycle", link_case("..", "follow_links = true\n", ["a cycle"])),
    ("a dangling link", link_case("nothing-there", "follow_links = true\n", ["a symbolic link to nothing"])),
    ("a link out of the source", link_case("/etc/hostname", "", ["a symbolic link (to /etc/hostname)"])),
    ("a pipe in the source", special_file_in_source),
    ("a cut-off stub", stub_is("cut")),
    ("a built setup as stub", stub_is("setup")),
    ("a folder as stub", stub_is("folder")),
    ("publish an agent", publish_case('[package]\nis_agent = true\n' + PRODUCT, PUBLISH,
                                      ["publish.toml:3: 'setup_file'", "is an update agent"],
                                      output="out/PUpdate.exe")),
    ("publish another descriptor", publish_case(PRODUCT.replace("P.INFO", "Other.INFO"), PUBLISH,
                                                ["publish.toml:1: 'descriptor'", "Other.INFO"])),
    ("publish a version that loops", publish_case(PRODUCT + "[update.original]\nVersionOriginal = 1\n", PUBLISH,
                                                  ["publish.toml:8: 'NewSetup.VersionNew' is 2",
                                                   "installs version 1"])),
    ("publish another token", publish_case(PRODUCT.replace('"tok"', '"other"'), PUBLISH, ["package token"])),
    ("publish a bad shut-down method", publish_case(PRODUCT, PUBLISH.replace("Using WM_CLOSE", "Kill"),
                                                    ["publish.toml:7: 'NewSetup.ShutDownMethod'"])),
    ("a language file with a byte-order mark", language_case({"English.txt": "\ufeffs0=Kurulum\n"}, "Kurulum",
                                                             build_ok=True)),
    ("an unknown language key", language_case({"English.txt": "s0=a\ns99=b\n"}, ["English.txt:2:", "'s99'"])),
    ("a Charset that is no number", language_case({"English.txt": "Charset=abc\n"}, ["English.txt:1:", "Charset"])),
    ("a negative FontSize", language_case({"English.txt": "FontSize=-3\n"}, ["English.txt:1:", "FontSize"])),
    ("a folder as language file", language_case({"English.txt": None}, ["English.txt: a folder"])),
    ("one language twice", language_case({"turkish.TXT": "s0=a\n", "Turkish.txt": "s0=b\n"},
                                         ["Turkish.txt", "already given by", "turkish.TXT"])),
    ("a delimiter in a token", lambda f: (["build", f.project('[update]\ntoken = "a|b"\n')], 2,
                                          ["p.toml:5:", "'update.token' cannot contain '|'"])),
    ("an agent under another name", agent_case('[package]\nis_agent = true\n[update]\nprogram = "PUpdate.exe"\n',
                                               ["p.toml:7: 'update.program'", "Setup.exe"])),
    ("an agent with files", agent_case('[package]\nis_agent = true\n[update]\nprogram = "PUpdate.exe"\n',
                                       ["p.toml:2: 'source'", "setup.exe"], keep_source=True,
                                       output="out/PUpdate.exe")),
    ("an agent that writes an agent", agent_case('[package]\nis_agent = true\nwrite_agent = true\n'
                                                 '[update]\nprogram = "PUpdate.exe"\n',
                                                 ["p.toml:6:", "'package.write_agent'"], output="out/PUpdate.exe")),
    ("SOURCE_DATE_EPOCH past 2107", epoch_past_2107),
    ("the time zone", time_zone_does_not_matter),
    ("info on a damaged file", damaged("info")),
    ("list on a damaged file", damaged("list")),
    ("info --json on a damaged file", damaged("info", json_too=True)),
    ("a truncated download", not_a_setup("truncated", 3, "truncated or still downloading")),
    ("a random file", not_a_setup("random", 3, "not a setup file")),
    ("an empty file", not_a_setup("empty", 3, "an empty file")),
    ("a folder as setup", not_a_setup("folder", 2, "a folder, not a setup file")),
    ("a missing setup", not_a_setup("missing", 2, "no such file")),
    ("a later volume given", later_volume_given),
    ("spanned volume counts", spanned_volume_counts_agree),
    ("a file as source", lambda f: (["build", f.project(head=HEAD.replace('"src"', '"src/setup.exe"'))], 2,
                                    ["src/setup.exe: the source is not a folder"])),
    ("a missing setup program", lambda f: (["build", f.project('[setup]\nprogram = "missing.exe"\n')], 2,
                                           ["p.toml:5: 'setup.program'", "missing.exe"])),
    ("a volume size too small", lambda f: (["build", f.project('[package]\nvolume_size = 1000\n')], 2,
                                           ["p.toml:5: 'package.volume_size'", "at least"])),
    ("hostile text", hostile_text_is_escaped),
    ("a misspelt command", misspelt(["biuld", "PROJECT"], 1, "did you mean 'build'")),
    ("a misspelt option", misspelt(["build", "PROJECT", "--jsn"], 1, "did you mean '--json'")),
    ("a misspelt key", misspelt(["build", "PROJECT"], 2, "did you mean 'compression'")),
    ("warnings", warnings_and_quiet),
    ("the exclude list", exclude_list),
    ("conventions", conventions),
]
if os.geteuid() == 0:
    CASES.insert(3, ("output onto a device", output_is("device")))


def main():
    failures = 0
    for name, case in CASES:
        with tempfile.TemporaryDirectory() as root:
            f = Folder(root)
            try:
                refusal = case(f)
                if refusal:
                    args, code, texts = refusal
                    before = snapshot(root)
                    run(args, code, texts)
                    after = snapshot(root)
                    assert before == after, "the refused command changed %s" % sorted(
                        set(before.items()) ^ set(after.items()))
            except AssertionError as e:
                failures += 1
                print("FAIL: %s: %s" % (name, e))
    print("%d of %d cases passed" % (len(CASES) - failures, len(CASES)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
