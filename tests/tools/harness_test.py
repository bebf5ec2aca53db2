"""The Wine harness's own failures, natively: tools/wine-prefix, tools/wine-session,
tools/runs-32bit and the last line of ./kestrum test, with stand-ins of Wine's loaders and
server (KESTRUM_WINE_DIR) that fail the step a case names, and of the i386 loader
(KESTRUM_32BIT_LOADER), in a temporary build folder. A real Xvfb and the real stand-in
services come up; no Wine program runs. Each class is a CTest test of its own
(tests/tools/harness.cmake)."""

import os
import shutil
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
TOOLS = os.path.join(ROOT, "tools")
# The bound of one tool's run: a hang, not load (the slowest, a whole ./kestrum test of two
# stand-in sessions, takes about 15 s on a fully loaded machine).
TOOL_BOUND = 120

# A stand-in of wine, wine64 and wineserver64: notes each call ("wine64 wineboot -i"), fails
# with 3 the calls that hold FAKE_WINE_FAIL (matched against the call and a "|" after it) (only the first such call when FAKE_WINE_ONCE is
# set) and otherwise does just enough: a prefix folder for "wineboot -i", the desktop holder's
# "held".
FAKE_WINE = r"""#!/bin/sh
call="$(basename "$0") $*"
echo "$call" >>"$FAKE_WINE_CALLS"
case "$call|" in
    *"${FAKE_WINE_FAIL:-no such call}"*)
        if [ -z "${FAKE_WINE_ONCE:-}" ] || [ ! -e "$FAKE_WINE_CALLS.failed" ]; then
            : >"$FAKE_WINE_CALLS.failed"
            exit 3
        fi ;;
esac
case "$1" in
    --version) echo wine-8.0 ;;
    wineboot) [ "${2:-}" = -i ] && mkdir -p "$WINEPREFIX/dosdevices" &&
        : >"$WINEPREFIX/system.reg" ;;
    cmd) case "$*" in *GetDesktopWindow*) echo held ;; esac ;;
esac
exit 0
"""


# Prints where the display's pointer is: "x y".
POINTER = r"""
import ctypes, os
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
i = ctypes.c_int
px, py, wx, wy, m = i(), i(), i(), i(), ctypes.c_uint()
x.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 7
d = x.XOpenDisplay(os.environ["DISPLAY"].encode())
r, c = ctypes.c_ulong(), ctypes.c_ulong()
x.XQueryPointer(d, x.XDefaultRootWindow(d), ctypes.byref(r), ctypes.byref(c), ctypes.byref(px),
                ctypes.byref(py), ctypes.byref(wx), ctypes.byref(wy), ctypes.byref(m))
print(px.value, py.value)
"""


def write_program(path, content):
    """A file with its run bit set: a script (text) or bytes of no executable format."""
    with open(path, "wb" if isinstance(content, bytes) else "w") as f:
        f.write(content)
    os.chmod(path, 0o755)
    return path


class HarnessCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kestrum-harness-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.wine = os.path.join(self.tmp, "wine")
        os.makedirs(self.wine)
        for name in ("wine", "wine64", "wineserver64"):
            write_program(os.path.join(self.wine, name), FAKE_WINE)
        self.calls = os.path.join(self.tmp, "calls")
        self.build = os.path.join(self.tmp, "build", "x86_64")
        os.makedirs(self.build)

    def env(self, fail="", once=False, **more):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("KESTRUM_", "WINE")) and k != "DISPLAY"}
        env.update(KESTRUM_WINE_DIR=self.wine, FAKE_WINE_CALLS=self.calls,
                   FAKE_WINE_FAIL=fail, **more)
        if once:
            env["FAKE_WINE_ONCE"] = "1"
        return env

    def run_tool(self, args, env):
        return subprocess.run(args, env=env, capture_output=True, text=True, timeout=TOOL_BOUND,
                              stdin=subprocess.DEVNULL)

    def wine_calls(self, text):
        if not os.path.exists(self.calls):
            return 0
        with open(self.calls) as f:
            return sum(1 for line in f if text in line)

    def step_file(self, build=None):
        path = os.path.join(build or self.build, "wine-session.step")
        if not os.path.exists(path):
            return None
        with open(path) as f:
            return f.read()

    def prefix_ready(self):
        return os.path.exists(os.path.join(self.build, "wineprefix", ".kestrum-ready"))


class PrefixSteps(HarnessCase):
    """tools/wine-prefix, run as tools/wine-session runs it."""

    def make_prefix(self, **env):
        return self.run_tool(["bash", "-c", '. "$1/wine-env" "$2" && exec "$1/wine-prefix"',
                              "bash", TOOLS, self.build], self.env(**env))

    def test_a_failing_step_says_so_in_one_line_and_is_tried_twice(self):
        log = os.path.join(self.build, "wineprefix.log")
        for fail, step in [
                ("wine64 wineboot -i", "wineboot -i"),
                ("ProxyEnable", "reg add HKCU\\Software\\Microsoft\\Windows\\CurrentVersion"
                                "\\Internet Settings /v ProxyEnable"),
                ("wineserver64 -w", "wineserver -w")]:
            with self.subTest(step=step):
                if os.path.exists(self.calls):
                    os.remove(self.calls)
                done = self.make_prefix(fail=fail)
                self.assertEqual(done.returncode, 1, done.stderr)
                line = (f"wine-prefix: step '{step}' failed with exit status 3 "
                        f"(its output: {log})")
                self.assertEqual(done.stderr.splitlines(), [
                    line, "wine-prefix: making the prefix once more, from scratch", line])
                self.assertEqual(done.stdout, "")
                # Two tries, each from a new prefix.
                self.assertEqual(self.wine_calls("wine64 wineboot -i"), 2)
                self.assertFalse(self.prefix_ready())

    def test_a_step_that_fails_once_is_made_again_from_scratch(self):
        done = self.make_prefix(fail="wine64 reg add HKLM\\Software\\Wine\\Drives /v k:",
                                once=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(len(done.stderr.splitlines()), 2, done.stderr)
        self.assertIn("step 'reg add HKLM\\Software\\Wine\\Drives /v k:' failed with exit "
                      "status 3", done.stderr)
        self.assertEqual(self.wine_calls("wine64 wineboot -i"), 2)
        self.assertTrue(self.prefix_ready())
        # Made, the prefix is used as it is.
        done = self.make_prefix()
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        self.assertEqual(self.wine_calls("wine64 wineboot -i"), 2)


class SessionStart(HarnessCase):
    """tools/wine-session: the step a session stopped at, and its exit status."""

    def session(self, *command, **env):
        return self.run_tool([os.path.join(TOOLS, "wine-session"), self.build, *command],
                             self.env(**env))

    def test_a_session_that_does_not_come_up_names_its_step(self):
        xvfb_fails = os.path.join(self.tmp, "bin")
        os.makedirs(xvfb_fails)
        os.symlink("/bin/false", os.path.join(xvfb_fails, "Xvfb"))
        cases = [
            ({"fail": "wine64 --version"}, "wine-session: " + os.path.join(self.wine, "wine64")
             + " does not run on this host"),
            ({"PATH": xvfb_fails + os.pathsep + os.environ["PATH"]},
             "wine-session: Xvfb did not start: it ended with exit status 1"),
            ({"fail": "wine64 wineboot -i"},
             "wine-prefix: step 'wineboot -i' failed with exit status 3"),
            ({"fail": "wineserver64 -p"},
             "wine-session: step 'wineserver -p' failed with exit status 3"),
            ({"fail": "GetDesktopWindow"}, "wine-session: the desktop was not held: its holder "
             "(wine cmd) ended with exit status 3"),
            ({"fail": "wine64 wineboot|"}, "wine-session: step 'wineboot' failed with exit "
             "status 3"),
        ]
        # In this order, the prefix is first made (and then kept) by the case past wineboot.
        for env, said in cases:
            with self.subTest(said=said):
                done = self.session("sh", "-c", "echo ran", **env)
                self.assertEqual(done.returncode, 125, done.stderr)
                self.assertNotIn("ran", done.stdout)
                last = done.stderr.splitlines()[-1]
                self.assertTrue(last.startswith(said), done.stderr)
                self.assertEqual(self.step_file(), last + "\n")

    def test_a_session_that_comes_up_runs_the_command_and_answers_its_status(self):
        # Its own display has the pointer in the top left corner (Xvfb starts it centred).
        done = self.session("sh", "-c", 'echo "port $KESTRUM_STANDIN_PORT"; python3 -c "$0"; '
                            'exit 7', POINTER)
        self.assertEqual(done.returncode, 7, done.stderr)
        self.assertRegex(done.stdout, r"^port [0-9]+\n0 0\n$")
        self.assertEqual(done.stderr, "")
        self.assertIsNone(self.step_file())
        self.assertTrue(self.prefix_ready())


class Loaders:
    """Stand-ins of the i386 loader (tools/runs-32bit asks KESTRUM_32BIT_LOADER): one the
    kernel refuses on every host, as it refuses the real one where 32-bit programs do not run
    (a file of no executable format with its run bit set), and one that runs."""

    def __init__(self, folder):
        # An ELF identification and nothing that makes an executable of it.
        self.refused = write_program(os.path.join(folder, "ld-refused.so"),
                                     b"\x7fELF\x01\x01\x01" + bytes(57))
        self.runs = write_program(os.path.join(folder, "ld-runs.so"), "#!/bin/sh\n"
                                  "echo 'ld.so (stand-in) stable release version 2.36.'\n")


class RunsThirtyTwo(HarnessCase):
    """tools/runs-32bit: the host's one answer, and why not."""

    def ask(self, loader=None, **env):
        if loader is not None:
            env["KESTRUM_32BIT_LOADER"] = loader
        done = self.run_tool([os.path.join(TOOLS, "runs-32bit")], self.env(**env))
        return done.returncode, done.stdout, done.stderr

    def test_a_loader_that_does_not_run_is_a_no_in_its_own_words(self):
        loaders = Loaders(self.tmp)
        says = write_program(os.path.join(self.tmp, "ld-says.so"),
                             "#!/bin/sh\necho 'ld.so: no ia32 support' >&2\nexit 3\n")
        silent = write_program(os.path.join(self.tmp, "ld-silent.so"), "#!/bin/sh\nexit 5\n")
        unset = os.path.join(self.tmp, "ld-unset.so")
        with open(unset, "wb") as f:
            f.write(bytes(64))
        missing = os.path.join(self.tmp, "ld-missing.so")
        for loader, words in [
                (loaders.refused, "cannot execute binary file: Exec format error"),
                (missing, "No such file or directory"),
                (unset, "Permission denied"),
                (self.tmp, "Is a directory"),
                (says, "ld.so: no ia32 support"),
                (silent, "exit status 5")]:
            with self.subTest(words=words):
                self.assertEqual(self.ask(loader), (1, "this host does not run 32-bit programs "
                                                    f"({loader} --version: {words})\n", ""))

    def test_a_loader_that_runs_is_a_yes_unless_told_no(self):
        runs = Loaders(self.tmp).runs
        self.assertEqual(self.ask(runs), (0, "yes\n", ""))
        told = "KESTRUM_32BIT=no (this host acts as one that refuses 32-bit programs)\n"
        self.assertEqual(self.ask(runs, KESTRUM_32BIT="no"), (2, told, ""))
        # Any other value is said and left: the loader answers.
        status, said, warned = self.ask(runs, KESTRUM_32BIT="yes")
        self.assertEqual((status, said), (0, "yes\n"))
        self.assertIn("KESTRUM_32BIT is 'yes'", warned)

    def test_the_hosts_own_answer_is_yes_or_a_no_with_words(self):
        status, said, warned = self.ask()
        self.assertEqual(warned, "")
        if status == 0:
            self.assertEqual(said, "yes\n")
        else:
            self.assertEqual(status, 1)
            self.assertRegex(said, r"^this host does not run 32-bit programs "
                                   r"\(/lib/ld-linux\.so\.2 --version: .+\)\n$")


class KestrumTestLine(HarnessCase):
    """The last lines of ./kestrum test once the trees are built (kestrum: test_builds), for
    every answer of tools/runs-32bit: a loader the kernel refuses, one that runs, the host's
    own, and KESTRUM_32BIT=no."""

    def setUp(self):
        super().setUp()
        loaders = Loaders(self.tmp)
        self.answers = {
            "refused": ({"KESTRUM_32BIT_LOADER": loaders.refused},
                        f"this host does not run 32-bit programs ({loaders.refused} "
                        "--version: cannot execute binary file: Exec format error)"),
            "runs": ({"KESTRUM_32BIT_LOADER": loaders.runs}, None),
            "told no": ({"KESTRUM_32BIT_LOADER": loaders.runs, "KESTRUM_32BIT": "no"},
                        "KESTRUM_32BIT=no (this host acts as one that refuses 32-bit "
                        "programs)"),
        }
        host = self.run_tool([os.path.join(TOOLS, "runs-32bit")], self.env())
        self.answers["the host's own"] = ({}, None if host.returncode == 0
                                          else host.stdout.rstrip("\n"))

    def kestrum_test_builds(self, **env):
        done = self.run_tool(["bash", "-c", '. "$0/kestrum"; test_builds', ROOT],
                             self.env(KESTRUM_BUILD=os.path.join(self.tmp, "build"), **env))
        return done.returncode, done.stderr.splitlines()

    def test_a_session_that_did_not_start_is_the_last_line(self):
        said = ("wine-prefix: step 'wineboot -i' failed with exit status 3 (its output: "
                f"{self.tmp}/build/%s/wineprefix.log)")
        for answer, (env, why_not) in self.answers.items():
            with self.subTest(answer=answer):
                status, lines = self.kestrum_test_builds(fail="wineboot -i", **env)
                self.assertEqual(status, 1)
                if why_not is None:
                    self.assertEqual(lines[-3:], [
                        "[kestrum] tested builds: 64-bit (did not start) and 32-bit (did not "
                        "start)",
                        "[kestrum] the 64-bit session did not start: " + said % "x86_64",
                        "[kestrum] the 32-bit session did not start: " + said % "i686"])
                else:
                    self.assertEqual(lines[-2:], [
                        "[kestrum] tested builds: 64-bit (did not start) only; the 32-bit "
                        "tests were not run: " + why_not,
                        "[kestrum] the 64-bit session did not start: " + said % "x86_64"])

    def test_tests_that_ran_keep_the_tested_builds_line(self):
        # A tree whose one test fails: CTest ran, so it is a test failure; the 32-bit tree,
        # where it runs, has none.
        with open(os.path.join(self.build, "CTestTestfile.cmake"), "w") as f:
            f.write("add_test(fails /bin/false)\n")
        for answer, (env, why_not) in self.answers.items():
            with self.subTest(answer=answer):
                if os.path.exists(self.calls):
                    os.remove(self.calls)
                status, lines = self.kestrum_test_builds(**env)
                self.assertEqual(status, 1)
                self.assertEqual(lines[-1], "[kestrum] tested builds: 64-bit (FAILED) " + (
                    "and 32-bit (passed)" if why_not is None
                    else "only; the 32-bit tests were not run: " + why_not))
                # A 32-bit session (its loader is "wine", the 64-bit one's "wine64") was
                # opened only where the answer was yes.
                self.assertEqual(self.wine_calls("wine --version") > 0, why_not is None)


if __name__ == "__main__":
    unittest.main()
