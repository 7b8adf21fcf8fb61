"""Klipper, KDE Plasma's clipboard history, started with a home and a
session bus of its own, its history read over D-Bus. Its
getClipboardContents answers with its newest entry, not the live clipboard:
only the history tells what it kept."""
import re
import shutil
import subprocess
import tempfile

from x11 import wait_until


class Klipper:
    def __init__(self, environment):
        self.home = tempfile.mkdtemp(prefix="brouillamine-klipper-")
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.environment = dict(environment, HOME=self.home, DBUS_SESSION_BUS_ADDRESS=self.bus.stdout.readline().strip())
        self.process = subprocess.Popen(["klipper"], env=self.environment, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        if wait_until(lambda: self.history() is not None, 20) is None:
            self.close()
            raise AssertionError("Klipper did not start")

    def close(self):
        for process in (self.process, self.bus):
            process.terminate()
            process.wait(timeout=5)
        self.bus.stdout.close()
        shutil.rmtree(self.home, ignore_errors=True)

    def history(self):
        """The texts in its history, newest first; None while it does not answer."""
        try:
            reply = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.kde.klipper", "/klipper",
                                    "org.kde.klipper.klipper.getClipboardHistoryMenu"], env=self.environment,
                                   capture_output=True, text=True, timeout=5)
        except subprocess.TimeoutExpired:
            return None
        if reply.returncode != 0:
            return None
        return re.findall(r'^\s*string "(.*)"$', reply.stdout, re.MULTILINE)

    def hears(self, text):
        """Whether `text` reaches its history within a few seconds."""
        return bool(wait_until(lambda: text in (self.history() or []), 10))
