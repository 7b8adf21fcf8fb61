"""The web app's server on 127.0.0.1, and the three engines that show it,
each a real browser (not headless, so that it uses the X server's
clipboard) allowed to read and write the clipboard, or with `own_rules`
under the browser's own clipboard rules, behind one small interface."""
import functools
import http.server
import shutil
import socket
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionBuilder
from selenium.webdriver.common.actions.mouse_button import MouseButton
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.webkitgtk.options import Options as WebKitOptions

from marionette import Firefox

MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"  # WebDriver's key of an element reference


class Server:
    """Serves `folder` (which may change) in a thread, and counts its requests.
    With `no_store`, the browser keeps nothing in its HTTP cache. Each server
    has a port that no earlier one of the run had: an origin of its own, with
    no service worker or cache of an earlier case."""

    ports_taken = set()

    def __init__(self, folder, no_store=False):
        self.requests = 0
        self.folder = folder
        self.failing = None  # an error status to answer every request with
        self.dropping = set()  # paths whose connection is cut before any answer
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *arguments, **options):
                super().__init__(*arguments, directory=server.folder, **options)

            def send_head(self):
                if self.path.split("?")[0] in server.dropping:
                    self.close_connection = True
                    self.connection.shutdown(socket.SHUT_RDWR)
                    return None
                if server.failing:
                    self.send_error(server.failing)
                    return None
                return super().send_head()

            def end_headers(self):
                if no_store:
                    self.send_header("Cache-Control", "no-store")
                super().end_headers()

            def log_message(self, *arguments):
                server.requests += 1

        refused = []
        while True:
            self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
            if self.httpd.server_address[1] not in Server.ports_taken:
                break
            refused.append(self.httpd)
        for httpd in refused:
            httpd.server_close()
        Server.ports_taken.add(self.httpd.server_address[1])
        self.url = f"http://127.0.0.1:{self.httpd.server_address[1]}/"
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class SeleniumBrowser:
    """Chromium or WebKit, through their WebDriver."""

    def __init__(self, driver):
        self.driver = driver
        driver.set_page_load_timeout(20)
        driver.set_script_timeout(120)

    def allow_clipboard(self, origin):
        pass

    def open(self, url):
        self.driver.get(url)

    def script(self, source, *arguments):
        return self.driver.execute_script(source, *arguments)

    def async_script(self, source, *arguments):
        return self.driver.execute_async_script(source, *arguments)

    def click(self, name):
        self.driver.find_element(By.ID, name).click()

    def paste_into(self, name):
        self.driver.find_element(By.ID, name).send_keys(Keys.CONTROL, "v")

    def middle_click(self, name):
        actions = ActionBuilder(self.driver)
        actions.pointer_action.move_to(self.driver.find_element(By.ID, name))
        actions.pointer_action.pointer_down(MouseButton.MIDDLE).pointer_up(MouseButton.MIDDLE)
        actions.perform()

    def label(self, name):
        """The element's name, as the browser computes it for assistive technologies."""
        return self.driver.find_element(By.ID, name).accessible_name

    def role(self, name):
        return self.driver.find_element(By.ID, name).aria_role

    def switch_to_frame(self, name):
        self.driver.switch_to.frame(self.driver.find_element(By.ID, name))

    def switch_to_parent(self):
        self.driver.switch_to.parent_frame()

    def windows(self):
        return self.driver.window_handles

    def switch_to(self, window):
        self.driver.switch_to.window(window)

    def close_window(self):
        self.driver.close()

    def quit(self):
        self.driver.quit()


class Chromium(SeleniumBrowser):
    def __init__(self, own_rules=False):
        self.profile = tempfile.mkdtemp(prefix="brouillamine-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--no-sandbox", f"--user-data-dir={self.profile}", "--no-first-run", "--disable-gpu",
                         "--disable-background-networking", "--disable-component-update", "--disable-sync",
                         "--password-store=basic", "--window-size=800,600"):
            options.add_argument(argument)
        super().__init__(webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options))
        if not own_rules:
            # Otherwise writeText wants the focus.
            self.driver.execute_cdp_cmd("Emulation.setFocusEmulationEnabled", {"enabled": True})

    def allow_clipboard(self, origin):
        # Otherwise readText waits at a prompt.
        self.driver.execute_cdp_cmd("Browser.grantPermissions", {
            "origin": origin.rstrip("/"), "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})

    def quit(self):
        super().quit()
        shutil.rmtree(self.profile, ignore_errors=True)


class WebKit(SeleniumBrowser):
    def __init__(self, own_rules=False):
        options = WebKitOptions()
        options.binary_location = MINIBROWSER
        options.add_argument("--automation")
        if not own_rules:
            # Lets pages read the clipboard with no permission bar.
            options.add_argument("--javascript-can-access-clipboard=true")
        super().__init__(webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options))


class FirefoxBrowser:
    """Firefox through Marionette; its profile lets pages read the clipboard
    with no « Coller » menu, but with `own_rules`."""

    def __init__(self, own_rules=False):
        self.firefox = Firefox(clipboard_unguarded=not own_rules)
        self.firefox.command("WebDriver:SetTimeouts", {"script": 120000, "pageLoad": 20000})

    def allow_clipboard(self, origin):
        pass

    def open(self, url):
        self.firefox.command("WebDriver:Navigate", {"url": url})

    def script(self, source, *arguments):
        return self.firefox.command("WebDriver:ExecuteScript", {"script": source, "args": list(arguments)})

    def async_script(self, source, *arguments):
        return self.firefox.command("WebDriver:ExecuteAsyncScript", {"script": source, "args": list(arguments)})

    def element(self, name):
        return self.firefox.command("WebDriver:FindElement", {"using": "css selector", "value": f"#{name}"})[ELEMENT]

    def click(self, name):
        self.firefox.command("WebDriver:ElementClick", {"id": self.element(name)})

    def paste_into(self, name):
        self.firefox.command("WebDriver:ElementSendKeys", {"id": self.element(name), "text": Keys.CONTROL + "v"})

    def middle_click(self, name):
        self.firefox.command("WebDriver:PerformActions", {"actions": [{
            "type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
            "actions": [{"type": "pointerMove", "origin": {ELEMENT: self.element(name)}, "x": 0, "y": 0},
                        {"type": "pointerDown", "button": 1}, {"type": "pointerUp", "button": 1}]}]})
        self.firefox.command("WebDriver:ReleaseActions")

    def label(self, name):
        return self.firefox.command("WebDriver:GetComputedLabel", {"id": self.element(name)})

    def role(self, name):
        return self.firefox.command("WebDriver:GetComputedRole", {"id": self.element(name)})

    def switch_to_frame(self, name):
        self.firefox.command("WebDriver:SwitchToFrame", {"element": self.element(name)})

    def switch_to_parent(self):
        self.firefox.command("WebDriver:SwitchToParentFrame")

    def windows(self):
        return self.firefox.command("WebDriver:GetWindowHandles")

    def switch_to(self, window):
        self.firefox.command("WebDriver:SwitchToWindow", {"handle": window})

    def close_window(self):
        self.firefox.command("WebDriver:CloseWindow")

    def quit(self):
        self.firefox.quit()
