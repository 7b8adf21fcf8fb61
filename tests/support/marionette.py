"""Firefox driven through Marionette, its own remote protocol (Debian has no
geckodriver): length-prefixed JSON over TCP, WebDriver's commands."""
import json
import shutil
import socket
import subprocess
import tempfile
import time

FIREFOX_SECONDS = 40


class Firefox:
    """With `clipboard_unguarded`, pages read the clipboard with no « Paste » menu."""

    def __init__(self, clipboard_unguarded=True):
        self.profile = tempfile.mkdtemp(prefix="brouillamine-firefox-")
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        prefs = {"marionette.port": port, "dom.events.testing.asyncClipboard": clipboard_unguarded,
                 "browser.shell.checkDefaultBrowser": False, "browser.aboutwelcome.enabled": False,
                 "datareporting.policy.dataSubmissionEnabled": False, "app.update.disabledForTesting": True,
                 "browser.startup.homepage_override.mstone": "ignore", "browser.tabs.warnOnClose": False,
                 "toolkit.telemetry.reportingpolicy.firstRun": False, "network.proxy.type": 0}
        with open(f"{self.profile}/user.js", "w") as user:
            user.writelines(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n" for name, value in prefs.items())
        self.process = subprocess.Popen(
            ["firefox-esr", "--marionette", "--remote-allow-system-access", "--no-remote", "--new-instance",
             "--profile", self.profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + FIREFOX_SECONDS
        while True:
            try:
                self.socket = socket.create_connection(("127.0.0.1", port), timeout=60)
                break
            except OSError:
                if time.monotonic() > deadline:
                    self.quit()
                    raise AssertionError(f"Firefox did not answer within {FIREFOX_SECONDS} s") from None
                time.sleep(0.2)
        self.stream = self.socket.makefile("rb")
        self.next_id = 0
        self.receive()  # the server's greeting
        self.command("WebDriver:NewSession", {"capabilities": {"alwaysMatch": {"acceptInsecureCerts": True}}})

    def receive(self):
        length = b""
        while not length.endswith(b":"):
            byte = self.stream.read(1)
            if not byte:
                raise AssertionError("Firefox closed its Marionette connection")
            length += byte
        return json.loads(self.stream.read(int(length[:-1])))

    def command(self, name, parameters=None):
        self.next_id += 1
        data = json.dumps([0, self.next_id, name, parameters or {}]).encode()
        self.socket.sendall(b"%d:%s" % (len(data), data))
        _, _, error, result = self.receive()
        if error:
            raise AssertionError(f"{name}: {error.get('error')}: {error.get('message')}")
        return result.get("value") if isinstance(result, dict) else result

    def quit(self):
        self.stream.close()
        self.socket.close()
        self.process.kill()
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)
