"""Whatever another program put in the clipboard, and however its owner
behaves, the real program gives the exact result or shows a message, keeps
the clipboard as it was, and goes on.

Usage: hostile_clipboard_test.py PROGRAM X11_TEST_TOOL   (DISPLAY must name a test server)
"""
import base64
import os
import resource
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from x11 import (COMMAND1, COMMAND2, COMMAND3, INITIAL_KEY, LARGE_PASTE_SECONDS, UNASSIGNED, click,  # noqa: E402
                 clipboard_becomes, dismiss_message, expected_cipher, hold_clipboard, message_windows, start_program,
                 wait_until, xclip_get, xclip_put)

PROGRAM = TOOL = None
PNG = base64.b64decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==")


class HostileClipboard(unittest.TestCase):
    def setUp(self):
        self.program, self.window = start_program([PROGRAM])

    def tearDown(self):
        if self.program.poll() is None:
            self.program.kill()
        self.program.wait()

    def assert_refused_and_kept(self, data, button=COMMAND1, target="UTF8_STRING"):
        xclip_put(data, target)
        click(self.window, button)
        self.assertTrue(dismiss_message(TOOL), "no message was shown")
        self.assertIsNone(self.program.poll(), "the program ended")
        self.assertEqual(xclip_get(target), data)

    def test_characters_outside_the_code_page_are_refused(self):
        for text in ("emoji 😀 !".encode(), b"lone surrogate \xed\xa0\x80 !", "π ≠ 3".encode()):
            with self.subTest(text=text):
                self.assert_refused_and_kept(text)

    def assert_round_trip(self, text):
        xclip_put(text.encode())
        click(self.window, COMMAND1)
        cipher = expected_cipher(text, INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)
        click(self.window, COMMAND2)
        self.assertEqual(clipboard_becomes(text.encode()), text.encode())

    def test_every_c0_and_c1_control(self):
        controls = "".join(map(chr, [*range(0x20), 0x7F, *range(0x80, 0xA0)]))
        self.assert_refused_and_kept(controls.encode())  # U+0080 has no code
        self.assert_round_trip("".join(c for c in controls if ord(c) < 0x80 or ord(c) in UNASSIGNED))

    def test_nul_characters_round_trip(self):
        self.assert_round_trip("a\0b\0\0c")

    def test_very_long_single_line(self):
        line = "une seule ligne, sans fin, à l'été " * 3  # a multiple of the key's length
        text = line * ((4 << 20) // len(line))
        holder = hold_clipboard(text.encode())
        click(self.window, COMMAND1)
        holder.wait(timeout=60)
        self.assertEqual(xclip_get(seconds=LARGE_PASTE_SECONDS),
                         expected_cipher(line, INITIAL_KEY).encode() * ((4 << 20) // len(line)))

    def test_64_mi_digits_to_decrypt(self):
        digits = 64 << 20
        holder = hold_clipboard(b"000" * (digits // 3) + b"0" * (digits % 3))
        click(self.window, COMMAND2)
        holder.wait(timeout=120)
        groups = digits // 3 + (digits % 3 > 0)
        plain = (INITIAL_KEY * (groups // 3 + 1))[:groups].encode()
        self.assertEqual(xclip_get(seconds=LARGE_PASTE_SECONDS), plain)

    def test_digits_then_garbage_are_refused(self):
        self.assert_refused_and_kept(b"065066" * 1000 + b"x", COMMAND2)
        self.assert_refused_and_kept(b"999", COMMAND2)

    def test_image_only(self):
        for button in (COMMAND1, COMMAND2):
            self.assert_refused_and_kept(PNG, button, "image/png")

    def test_text_too_large_for_memory(self):
        if "ASAN_OPTIONS" in os.environ:
            self.skipTest("AddressSanitizer needs all the address space it can get")
        self.tearDown()
        limit = 1 << 30

        def limited():
            resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

        self.program, self.window = start_program([PROGRAM], preexec_fn=limited)
        holder = hold_clipboard(b"a" * (300 << 20))
        click(self.window, COMMAND1)
        # 300 MiB come before the refusal: slow on a loaded machine.
        self.assertTrue(dismiss_message(TOOL, within=60), "no message was shown")
        self.assertIsNone(self.program.poll(), "the program ended")
        # The transfer given up halfway leaves xclip unable to serve anyone
        # else, but its owning the clipboard still shows nothing was written.
        self.assertIsNone(holder.poll(), "the clipboard was taken from its owner")
        holder.kill()
        holder.wait()


class MisbehavingOwner(unittest.TestCase):
    """Owners of the clipboard that answer late, never, or vanish mid-transfer."""

    def setUp(self):
        self.program, self.window = start_program([PROGRAM])
        self.owner = None

    def tearDown(self):
        for process in (self.program, self.owner):
            if process and process.poll() is None:
                process.kill()
                process.wait()

    def take_clipboard(self, *arguments):
        self.owner = subprocess.Popen([TOOL, *arguments], stdout=subprocess.PIPE, text=True)
        self.assertEqual(self.owner.stdout.readline(), "ready\n")
        self.owner.stdout.close()

    def click_and_time_the_message(self, button):
        start = time.monotonic()
        click(self.window, button)
        self.assertTrue(wait_until(message_windows, 10), "no message was shown")
        elapsed = time.monotonic() - start
        self.assertTrue(dismiss_message(TOOL))
        return elapsed

    def test_silent_or_too_slow_owner_keeps_the_clipboard(self):
        for arguments in (["silent"], ["slow", "5000", "Bonjour"]):
            for button in (COMMAND1, COMMAND2):
                with self.subTest(owner=arguments[0], button=button):
                    self.take_clipboard(*arguments)
                    self.assertLess(self.click_and_time_the_message(button), 4)
                    time.sleep(0.5)
                    self.assertIsNone(self.owner.poll(), "the clipboard was taken from its owner")
                    self.owner.kill()
                    self.owner.wait()

    def test_slow_owner_gives_the_whole_text(self):
        self.take_clipboard("slow", "500", "Bonjour")
        click(self.window, COMMAND1)
        self.owner.wait(timeout=10)  # it leaves once the program has written the clipboard
        self.assertEqual(clipboard_becomes(b"015024135039024156063"), b"015024135039024156063")

    def test_owner_vanishing_mid_transfer_leaves_no_partial_text(self):
        self.take_clipboard("vanishing")
        self.assertLess(self.click_and_time_the_message(COMMAND2), 4)
        self.assertIsNone(xclip_get(), "the clipboard holds something after its owner vanished")
        self.assertIsNone(self.program.poll())

    def test_closing_or_quitter_ends_a_read_at_once(self):
        for end in ("close", "Quitter"):
            with self.subTest(end=end):
                if self.program.poll() is not None:
                    self.program, self.window = start_program([PROGRAM])
                self.take_clipboard("dribbling" if end == "close" else "silent")
                click(self.window, COMMAND1)
                time.sleep(0.5)
                if end == "close":
                    subprocess.run([TOOL, "close", self.window], check=True, timeout=5)
                else:
                    click(self.window, COMMAND3)
                try:
                    self.assertEqual(self.program.wait(timeout=2), 0)
                except subprocess.TimeoutExpired:
                    self.fail(f"{end} did not end the read")
                self.assertIsNone(self.owner.poll(), "the clipboard was taken from its owner")
                self.owner.kill()
                self.owner.wait()


if __name__ == "__main__":
    PROGRAM, TOOL = (os.path.abspath(path) for path in sys.argv[1:3])
    del sys.argv[1:3]
    unittest.main(verbosity=2)
