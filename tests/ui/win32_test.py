"""Brouillamine.exe under Wine, in a fresh prefix on the test's own X server:
text put in with xclip, clicks and keys with xdotool, the result read back
with xclip through Wine's clipboard; and the file itself.

Usage: win32_test.py BROUILLAMINE_EXE TEST_TOOL_EXE
(DISPLAY must name a test X server)
"""
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from x11 import (COMMAND1, COMMAND2, COMMAND3, COMMAND4, INITIAL_KEY, KEY, WINDOW_TITLE, click,  # noqa: E402
                 clipboard_becomes, expected_cipher, message_windows, wait_until, xclip_get, xclip_put, xdotool)

EXE = TOOL_EXE = None
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}


def run(*command, seconds=10, **options):
    try:
        return subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True, timeout=seconds,
                              **options).stdout
    except subprocess.TimeoutExpired:
        raise AssertionError(f"{command[0]} did not end within {seconds} s") from None


# Wine starts Notepad in a second or two, and in far more on a loaded machine.
NOTEPAD_SECONDS = 60


def notepad_windows():
    return xdotool("search", "--onlyvisible", "--name", "Notepad")


def line_from(process, seconds=10):
    if not select.select([process.stdout], [], [], seconds)[0]:
        raise AssertionError(f"{process.args[1]} said nothing within {seconds} s")
    return process.stdout.readline().rstrip()


class TheFile(unittest.TestCase):
    def test_imports_only_windows_dlls_and_asks_for_windows_10(self):
        header = run("x86_64-w64-mingw32-objdump", "-p", EXE)
        imports = re.findall(r"DLL Name: (\S+)", header)
        self.assertTrue(imports)
        self.assertLessEqual({name.lower() for name in imports}, WINDOWS_DLLS)
        self.assertRegex(header, r"MajorSubsystemVersion\s+10\n")

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

    @classmethod
    def new_server(cls, limit=""):
        """A Wine server in place of the running one, once that one has ended:
        started before, the new one would see it and leave."""
        cls.wine("wineserver", "-k")
        cls.wine("wineserver", "-w")
        cls.wine("sh", "-c", f"{limit}exec wineserver -p")

    def setUp(self):
        self.start(EXE)

    def start(self, exe, folder=None):
        self.program = subprocess.Popen(["wine", exe], env=self.environment, cwd=folder, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        windows = wait_until(lambda: xdotool("search", "--onlyvisible", "--name", WINDOW_TITLE), 30)
        state = "still runs" if self.program.poll() is None else f"ended with status {self.program.returncode}"
        self.assertEqual(len(windows or []), 1, f"the program did not show one window, and {state}")
        self.window = windows[0]

    def tearDown(self):
        for window in notepad_windows():
            xdotool("windowkill", window)
        self.program.kill()
        self.program.wait()

    def tool(self, *arguments):
        """The test tool, once it holds the clipboard."""
        tool = subprocess.Popen(["wine", TOOL_EXE, *arguments], env=self.environment, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(tool.stdout.close)
        self.addCleanup(tool.wait)
        self.addCleanup(tool.kill)
        self.assertEqual(line_from(tool), b"ready")
        return tool

    def press(self, *keys):
        xdotool("key", "--window", self.window, *keys)

    def ended(self, seconds=5):
        try:
            self.program.wait(timeout=seconds)
            return True
        except subprocess.TimeoutExpired:
            return False

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
        # Windows' SetClipboardData fails for a clipboard emptied with no owner named.
        self.assertEqual(run("wine", TOOL_EXE, "owner", env=self.environment, stdin=subprocess.DEVNULL,
                             seconds=30).strip(), "Brouillamine.exe")
        click(self.window, COMMAND2)
        # Wine hands X11 programs a line break as LF, as Windows' own programs do.
        plain = text.replace("\r\n", "\n").encode()
        self.assertEqual(clipboard_becomes(plain), plain)

    def formats(self):
        return run("wine", TOOL_EXE, "formats", env=self.environment, stdin=subprocess.DEVNULL, seconds=30).split()

    def test_only_a_deciphered_text_is_kept_out_of_the_history(self):
        # A long text first, whose blocks the program frees: a block given
        # anew may hold what they held, where nothing clears it.
        for text in ("\u00ff" * 100000, "Bonjour"):
            xclip_put(text.encode())
            click(self.window, COMMAND1)
            cipher = expected_cipher(text, INITIAL_KEY).encode()
            self.assertEqual(clipboard_becomes(cipher, 30), cipher)
            self.assertEqual(self.formats(), ["absent", "absent", "absent", "absent", "terminated"])
            click(self.window, COMMAND2)
            self.assertEqual(clipboard_becomes(text.encode(), 30), text.encode())
            self.assertEqual(self.formats(), ["0", "0", "0", "0", "terminated"])

    def test_an_empty_key_is_refused_and_the_clipboard_kept(self):
        self.type_key("")
        xclip_put(b"Bonjour")
        click(self.window, COMMAND1)
        self.assertTrue(wait_until(message_windows, 5), "no message was shown")
        self.assertEqual(xclip_get(), b"Bonjour")
        self.assertIsNone(self.program.poll())

    def test_a_copy_made_meanwhile_is_kept(self):
        # Also by a program that opens the clipboard for no window while the
        # read still holds it open to copy a long text out.
        for mode, size in (("renewing", 8 << 20), ("intruding", 32 << 20)):
            with self.subTest(mode=mode):
                renewing = self.tool(mode, str(size))
                click(self.window, COMMAND1)
                self.assertTrue(wait_until(message_windows, 20), "no message was shown")
                self.assertEqual(line_from(renewing), b"renewed")
                self.assertEqual(xclip_get(), b"nouveau")
                for window in message_windows():
                    xdotool("key", "--window", window, "Return")
                self.assertTrue(wait_until(lambda: not message_windows(), 5), "the message stayed")

    def test_a_long_key_is_used_whole(self):
        # Enciphered under itself: all zeros, but for a "001" at the end when the key is cut.
        key = "b" * 39999 + "c"
        self.type_key(key)
        click(self.window, COMMAND1)
        cipher = b"000" * len(key)
        self.assertEqual(clipboard_becomes(cipher), cipher, "the key was cut")

    def test_enter_held_down_presses_once(self):
        xclip_put(b"Bonjour")
        # Through the keyboard, so that the X server repeats the key as it is held.
        xdotool("windowfocus", "--sync", self.window, "keydown", "Return", "sleep", "1.5", "keyup", "Return")
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)
        time.sleep(1)
        self.assertEqual(xclip_get(), cipher)

    def test_enter_held_down_leaves_the_message_it_brought(self):
        # A window manager gives the message the keyboard, and the X server
        # sends it the held key's repeats.
        manager = subprocess.Popen(["openbox"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.addCleanup(manager.wait, 5)
        self.addCleanup(manager.kill)
        self.type_key("")
        self.press("shift+Tab")  # Command1
        framed = lambda: "_NET_FRAME_EXTENTS(CARDINAL)" in run("xprop", "-id", self.window, "_NET_FRAME_EXTENTS")
        self.assertTrue(wait_until(framed, 5), "the window manager did not take the window")
        xdotool("windowfocus", "--sync", self.window, "keydown", "Return", "sleep", "1.5", "keyup", "Return")
        time.sleep(0.5)
        self.assertTrue(message_windows(), "the held key closed the message it brought")
        xdotool("key", "Return")
        self.assertTrue(wait_until(lambda: not message_windows(), 5), "a new press left the message")

    # An owner that never renders its text: the window can still be closed,
    # and left alone the command gives up.
    def test_closing_the_window_ends_a_stalled_read(self):
        self.tool("stuck")
        click(self.window, COMMAND1)
        time.sleep(0.5)
        self.press("alt+F4")
        self.assertTrue(self.ended(), "the window froze")

    def test_keys_work_while_a_read_waits(self):
        stuck = self.tool("stuck")
        click(self.window, COMMAND1)
        time.sleep(0.5)
        self.press("Tab", "x")  # into the key field, all of it selected: the key is "x"
        self.assertTrue(wait_until(message_windows, 20), "the read was not given up")
        for window in message_windows():
            xdotool("key", "--window", window, "Return")
        self.assertTrue(wait_until(lambda: not message_windows(), 5), "the message stayed")
        stuck.kill()  # which frees the clipboard
        stuck.wait()
        xclip_put(b"Bonjour")
        click(self.window, COMMAND1)
        cipher = expected_cipher("Bonjour", "x").encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)

    def test_quitter_ends_a_stalled_read(self):
        self.tool("stuck")
        click(self.window, COMMAND1)
        time.sleep(0.5)
        click(self.window, COMMAND3)
        self.assertTrue(self.ended(), "Quitter waited for the read")

    def test_quitter_ends_a_write_waiting_for_the_previous_owner(self):
        self.tool("clinging")
        click(self.window, COMMAND1)
        time.sleep(0.5)
        click(self.window, COMMAND3)
        self.assertTrue(self.ended(4), "the window froze while the clipboard was emptied")

    def test_a_format_never_rendered_holds_up_no_write(self):
        # The owner offers its text, and a history format that it renders
        # only when asked for, which it never does.
        self.tool("hinting")
        click(self.window, COMMAND1)
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher, 15), cipher)

    def test_a_refused_cipher_gives_the_copied_text_back(self):
        # A server short of memory holds the copied text, but not its cipher,
        # three times as long: it refuses it, or with less memory still, ends
        # the thread that sent it.
        text = b"a" * (16 << 20)
        for server_mebibytes, said, clipboard in ((150, "Le texte que vous aviez copié y a été remis", text),
                                                  (90, "le presse-papier est maintenant vide", None)):
            with self.subTest(server_mebibytes=server_mebibytes):
                self.tearDown()
                self.new_server(f"ulimit -v {server_mebibytes << 10} && ")
                self.start(EXE)
                xclip_put(text)
                click(self.window, COMMAND1)
                self.assertTrue(wait_until(message_windows, 30), "no message was shown")
                self.assertIn(said, self.message())
                self.assertEqual(xclip_get(seconds=30), clipboard)
        self.tearDown()
        self.new_server()
        self.start(EXE)

    def message(self):
        return run("wine", TOOL_EXE, "message", env=self.environment, stdin=subprocess.DEVNULL, seconds=30)

    def opened_by_another(self):
        return run("wine", TOOL_EXE, "opening", env=self.environment, stdin=subprocess.DEVNULL,
                   seconds=30).strip()

    # Given up, the read lets the clipboard go at once: every other program
    # can copy again, though the owner still holds its text.
    def test_a_stalled_read_is_given_up_naming_the_owner(self):
        self.tool("stuck")
        click(self.window, COMMAND1)
        self.assertTrue(wait_until(message_windows, 20), "no message was shown")
        self.assertEqual(self.opened_by_another(), "opened")
        self.assertIn("« win32_test_tool.exe », qui y a mis le texte, ne le donne pas", self.message())
        self.assertIsNone(self.program.poll())

    def test_an_owner_that_does_not_answer_is_named_at_once(self):
        self.tool("hung")
        started = time.monotonic()
        click(self.window, COMMAND1)
        self.assertTrue(wait_until(message_windows, 5), "no message was shown")
        self.assertLess(time.monotonic() - started, 3)
        self.assertIn("« win32_test_tool.exe », qui y a mis le texte, ne répond pas", self.message())

    def test_a_text_stored_whole_is_read_though_its_owner_does_not_answer(self):
        self.tool("stored")
        # Until an owner has answered nothing for 5 s, Wine's own clipboard
        # waits for it on every opening; Windows' does not.
        time.sleep(5.5)
        click(self.window, COMMAND1)
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher, 15), cipher)
        self.assertFalse(message_windows())

    def test_a_clipboard_held_for_a_moment_is_waited_for(self):
        xclip_put(b"Bonjour")
        self.tool("holding", "200")
        click(self.window, COMMAND1)
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)
        self.assertFalse(message_windows())

    def test_a_clipboard_held_for_seconds_is_reported(self):
        xclip_put(b"Bonjour")
        holding = self.tool("holding", "4000")
        click(self.window, COMMAND1)
        self.assertTrue(wait_until(message_windows, 3), "no message was shown")
        self.assertEqual(line_from(holding), b"released")
        self.assertEqual(xclip_get(), b"Bonjour")

    # Enter and Space press the focused button, however it got the focus;
    # Enter in the key field and Escape press nothing.
    def test_keys_press_the_focused_button_only(self):
        xclip_put(b"Bonjour")
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.press("Return")  # Command1 has the focus at start
        self.assertEqual(clipboard_becomes(cipher), cipher)
        click(self.window, KEY)
        self.press("Return", "Escape")
        self.press("Tab", "Escape")  # Command2
        time.sleep(1)
        self.assertEqual(xclip_get(), cipher)
        self.press("Return")
        self.assertEqual(clipboard_becomes(b"Bonjour"), b"Bonjour")
        self.press("Tab", "Tab", "Return")  # Command4
        self.assertTrue(wait_until(notepad_windows, NOTEPAD_SECONDS), "no Notepad window")
        self.tearDown()  # Notepad has the keyboard now
        self.start(EXE)
        self.press("Tab", "Tab", "Tab", "Return")  # Command3
        self.assertTrue(self.ended(), "Quitter was not pressed")

    def test_a_planted_notepad_does_not_run(self):
        self.tearDown()
        folder, start = tempfile.mkdtemp(prefix="brouillamine-exe-"), tempfile.mkdtemp(prefix="brouillamine-cwd-")
        self.addCleanup(shutil.rmtree, folder)
        self.addCleanup(shutil.rmtree, start)
        shutil.copy(EXE, folder)
        for planted in (folder, start):
            shutil.copy(TOOL_EXE, os.path.join(planted, "notepad.exe"))
        self.start(os.path.join(folder, os.path.basename(EXE)), start)
        click(self.window, COMMAND4)
        self.assertTrue(wait_until(notepad_windows, NOTEPAD_SECONDS), "no Notepad window")
        for planted in (folder, start):
            self.assertFalse(os.path.exists(os.path.join(planted, "planted-notepad-ran")), planted)

    def test_bloc_note_starts_notepad(self):
        click(self.window, COMMAND4)
        self.assertTrue(wait_until(notepad_windows, NOTEPAD_SECONDS), "no Notepad window")
        self.assertIsNone(self.program.poll())


if __name__ == "__main__":
    EXE, TOOL_EXE = map(os.path.abspath, sys.argv[1:3])
    del sys.argv[1:3]
    unittest.main(verbosity=2)
