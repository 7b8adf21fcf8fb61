"""The real program as a native Wayland client, under real compositors
started here: sway (headless), which keeps nothing of an ended program's
clipboard, GNOME's mutter (headless), which keeps one type of it, cut at
4 MiB, KDE Plasma's KWin (on a virtual output), and Weston nested in the
test's own X server. Text put in and read back with wl-clipboard; clicks
from a virtual pointer on sway, from xdotool on Weston's window, and keys
from mutter's remote-desktop service and KWin's fake input.

Usage: wayland_test.py PROGRAM SEAT_WATCH_PROBE   (DISPLAY must name a test X server larger than 640 x 480)
"""
import fcntl
import glob
import json
import os
import pwd
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from klipper import Klipper  # noqa: E402
from wayland_clients import ClipboardReader, FakeKeyboard, SlowClipboardOwner, VirtualKeyboard, VirtualPointer  # noqa: E402
from x11 import COMMAND1, COMMAND2, COMMAND3, INITIAL_KEY, KEY, expected_cipher, wait_until  # noqa: E402

PROGRAM = KEEPER = PROBE = None
APP_ID = "org.brouillamine.Brouillamine"
TITLE = "   Clipboard Brouillamine      V 6.0"
HINT = "x-kde-passwordManagerHint"
LEFT_SHIFT = 42  # an evdev key code


def run(command, environment, seconds=5, **options):
    try:
        return subprocess.run([str(part) for part in command], env=environment, timeout=seconds, **options)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"{command[0]} did not end within {seconds} s") from None


def processes_of(executable, runtime):
    """Those of this test's compositor, whose runtime folder is `runtime`."""
    found = []
    for entry in Path("/proc").iterdir():
        try:
            if (entry.name.isdigit() and os.readlink(entry / "exe") == executable
                    and f"XDG_RUNTIME_DIR={runtime}".encode() in (entry / "environ").read_bytes().split(b"\0")):
                found.append(int(entry.name))
        except OSError:
            pass
    return found


class Compositor:
    """What every compositor's cases share: the program, wl-clipboard, the
    window. A compositor's fixture starts it and says how to click."""

    def setUp(self):
        self.processes = []  # each case's programs and copiers, ended with it
        self.program = None

    def tearDown(self):
        if self.program is not None and self.program.poll() is None:
            self.program.kill()
        # Nothing of ours outlives a case: another copy sends any keeper away.
        self.copy("fin")
        self.assertTrue(wait_until(lambda: not self.keepers(), 5), "a keeper outlived the clipboard")
        for process in self.processes:
            process.kill()
            process.wait()

    def keepers(self):
        return processes_of(KEEPER, self.runtime)

    def start(self, program=None):
        self.launch(program or PROGRAM)
        self.origin = wait_until(self.window_origin, 20)
        self.assertIsNotNone(self.origin, "the window did not show")

    def launch(self, program):
        # Its requests, logged by libwayland, tell when it has written: the
        # clipboard is not read before, as on Weston and mutter reading takes
        # the keyboard, and the program writes only with it.
        self.log = Path(tempfile.mkstemp(prefix="brouillamine-wayland-", suffix=".log")[1])
        self.addCleanup(self.log.unlink)
        with self.log.open("w") as log:
            self.program = subprocess.Popen([program], env=dict(self.environment, WAYLAND_DEBUG="client"),
                                            stderr=log)
        self.processes.append(self.program)

    def writes(self):
        return len(re.findall(r"wl_data_device@\d+\.set_selection\(wl_data_source", self.log.read_text(errors="replace")))

    def read_slowly(self, text):
        """The program started and CRYPTER pressed, while another program
        hands `text` over a byte at a time; that owner, once asked."""
        self.start()
        owner = SlowClipboardOwner(str(self.runtime), self.display, text)
        self.addCleanup(owner.close)
        self.click(COMMAND1)
        self.assertTrue(owner.asked.wait(5), "the program did not read the clipboard")
        return owner

    def message_shown(self):
        return 'set_title("Brouillamine")' in self.log.read_text(errors="replace")

    def click_until_written(self, command):
        before = self.writes()
        self.click(command)
        self.assertTrue(wait_until(lambda: self.writes() > before, 20), "the program did not write")

    def click(self, position):
        self.click_at(self.origin[0] + position[0], self.origin[1] + position[1])

    def copy(self, text, tries=1):
        # wl-copy serves until another client takes the clipboard, so it is not waited for.
        for _ in range(tries):
            copier = subprocess.Popen(["timeout", "60", "wl-copy", "--foreground"], env=self.environment,
                                      stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            copier.stdin.write(text.encode())
            copier.stdin.close()
            self.processes.append(copier)
            if wait_until(lambda: self.paste() == text.encode(), 10 // tries):
                return
        raise AssertionError("wl-copy did not take the clipboard")

    def paste(self, mime_type=None):
        result = run(["wl-paste", "--no-newline", *(["--type", mime_type] if mime_type else [])], self.environment,
                     seconds=20, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return result.stdout if result.returncode == 0 else None

    def types(self):
        result = run(["wl-paste", "--list-types"], self.environment, stdout=subprocess.PIPE,
                     stderr=subprocess.DEVNULL, text=True)
        return result.stdout.split()

    def pasted_becomes(self, expected):
        # Long enough for a build with the sanitizers on a loaded machine.
        return wait_until(lambda: self.paste() == expected and expected, 20) or self.paste()

    def run_command(self, command, plain):
        """Enciphers `plain`, or deciphers its cipher text, under the initial
        key; returns the result once on the clipboard."""
        cipher = expected_cipher(plain, INITIAL_KEY)
        self.copy(plain if command == COMMAND1 else cipher)
        self.click_until_written(command)
        result = (cipher if command == COMMAND1 else plain).encode()
        self.assertEqual(self.pasted_becomes(result), result)
        return result

    def assert_window_goes_at_once(self):
        self.assertTrue(wait_until(lambda: self.window_origin() is None, 1), "its window stayed")

    def assert_kept(self, types):
        """The window went, the program ended, and our keeper keeps the
        clipboard with the types it had: with data-control where the
        compositor offers it, else with a window of its own for a moment."""
        self.assertEqual(self.program.wait(timeout=5), 0)
        # The keeper of an earlier case may take a moment to leave.
        self.assertTrue(wait_until(lambda: len(self.keepers()) == 1, 5), "not one keeper")
        self.assertEqual(sorted(self.types()), sorted(types))  # mutter lists them in its own order

    def test_results_outlive_the_program_with_their_hint(self):
        for end in self.ends:
            for command, text in ((COMMAND1, "Bonjour à tous, 5 €"), (COMMAND2, "secret")):
                with self.subTest(end=end.__name__, command="CRYPTER" if command == COMMAND1 else "DECRYPTER"):
                    self.start()
                    result = self.run_command(command, text)
                    before = self.types()
                    self.assertEqual(HINT in before, command == COMMAND2)
                    end()
                    self.assert_window_goes_at_once()
                    self.assert_kept(before)
                    self.assertEqual(self.paste(), result)
                    if command == COMMAND2:
                        self.assertEqual(self.paste(HINT), b"secret")

    def test_five_mebibytes_outlive_the_program_whole(self):
        self.start()
        line = "Le cœur a ses raisons — l'été à Noël !!!\r\n"  # a multiple of the key's length
        count = (5 << 20) // len(line.encode())
        cipher = expected_cipher(line, INITIAL_KEY).encode() * count
        self.copy(line * count)
        self.click_until_written(COMMAND1)
        self.assertEqual(self.pasted_becomes(cipher), cipher)
        types = self.types()
        self.quit()
        self.assert_window_goes_at_once()
        self.assert_kept(types)
        self.assertEqual(self.paste(), cipher)
        if "ASAN_OPTIONS" in os.environ:
            return  # AddressSanitizer's own memory would count
        for keeper in self.keepers():  # the text and a few megabytes
            resident = int(Path(f"/proc/{keeper}/status").read_text().split("VmRSS:")[1].split()[0]) << 10
            self.assertLess(resident, len(cipher) + (8 << 20))

    def test_a_paste_never_read_holds_up_no_other(self):
        self.start()
        line = "Le cœur a ses raisons — l'été à Noël !!!\r\n"  # a multiple of the key's length
        cipher = self.run_command(COMMAND1, line * ((1 << 20) // len(line.encode())))
        types = self.types()
        self.quit()
        self.assert_window_goes_at_once()
        # Once the keeper serves: until then the program does, through Qt,
        # which writes a paste whole on its one thread.
        self.assert_kept(types)
        # A paste into a pipe nobody reads: wl-paste is held once it is full.
        stalled = subprocess.Popen(["wl-paste", "--no-newline"], env=self.environment, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(stalled)
        self.assertTrue(wait_until(lambda: pending(stalled.stdout) >= 1 << 16, 10), "the paste did not begin")
        self.assertEqual(self.paste(), cipher)
        self.copy("autre chose")
        self.assertTrue(self.keepers(), "the paste held up was cut short")
        stalled.stdout.close()  # and so its reader goes, whatever wl-paste runs to copy it out
        self.assertTrue(wait_until(lambda: not self.keepers(), 5), "the keeper stayed after its last paste")

    def test_a_copy_made_before_the_end_is_kept(self):
        self.start()
        self.run_command(COMMAND1, "Bonjour")
        self.copy("plus récent")
        self.quit()
        self.assertEqual(self.program.wait(timeout=5), 0)
        self.assertFalse(self.keepers())
        self.assertEqual(self.paste(), "plus récent".encode())

    def test_nothing_of_ours_is_left_after_another_copy(self):
        self.start()
        self.run_command(COMMAND1, "Bonjour")
        self.quit()
        self.assert_window_goes_at_once()
        self.copy("autre chose")
        self.assertTrue(wait_until(lambda: self.program.poll() is not None and not self.keepers(), 5),
                        "the program or its keeper stayed")
        self.assertEqual(self.program.wait(), 0)

    # Repeated, as a hang or a crash at the end came about one exit in twenty.
    exit_runs = 20

    def test_quitter_ends_at_once_every_time(self):
        for attempt in range(self.exit_runs):
            with self.subTest(attempt=attempt):
                self.start()
                cipher = self.run_command(COMMAND1, f"Essai {attempt}")
                types = self.types()
                self.quit()
                self.assert_window_goes_at_once()
                self.assert_kept(types)
                self.assertEqual(self.paste(), cipher)
                self.copy("suivant")
                self.assertTrue(wait_until(lambda: self.program.poll() is not None and not self.keepers(), 5),
                                f"something of ours stayed, exit {attempt + 1} of {self.exit_runs}")

    def quit(self):
        self.click(COMMAND3)


class DataControl:
    """Where another program may copy while ours has the keyboard: with
    data-control, as clipboard managers and scripts do."""

    def test_a_copy_made_during_the_read_is_kept(self):
        # A key pressed meanwhile gives the program an input serial newer
        # than the copy's, with which sway would take its write; KWin takes any.
        owner = self.read_slowly("Bonjour, " * 50)
        # Not read back: the read would come while the owner dribbles.
        copier = subprocess.Popen(["timeout", "60", "wl-copy", "--foreground", "plus récent"], env=self.environment,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(copier)
        self.assertTrue(owner.cancelled.wait(5), "wl-copy did not take the clipboard")
        self.press("Shift")
        owner.released.set()
        self.assertTrue(wait_until(self.message_shown, 5), "no message was shown")
        self.assertEqual(self.paste(), "plus récent".encode())
        self.assertIsNone(self.program.poll())


class Sway(DataControl, Compositor, unittest.TestCase):
    """wlroots keeps nothing of an ended program's clipboard, and offers
    data-control: the keeper keeps it with no window."""

    @classmethod
    def setUpClass(cls):
        cls.runtime = Path(tempfile.mkdtemp(prefix="brouillamine-sway-"))
        (cls.runtime / "config").write_text("xwayland disable\ndefault_floating_border none\n"
                                            "output HEADLESS-1 resolution 800x600\n")
        # sway refuses to run as root: CI's tests run it as nobody.
        user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.getuid() == 0 else []
        if user:
            owner = pwd.getpwnam("nobody")
            for path in (cls.runtime, cls.runtime / "config"):
                os.chown(path, owner.pw_uid, owner.pw_gid)
        cls.runtime.chmod(0o700)
        cls.sway = subprocess.Popen(
            [*user, "env", "-i", f"PATH={os.environ['PATH']}", f"HOME={cls.runtime}", f"XDG_RUNTIME_DIR={cls.runtime}",
             "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
             "sway", "-c", str(cls.runtime / "config")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: glob.glob(str(cls.runtime / "sway-ipc.*.sock")) and glob.glob(
                str(cls.runtime / "wayland-*[0-9]")) or cls.sway.poll() is not None):
            cls.sway.kill()
            raise AssertionError("sway did not start")
        socket_path = glob.glob(str(cls.runtime / "wayland-*[0-9]"))[0]
        cls.environment = dict(os.environ, XDG_RUNTIME_DIR=str(cls.runtime), WAYLAND_DISPLAY=Path(socket_path).name,
                               SWAYSOCK=glob.glob(str(cls.runtime / "sway-ipc.*.sock"))[0],
                               QT_QPA_PLATFORM="wayland")
        cls.environment.pop("DISPLAY", None)
        output = json.loads(run(["swaymsg", "-t", "get_outputs"], cls.environment, stdout=subprocess.PIPE).stdout)[0]
        cls.display = Path(socket_path).name
        cls.pointer = VirtualPointer(str(cls.runtime), cls.display, output["rect"]["width"], output["rect"]["height"])
        cls.keyboard = VirtualKeyboard(str(cls.runtime), cls.display)

    @classmethod
    def tearDownClass(cls):
        cls.pointer.close()
        cls.keyboard.close()
        cls.sway.terminate()
        cls.sway.wait(timeout=5)

    def setUp(self):
        super().setUp()
        self.ends = (self.quit, self.close)

    def windows(self):
        """The program's windows by title, with the top-left corners of their contents."""
        found = {}

        def walk(node):
            if node.get("app_id") == APP_ID:
                found[node["name"]] = (node["rect"]["x"] + node["window_rect"]["x"],
                                       node["rect"]["y"] + node["window_rect"]["y"])
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(json.loads(run(["swaymsg", "-t", "get_tree"], self.environment, stdout=subprocess.PIPE).stdout))
        return found

    def window_origin(self):
        return self.windows().get(TITLE)

    def press(self, name):
        self.keyboard.press({"Shift": LEFT_SHIFT}[name])

    def click_at(self, x, y):
        self.pointer.click(x, y)

    def close(self):
        run(["swaymsg", f"[app_id={APP_ID}]", "kill"], self.environment, stdout=subprocess.DEVNULL)

    def test_without_a_keeper_the_program_serves_the_clipboard_itself(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        shutil.copy(PROGRAM, folder)
        self.start(Path(folder) / Path(PROGRAM).name)
        cipher = self.run_command(COMMAND1, "Bonjour")
        types = self.types()
        self.quit()
        self.assert_window_goes_at_once()
        self.assertIsNone(self.program.poll(), "the program ended and left the clipboard to chance")
        self.assertEqual((self.paste(), self.types()), (cipher, types))
        self.copy("autre chose")
        self.assertEqual(self.program.wait(timeout=5), 0)

    def test_no_write_is_made_once_the_window_has_lost_the_keyboard(self):
        # sway would take it; mutter would ignore it in silence.
        text = "Bonjour, " * 50
        owner = self.read_slowly(text)
        run(["swaymsg", "workspace", "2"], self.environment, stdout=subprocess.DEVNULL)
        self.addCleanup(run, ["swaymsg", "workspace", "1"], self.environment, stdout=subprocess.DEVNULL)
        owner.released.set()
        self.assertTrue(wait_until(self.message_shown, 5), "no message was shown")
        self.assertEqual(self.paste(), text.encode())

    def test_a_write_the_compositor_ignores_is_said(self):
        # The very text read, copied again during the read with a newer
        # serial than any the program has: sway ignores its write.
        text = "Bonjour, " * 50
        owner = self.read_slowly(text)
        again = SlowClipboardOwner(str(self.runtime), self.display, text)
        again.released.set()
        self.addCleanup(again.close)
        self.assertTrue(owner.cancelled.wait(5), "the second copy was not made")
        owner.released.set()
        self.assertTrue(wait_until(self.message_shown, 5), "no message was shown")
        self.assertEqual(self.paste(), text.encode())

    def test_the_seat_watch_hears_the_keyboard_come_and_go(self):
        probe = subprocess.Popen([PROBE], env=self.environment, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                 text=True)
        self.processes.append(probe)
        self.addCleanup(probe.stdin.close)
        self.addCleanup(probe.stdout.close)

        def heard():
            probe.stdin.write("?\n")
            probe.stdin.flush()
            return probe.stdout.readline().strip() if select.select([probe.stdout], [], [], 5)[0] else "no answer"

        self.assertTrue(wait_until(lambda: heard() == "keyboard", 10), "the window never had the keyboard")
        for workspace, expected in (("2", "none"), ("1", "keyboard")):
            with self.subTest(workspace=workspace):
                run(["swaymsg", "workspace", workspace], self.environment, stdout=subprocess.DEVNULL)
                self.assertEqual(heard(), expected)

    def hand_to_keeper(self, text, secret=False):
        """Starts the keeper on `text`, as the program does at its end; returns its answer."""
        keeper = subprocess.Popen([KEEPER], env=self.environment, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.processes.append(keeper)
        data = text.encode()
        keeper.stdin.write(f"{'secret' if secret else 'plain'} {len(data)} 0\n".encode() + data)
        keeper.stdin.close()
        answered = select.select([keeper.stdout], [], [], 5)[0]
        answer = keeper.stdout.readline().decode() if answered else "nothing within 5 s"
        keeper.stdout.close()
        return answer

    def own_clipboard(self, text):
        """Another program's copy of `text`, handed over at once and never
        offered anew: with wl-copy's, a new offer now and then comes as the
        keeper reads it back, a newer copy that the keeper rightly gives way to."""
        owner = SlowClipboardOwner(str(self.runtime), self.display, text)
        owner.released.set()
        self.addCleanup(owner.close)
        self.assertTrue(wait_until(lambda: self.paste() == text.encode(), 5), "the copy was not made")

    def test_the_keeper_takes_only_its_very_text(self):
        for handed, answer in (("Bonjour à tous", "superseded\n"), ("Bonjou", "superseded\n"),
                               ("Bonjour", "ok\n")):
            with self.subTest(handed=handed):
                self.own_clipboard("Bonjour")
                self.assertEqual(self.hand_to_keeper(handed), answer)
                self.assertEqual(self.paste(), b"Bonjour")
                if answer == "ok\n":
                    self.assertEqual(len(self.keepers()), 1)
                else:
                    self.assertTrue(wait_until(lambda: not self.keepers(), 5), "a superseded keeper stayed")

    def test_a_keeper_too_slow_to_read_the_text_back_leaves_it_to_the_program(self):
        # As on a busy machine: the program, which still serves it, is
        # then to serve on rather than end with its text.
        owner = SlowClipboardOwner(str(self.runtime), self.display, "Bonjour", pace=1.5)
        self.addCleanup(owner.close)
        self.assertEqual(self.hand_to_keeper("Bonjour"), "unable\n")
        owner.released.set()
        self.assertTrue(wait_until(lambda: not self.keepers(), 5), "the keeper stayed")
        self.assertEqual(self.paste(), b"Bonjour")

    def test_the_keeper_serves_only_what_was_offered(self):
        self.own_clipboard("Bonjour")
        self.assertEqual(self.hand_to_keeper("Bonjour"), "ok\n")
        reader = ClipboardReader(str(self.runtime), self.display)
        self.addCleanup(reader.close)
        for mime_type, served in (("text/plain", b"Bonjour"), ("image/png", b""), (HINT, b"")):
            with self.subTest(mime_type=mime_type):
                self.assertEqual(read_to_the_end(reader.receive(mime_type)), served)

    def test_a_paste_begun_ends_whole_however_slow_and_whatever_is_copied(self):
        text = "0123456789abcdef" * (1 << 16)
        self.own_clipboard(text)
        self.assertEqual(self.hand_to_keeper(text), "ok\n")
        reader = ClipboardReader(str(self.runtime), self.display)
        self.addCleanup(reader.close)
        pipe = reader.receive("text/plain")
        begun = os.read(pipe, 1 << 16)
        self.copy("autre chose")
        time.sleep(12)  # a reader busy elsewhere, longer than any patience
        self.assertEqual(begun + read_to_the_end(pipe), text.encode())
        self.assertTrue(wait_until(lambda: not self.keepers(), 5), "the keeper stayed after its last paste")


def pending(pipe):
    """The bytes waiting in `pipe` to be read."""
    return struct.unpack("i", fcntl.ioctl(pipe, termios.FIONREAD, b"\0" * 4))[0]


def read_to_the_end(pipe, seconds=5):
    """All that comes through `pipe` until its writer closes it, which must be within `seconds`."""
    data = b""
    with os.fdopen(pipe, "rb", buffering=0) as reading:
        while select.select([reading], [], [], seconds)[0]:
            chunk = reading.read(1 << 16)
            if not chunk:
                return data
            data += chunk
    raise AssertionError(f"the paste did not end within {seconds} s")


WESTON_CONFIG = """[core]
idle-time=0
[shell]
locking=false
[input-method]
path=
"""


class Weston(Compositor, unittest.TestCase):
    """Weston offers no data-control, and takes the clipboard of a program
    that ends while it owns it, keeping a copy of its first type only: the
    keeper takes it first."""

    @classmethod
    def setUpClass(cls):
        cls.runtime = Path(tempfile.mkdtemp(prefix="brouillamine-weston-"))
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
        super().setUp()
        self.ends = (self.quit,)

    def window_origin(self):
        """The top-left corner of the client area of the program's window, from Weston's scene graph."""
        scene = run(["weston-debug", "scene-graph"], self.environment, stdout=subprocess.PIPE, text=True).stdout
        found = re.search(r"top-level window '" + re.escape(TITLE) + r"'.*?\n.*?\n\s*\[opaque: \((\d+), (\d+)\)",
                          scene)
        return (int(found[1]), int(found[2])) if found else None

    def click_at(self, x, y):
        # Weston turns X motion into relative motion and loses the first move:
        # leave its window and come back before each click.
        run(["xdotool", "mousemove", 1000, 700, "sleep", 0.05, "mousemove", x, y, "click", 1], None)

    def type_key(self, key):
        self.click(KEY)
        run(["xdotool", "key", "ctrl+a", "BackSpace", *(["type", key] if key else [])], None)

    def test_round_trip_under_a_typed_key(self):
        self.start()
        text = "Le cœur à l'été, 5 €"
        self.type_key("Secret42")
        self.copy(text)
        self.click(COMMAND1)
        cipher = expected_cipher(text, "Secret42").encode()
        self.assertEqual(self.pasted_becomes(cipher), cipher)
        self.click(COMMAND2)
        self.assertEqual(self.pasted_becomes(text.encode()), text.encode())

    def test_an_empty_key_is_refused_and_the_clipboard_kept(self):
        self.start()
        self.copy("Bonjour")
        self.type_key("")
        self.click(COMMAND1)
        self.assertTrue(wait_until(lambda: re.search(r"top-level window 'Brouillamine'", run(
            ["weston-debug", "scene-graph"], self.environment, stdout=subprocess.PIPE, text=True).stdout), 5),
            "no message was shown")
        self.assertEqual(self.paste(), b"Bonjour")
        self.assertIsNone(self.program.poll())


# Where Tab takes the focus, in turn from Command1, which has it at start.
TAB_ORDER = [COMMAND1, KEY, COMMAND2, COMMAND3]


class KeyboardDriven(Compositor):
    """A compositor whose input comes from a keyboard of the test's own
    only, and that tells no one where windows are: buttons are pressed with
    Tab and Enter, and the window's going is not seen. A fixture gives the
    codes of its keys, as `KEYS`, and `key`."""
    exit_runs = 5  # the crash at the end was sway's; each run here takes seconds of keys

    def setUp(self):
        super().setUp()
        self.ends = (self.quit, self.close)

    def press(self, name, *held):
        self.key(self.KEYS[name], *(self.KEYS[other] for other in held))

    def start(self):
        self.launch(PROGRAM)
        self.focus = 0
        # Keys sent before the window shows are lost: it is up once Enter enciphers.
        self.copy("prêt")
        self.assertTrue(any(self.press("Return") or wait_until(lambda: self.writes() > 0, 2) for _ in range(10)),
                        "the window did not show")

    def window_origin(self):
        return None

    def copy(self, text):
        # mutter lets only the client with the keyboard set the clipboard, and
        # a window that shows meanwhile takes the keyboard from wl-copy.
        super().copy(text, tries=5)

    def click(self, position):
        # wl-paste too takes the keyboard for a moment, to be let read.
        time.sleep(0.5)
        target = TAB_ORDER.index(position)
        for _ in range((target - self.focus) % (len(TAB_ORDER) + 1)):
            self.press("Tab")
        self.focus = target
        self.press("Return")

    def close(self):
        self.press("F4", "Alt")


class Mutter(KeyboardDriven, unittest.TestCase):
    """mutter offers no data-control, and keeps one type of an ended
    program's clipboard, cut at 4 MiB: the keeper takes it first. Its input
    comes only from its remote-desktop service."""
    KEYS = {"Tab": 0xFF09, "Return": 0xFF0D, "Shift": 0xFFE1, "Alt": 0xFFE9, "F4": 0xFFC1}  # X keysyms

    @classmethod
    def setUpClass(cls):
        import dbus  # only here: the other fixtures do without it
        cls.runtime = Path(tempfile.mkdtemp(prefix="brouillamine-mutter-"))
        cls.runtime.chmod(0o700)
        cls.bus_daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = cls.bus_daemon.stdout.readline().strip()
        cls.environment = dict(os.environ, XDG_RUNTIME_DIR=str(cls.runtime), DBUS_SESSION_BUS_ADDRESS=address,
                               WAYLAND_DISPLAY="wayland-0", QT_QPA_PLATFORM="wayland")
        cls.environment.pop("DISPLAY", None)
        cls.mutter = subprocess.Popen(["mutter", "--headless", "--wayland", "--no-x11", "--virtual-monitor", "800x600"],
                                      env=cls.environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        bus = dbus.bus.BusConnection(address)

        def session():
            try:
                return bus.get_object("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop") \
                    .CreateSession(dbus_interface="org.gnome.Mutter.RemoteDesktop")
            except dbus.DBusException:
                return None

        path = wait_until(session, 10)
        if path is None:
            cls.tearDownClass()
            raise AssertionError("mutter did not start")
        cls.desktop = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                                     "org.gnome.Mutter.RemoteDesktop.Session")
        cls.desktop.Start()
        cls.key(cls.KEYS["Shift"])  # the seat has no keyboard before its first key

    @classmethod
    def tearDownClass(cls):
        for process in (cls.mutter, cls.bus_daemon):
            process.terminate()
            process.wait(timeout=5)
        cls.bus_daemon.stdout.close()

    @classmethod
    def key(cls, keysym, *held):
        for modifier in held:
            cls.desktop.NotifyKeyboardKeysym(modifier, True)
        cls.desktop.NotifyKeyboardKeysym(keysym, True)
        cls.desktop.NotifyKeyboardKeysym(keysym, False)
        for modifier in held:
            cls.desktop.NotifyKeyboardKeysym(modifier, False)
        time.sleep(0.1)  # keys sent closer together are lost now and then


class KWin(DataControl, KeyboardDriven, unittest.TestCase):
    """KDE Plasma's KWin, on a virtual output, offers data-control: the keeper
    keeps the clipboard with no window. Keys come from its fake input."""
    KEYS = {"Tab": 15, "Return": 28, "Shift": LEFT_SHIFT, "Alt": 56, "F4": 62}  # evdev key codes
    display = "wayland-kwin"

    @classmethod
    def setUpClass(cls):
        cls.runtime = Path(tempfile.mkdtemp(prefix="brouillamine-kwin-"))
        cls.runtime.chmod(0o700)
        # Debian gives kwin_wayland a file capability that a container
        # refuses: a copy has none, and keeps the name KWin looks for.
        (cls.runtime / "bin").mkdir()
        shutil.copy("/usr/bin/kwin_wayland", cls.runtime / "bin")
        (cls.runtime / "home").mkdir()
        cls.bus_daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = cls.bus_daemon.stdout.readline().strip()
        cls.environment = dict(os.environ, XDG_RUNTIME_DIR=str(cls.runtime), DBUS_SESSION_BUS_ADDRESS=address,
                               HOME=str(cls.runtime / "home"), WAYLAND_DISPLAY="wayland-kwin",
                               QT_QPA_PLATFORM="wayland")
        cls.environment.pop("DISPLAY", None)
        cls.kwin = subprocess.Popen(
            [cls.runtime / "bin" / "kwin_wayland", "--virtual", "--no-lockscreen",
             "--no-kactivities", "--socket", "wayland-kwin", "--width", "800", "--height", "600"],
            env=dict(cls.environment, KWIN_WAYLAND_NO_PERMISSION_CHECKS="1", QT_QPA_PLATFORM="offscreen"),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: (cls.runtime / "wayland-kwin").exists() or cls.kwin.poll() is not None, 10) \
                or cls.kwin.poll() is not None:
            cls.tearDownClass()
            raise AssertionError("KWin did not start")
        cls.keyboard = FakeKeyboard(str(cls.runtime), "wayland-kwin")

    @classmethod
    def tearDownClass(cls):
        for process in (cls.kwin, cls.bus_daemon):
            process.terminate()
            process.wait(timeout=5)
        cls.bus_daemon.stdout.close()

    @classmethod
    def key(cls, code, *held):
        cls.keyboard.press(code, *held)
        time.sleep(0.1)

    def test_klipper_keeps_no_deciphered_text_and_puts_nothing_older_back(self):
        klipper = Klipper(self.environment)
        self.addCleanup(klipper.close)
        self.start()
        plain = self.run_command(COMMAND2, "secret")
        self.assertTrue(klipper.hears(expected_cipher("secret", INITIAL_KEY)), "Klipper heard no copy")
        types = self.types()
        self.quit()
        self.assert_kept(types)
        self.assertEqual(self.paste(), plain)
        self.copy("fin")
        self.assertTrue(klipper.hears("fin"), "Klipper heard no later copy")
        self.assertNotIn(plain.decode(), klipper.history())


if __name__ == "__main__":
    PROGRAM, PROBE = (os.path.abspath(path) for path in sys.argv[1:3])
    KEEPER = str(Path(PROGRAM).with_name("brouillamine-wayland-keeper"))
    del sys.argv[1:3]
    unittest.main(verbosity=2)
