"""The real program as a native Wayland client of Weston, nested in the
test's own X server: text put in and read back with wl-clipboard, clicks
with xdotool on Weston's window.

Usage: wayland_test.py PROGRAM   (DISPLAY must name a test X server larger than 640 x 480)
"""
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from x11 import COMMAND1, COMMAND2, COMMAND3, INITIAL_KEY, KEY, expected_cipher, wait_until  # noqa: E402

PROGRAM = None
EXIT_RUNS = 20
WESTON_CONFIG = """[core]
idle-time=0
[shell]
locking=false
[input-method]
path=
"""


def run(command, environment, seconds=5, **options):
    try:
        return subprocess.run([str(part) for part in command], env=environment, timeout=seconds, **options)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"{command[0]} did not end within {seconds} s") from None


class Wayland(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.runtime = Path(tempfile.mkdtemp(prefix="brouillamine-wayland-"))
        cls.runtime.chmod(0o700)
        (cls.runtime / "weston.ini").write_text(WESTON_CONFIG)
        cls.environment = dict(os.environ, XDG_RUNTIME_DIR=str(cls.runtime), WAYLAND_DISPLAY="brouillamine-test",
                               QT_QPA_PLATFORM="wayland")
        cls.weston = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", "--width=640", "--height=480", "--debug",
             "--socket=brouillamine-test", f"--config={cls.runtime / 'weston.ini'}",
             f"--log={cls.runtime / 'weston.log'}"],
            env=cls.environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: (cls.runtime / "brouillamine-test").exists() or cls.weston.poll() is not None):
            cls.weston.kill()
            raise AssertionError("Weston did not start")

    @classmethod
    def tearDownClass(cls):
        cls.weston.terminate()
        cls.weston.wait(timeout=5)

    def setUp(self):
        self.copiers = []

    def tearDown(self):
        for process in [self.program, *self.copiers]:
            if process.poll() is None:
                process.kill()
            process.wait()

    def toplevel(self, title):
        """The top-left corner of the client area of the window titled `title`, from Weston's scene graph."""
        scene = run(["weston-debug", "scene-graph"], self.environment, stdout=subprocess.PIPE, text=True).stdout
        found = re.search(r"top-level window '" + re.escape(title) + r"'.*?\n.*?\n\s*\[opaque: \((\d+), (\d+)\)",
                          scene)
        return (int(found[1]), int(found[2])) if found else None

    def start(self):
        self.program = subprocess.Popen([PROGRAM], env=self.environment)
        self.origin = wait_until(lambda: self.toplevel("   Clipboard Brouillamine      V 6.0"))
        self.assertIsNotNone(self.origin, "the window did not show")

    def click(self, position):
        # Weston turns X motion into relative motion and loses the first move:
        # leave its window and come back before each click.
        x, y = self.origin[0] + position[0], self.origin[1] + position[1]
        run(["xdotool", "mousemove", 1000, 700, "sleep", 0.05, "mousemove", x, y, "click", 1], None)

    def copy(self, text):
        # wl-copy serves until another client takes the clipboard, so it is not waited for.
        self.copiers.append(subprocess.Popen(["timeout", "60", "wl-copy", "--foreground", text],
                                             env=self.environment, stdout=subprocess.DEVNULL,
                                             stderr=subprocess.DEVNULL))
        self.assertTrue(wait_until(lambda: self.paste() == text.encode()), "wl-copy did not take the clipboard")

    def paste(self):
        result = run(["wl-paste", "--no-newline"], self.environment, stdout=subprocess.PIPE,
                     stderr=subprocess.DEVNULL)
        return result.stdout if result.returncode == 0 else None

    def pasted_becomes(self, expected):
        # Long enough for a build with the sanitizers on a loaded machine.
        return wait_until(lambda: self.paste() == expected and expected, 20) or self.paste()

    def type_key(self, key):
        self.click(KEY)
        run(["xdotool", "key", "ctrl+a", "BackSpace", *(["type", key] if key else [])], None)

    def test_round_trip_under_the_initial_and_a_typed_key(self):
        self.start()
        text = "Le cœur à l'été, 5 €"
        for key in (INITIAL_KEY, "Secret42"):
            with self.subTest(key=key):
                if key != INITIAL_KEY:
                    self.type_key(key)
                self.copy(text)
                self.click(COMMAND1)
                cipher = expected_cipher(text, key).encode()
                self.assertEqual(self.pasted_becomes(cipher), cipher)
                self.click(COMMAND2)
                self.assertEqual(self.pasted_becomes(text.encode()), text.encode())

    def test_an_empty_key_is_refused_and_the_clipboard_kept(self):
        self.start()
        self.copy("Bonjour")
        self.type_key("")
        self.click(COMMAND1)
        self.assertTrue(wait_until(lambda: self.toplevel("Brouillamine"), 5), "no message was shown")
        self.assertEqual(self.paste(), b"Bonjour")
        self.assertIsNone(self.program.poll())

    def test_quitter_ends_the_program_and_the_text_stays(self):
        # Repeated, as the hang this guards against came about one exit in eight.
        for attempt in range(EXIT_RUNS):
            self.start()
            text = f"Essai {attempt}"
            self.copy(text)
            self.click(COMMAND1)
            cipher = expected_cipher(text, INITIAL_KEY).encode()
            self.assertEqual(self.pasted_becomes(cipher), cipher)
            started = time.monotonic()
            self.click(COMMAND3)
            try:
                self.assertEqual(self.program.wait(timeout=3), 0)
            except subprocess.TimeoutExpired:
                self.fail(f"the program did not end after Quitter, exit {attempt + 1} of {EXIT_RUNS}")
            self.assertLess(time.monotonic() - started, 1.0)
            self.assertIsNone(self.toplevel("   Clipboard Brouillamine      V 6.0"), "its window stayed")
            self.assertEqual(self.paste(), cipher)


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv[1])
    del sys.argv[1]
    unittest.main(verbosity=2)
