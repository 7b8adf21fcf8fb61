"""The real program under an X server of its own, driven as a person would:
text put into the clipboard by xclip, clicks and keys by xdotool at the
window's documented positions, the result read back by xclip.

Usage: end_to_end_test.py PROGRAM X11_TEST_TOOL   (DISPLAY must name a test server)
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from x11 import (COMMAND1, COMMAND2, COMMAND3, COMMAND4, INITIAL_KEY, KEY,  # noqa: E402
                 character_of, click, clipboard_becomes, dismiss_message, expected_cipher,
                 message_windows, run_client, start_program, wait_until, xclip_get, xclip_put, xdotool)

PROGRAM = TOOL = None


class EndToEnd(unittest.TestCase):
    def setUp(self):
        self.home = Path(tempfile.mkdtemp(prefix="brouillamine-e2e-"))
        self.editor_log = self.home / "editor.log"
        self.environment = self.desktop_with_standin_editor()
        self.start()

    def tearDown(self):
        self.stop()
        shutil.rmtree(self.home)

    def stop(self):
        if self.program.poll() is None:
            self.program.kill()
        self.program.wait()

    def desktop_with_standin_editor(self):
        """XDG folders of the test's own, with a stand-in registered for text/plain."""
        editor = self.home / "standin-editor"
        editor.write_text(f'#!/bin/sh\necho "arguments=$#" >> "{self.editor_log}"\n')
        editor.chmod(0o755)
        applications = self.home / "data" / "applications"
        applications.mkdir(parents=True)
        (applications / "standin-editor.desktop").write_text(
            "[Desktop Entry]\nType=Application\nName=Standin\n"
            f"Exec={editor} %U\nMimeType=text/plain;\n")
        config = self.home / "config"
        config.mkdir()
        (config / "mimeapps.list").write_text(
            "[Default Applications]\ntext/plain=standin-editor.desktop\n")
        return dict(os.environ, XDG_DATA_HOME=str(self.home / "data"),
                    XDG_DATA_DIRS=str(self.home / "data"), XDG_CONFIG_HOME=str(config))

    def start(self):
        self.program, self.window = start_program([PROGRAM], env=self.environment)

    def click(self, position):
        click(self.window, position)

    def type_key(self, key):
        self.click(KEY)
        xdotool("key", "ctrl+a", "BackSpace")
        if key:
            # Pasted: xdotool types a character missing from the keymap by
            # remapping a key for a moment, and the program may read it after.
            xclip_put(key.encode())
            xdotool("key", "ctrl+v")

    def assert_clipboard_becomes(self, expected):
        self.assertEqual(clipboard_becomes(expected), expected)


    def test_encrypt_right_after_start_uses_initial_key(self):
        text = "Bonjour à tous, 5 € ; « Œuvre » !\r\n"
        xclip_put(text.encode())
        self.click(COMMAND1)
        self.assert_clipboard_becomes(expected_cipher(text, INITIAL_KEY).encode())

    def test_every_code_round_trips_under_typed_key(self):
        key = "clé€"
        text = "".join(character_of(code) for code in range(1, 256))
        self.type_key(key)
        xclip_put(text.encode())
        self.click(COMMAND1)
        self.assert_clipboard_becomes(expected_cipher(text, key).encode())
        self.click(COMMAND2)
        self.assert_clipboard_becomes(text.encode())

    def test_failure_shows_message_keeps_clipboard_and_goes_on(self):
        self.type_key("")
        xclip_put("texte à garder".encode())
        self.click(COMMAND1)
        self.assertTrue(wait_until(message_windows), "no message was shown")
        self.assertEqual(xclip_get(), "texte à garder".encode())
        self.assertTrue(dismiss_message(TOOL))
        self.assertIsNone(self.program.poll())
        self.type_key("k")
        xclip_put("texte à garder".encode())
        self.click(COMMAND1)
        self.assert_clipboard_becomes(expected_cipher("texte à garder", "k").encode())

    def test_bloc_note_starts_default_editor_each_time_with_no_file(self):
        self.click(COMMAND4)
        self.click(COMMAND4)
        lines = wait_until(lambda: self.editor_log.exists()
                           and len(self.editor_log.read_text().split()) == 2
                           and self.editor_log.read_text().split())
        self.assertEqual(lines, ["arguments=0", "arguments=0"])
        self.assertIsNone(self.program.poll())

    def restart_without_default_editor(self, path):
        """The program again, on a desktop that registers no text/plain default."""
        self.stop()
        empty = self.home / "empty"
        empty.mkdir()
        self.environment.update(XDG_DATA_HOME=str(empty), XDG_DATA_DIRS=str(empty),
                                XDG_CONFIG_HOME=str(empty), PATH=str(path or empty))
        self.start()

    def test_bloc_note_falls_back_to_an_editor_on_the_path(self):
        bin_dir = self.home / "bin"
        bin_dir.mkdir()
        (bin_dir / "mousepad").symlink_to(self.home / "standin-editor")
        self.restart_without_default_editor(bin_dir)
        self.click(COMMAND4)
        self.assertEqual(wait_until(lambda: self.editor_log.exists()
                                    and self.editor_log.read_text().split()), ["arguments=0"])
        self.assertFalse(wait_until(message_windows, 1), "a message followed a successful start")

    def test_no_editor_at_all_is_a_message(self):
        self.restart_without_default_editor(None)
        self.click(COMMAND4)
        self.assertTrue(dismiss_message(TOOL), "no message was shown")
        self.assertIsNone(self.program.poll())

    def test_quitter_ends_the_program(self):
        self.click(COMMAND3)
        self.assertEqual(self.program.wait(timeout=10), 0)

    def test_the_key_selected_never_goes_out_through_the_primary_selection(self):
        self.type_key("Clé secrète")
        for select in (["key", "ctrl+a"], ["click", "--repeat", "2", "1"]):
            with self.subTest(select=select[0]):
                run_client(["xclip", "-selection", "primary", "-i"], input=b"avant", timeout=5).check_returncode()
                self.click(KEY)
                xdotool(*select)
                primary = xclip_get(selection="primary", seconds=2)
                self.assertFalse(primary and primary.decode() in "Clé secrète", primary)
        # Copying it on purpose still works.
        xdotool("key", "ctrl+a", "ctrl+c")
        self.assert_clipboard_becomes("Clé secrète".encode())


class DisplayOption(unittest.TestCase):
    def test_the_clipboard_is_read_on_the_display_given(self):
        for environment in ({k: v for k, v in os.environ.items() if k != "DISPLAY"},
                            dict(os.environ, DISPLAY=":4095")):  # a display that is not there
            with self.subTest(DISPLAY=environment.get("DISPLAY")):
                self.encrypt_on_the_display_given(environment)

    def encrypt_on_the_display_given(self, environment):
        program, window = start_program([PROGRAM, "-display", os.environ["DISPLAY"]], env=environment)
        try:
            xclip_put(b"Bonjour")
            click(window, COMMAND1)
            cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
            self.assertEqual(clipboard_becomes(cipher), cipher)
        finally:
            program.kill()
            program.wait()


class FailedStart(unittest.TestCase):
    def test_says_why_and_no_display_only_when_there_is_none(self):
        bare = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        no_display = "aucun affichage graphique"
        for environment, reason in ((bare, no_display), (dict(os.environ, QT_QPA_PLATFORM="absent"), "plugin")):
            with self.subTest(reason=reason):
                result = subprocess.run([PROGRAM], env=environment, capture_output=True, text=True, timeout=20)
                self.assertEqual(result.returncode, 1)
                self.assertIn(reason, result.stderr)
                self.assertEqual(no_display in result.stderr, reason == no_display)
                if reason == no_display:
                    self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)


if __name__ == "__main__":
    PROGRAM, TOOL = (os.path.abspath(path) for path in sys.argv[1:3])
    del sys.argv[1:3]
    unittest.main(verbosity=2)
