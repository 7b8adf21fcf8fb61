"""Brouillamine.exe under Wine, in a fresh prefix on the test's own X server:
text put in with xclip, clicks and keys with xdotool, the result read back
with xclip through Wine's clipboard; and the file itself.

Usage: win32_test.py BROUILLAMINE_EXE CLIPBOARD_OWNER_EXE
(DISPLAY must name a test X server)
"""
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from x11 import (COMMAND1, COMMAND2, COMMAND4, KEY, WINDOW_TITLE, click,  # noqa: E402
                 clipboard_becomes, expected_cipher, message_windows, wait_until, xclip_get, xclip_put, xdotool)

EXE = OWNER_EXE = None
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}


def run(*command, seconds=10, **options):
    try:
        return subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True, timeout=seconds,
                              **options).stdout
    except subprocess.TimeoutExpired:
        raise AssertionError(f"{command[0]} did not end within {seconds} s") from None


def line_from(process, seconds=10):
    if not select.select([process.stdout], [], [], seconds)[0]:
        raise AssertionError(f"{process.args[1]} said nothing within {seconds} s")
    return process.stdout.readline().rstrip()


class TheFile(unittest.TestCase):
    def test_imports_only_windows_dlls(self):
        imports = re.findall(r"DLL Name: (\S+)", run("x86_64-w64-mingw32-objdump", "-p", EXE))
        self.assertTrue(imports)
        self.assertLessEqual({name.lower() for name in imports}, WINDOWS_DLLS)

    def test_version_resource_and_icon(self):
        resources = run("x86_64-w64-mingw32-windres", "-i", EXE, "-O", "rc")
        self.assertIn("1 14 /* RT_GROUP_ICON */", resources)
        resources = resources[resources.index("VERSIONINFO"):resources.index("RT_MANIFEST")]
        self.assertRegex(resources, r"FILEVERSION 6, ?0, ?0, ?0")
        self.assertRegex(resources, r"PRODUCTVERSION 6, ?0, ?0, ?0")
        self.assertIn('BLOCK "040C04B0"', resources)
        for name, value in (("FileVersion", "6.00"), ("ProductVersion", "6.00"), ("ProductName", "Brouillamine"),
                            ("InternalName", "Brouillamine"), ("OriginalFilename", "Brouillamine.exe")):
            self.assertIn(f'VALUE "{name}", "{value}"\n', resources)
        self.assertRegex(resources, r'VALUE "Translation", 0x40c, 1200')


class UnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="brouillamine-wine-")
        cls.environment = dict(os.environ, WINEPREFIX=cls.prefix, WINEDEBUG="-all",
                               WINEDLLOVERRIDES="mscoree,mshtml=")
        # Wine's clipboard lives as long as its server: keep it between programs.
        cls.wine("wineserver", "-p")
        cls.wine("wineboot", "--init", seconds=120)

    @classmethod
    def tearDownClass(cls):
        cls.wine("wineserver", "-k")
        shutil.rmtree(cls.prefix, ignore_errors=True)

    @classmethod
    def wine(cls, *command, seconds=10):
        """A Wine command, whose services outlive it: no pipe of ours may stay open in them."""
        try:
            subprocess.run(command, env=cls.environment, check=True, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=seconds)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{command[0]} did not end within {seconds} s") from None

    def setUp(self):
        self.program = subprocess.Popen(["wine", EXE], env=self.environment, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        windows = wait_until(lambda: xdotool("search", "--onlyvisible", "--name", WINDOW_TITLE), 30)
        self.assertEqual(len(windows or []), 1, "the program did not show one window")
        self.window = windows[0]

    def tearDown(self):
        for window in xdotool("search", "--onlyvisible", "--name", "Notepad"):
            xdotool("windowkill", window)
        self.program.kill()
        self.program.wait()

    def type_key(self, key):
        click(self.window, KEY)
        xdotool("key", "--window", self.window, "End", "shift+Home", "BackSpace")
        if key:
            # Pasted: xdotool types a character missing from the keymap by
            # remapping a key for a moment, and the program may read it after.
            xclip_put(key.encode())
            xdotool("key", "--window", self.window, "ctrl+v")

    def test_title_and_client_area(self):
        self.assertEqual(run("xdotool", "getwindowname", self.window), "   Clipboard Brouillamine      V 6.0\n")
        geometry = " ".join(xdotool("getwindowgeometry", self.window))
        self.assertIn("Geometry: 290x128", geometry)

    def test_round_trip_under_a_typed_key_with_accents(self):
        text, key = "Le cœur à l'été, 5 € — « voilà »\r\nFin", "clé"
        self.type_key(key)
        xclip_put(text.encode())
        click(self.window, COMMAND1)
        cipher = expected_cipher(text, key).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)
        click(self.window, COMMAND2)
        # Wine hands X11 programs a line break as LF, as Windows' own programs do.
        plain = text.replace("\r\n", "\n").encode()
        self.assertEqual(clipboard_becomes(plain), plain)

    def test_an_empty_key_is_refused_and_the_clipboard_kept(self):
        self.type_key("")
        xclip_put(b"Bonjour")
        click(self.window, COMMAND1)
        self.assertTrue(wait_until(message_windows, 5), "no message was shown")
        self.assertEqual(xclip_get(), b"Bonjour")
        self.assertIsNone(self.program.poll())

    def test_a_copy_made_meanwhile_is_kept(self):
        owner = subprocess.Popen(["wine", OWNER_EXE, "renewing", str(8 << 20)], env=self.environment,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(owner.stdout.close)
        self.addCleanup(owner.wait)
        self.addCleanup(owner.kill)
        self.assertEqual(line_from(owner), b"ready")
        click(self.window, COMMAND1)
        self.assertTrue(wait_until(message_windows, 20), "no message was shown")
        self.assertEqual(line_from(owner), b"renewed")
        self.assertEqual(xclip_get(), b"nouveau")

    def test_bloc_note_starts_notepad(self):
        click(self.window, COMMAND4)
        self.assertTrue(wait_until(lambda: xdotool("search", "--onlyvisible", "--name", "Notepad"), 20),
                        "no Notepad window")
        self.assertIsNone(self.program.poll())


if __name__ == "__main__":
    EXE, OWNER_EXE = map(os.path.abspath, sys.argv[1:3])
    del sys.argv[1:3]
    unittest.main(verbosity=2)
