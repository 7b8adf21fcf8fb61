"""A static server of the web app on 127.0.0.1, and a real Chromium (not
headless, so that it uses the X server's clipboard) allowed to read and
write the clipboard of that server's pages."""
import functools
import http.server
import shutil
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


class Server:
    """Serves `folder` in a thread, and counts its requests."""

    def __init__(self, folder):
        self.requests = 0
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *arguments):
                server.requests += 1

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.url = f"http://127.0.0.1:{self.httpd.server_address[1]}/"
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def start_chromium(origin, cleanups):
    """Chromium driven by chromedriver; `cleanups` (a list) gets what ends it."""
    profile = tempfile.mkdtemp(prefix="brouillamine-chromium-")
    cleanups.append(lambda: shutil.rmtree(profile, ignore_errors=True))
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--no-sandbox", f"--user-data-dir={profile}", "--no-first-run", "--disable-gpu",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--password-store=basic", "--window-size=800,600"):
        options.add_argument(argument)
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    cleanups.append(browser.quit)
    browser.set_page_load_timeout(20)
    browser.set_script_timeout(120)
    # Otherwise readText waits at a prompt, and writeText wants the focus.
    browser.execute_cdp_cmd("Browser.grantPermissions", {
        "origin": origin.rstrip("/"), "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
    browser.execute_cdp_cmd("Emulation.setFocusEmulationEnabled", {"enabled": True})
    return browser
