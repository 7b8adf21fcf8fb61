"""The web app in a real Chromium, not headless, on the test's own X server,
so that the page uses the real X11 clipboard: text put in with xclip, the
buttons clicked, the result read back with xclip.

Usage: web_test.py SITE   (DISPLAY must name a test X server)
"""
import base64
import os
import sys
import time
import unittest
from pathlib import Path

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from chromium import Server, start_chromium  # noqa: E402
from x11 import INITIAL_KEY, clipboard_becomes, expected_cipher, xclip_get, xclip_put  # noqa: E402

SITE = None
TITLE = "   Clipboard Brouillamine      V 6.0"


class Page(unittest.TestCase):
    def setUp(self):
        self.server = Server(SITE)
        self.addCleanup(self.server.stop)
        cleanups = []
        self.addCleanup(lambda: [cleanup() for cleanup in reversed(cleanups)])
        self.browser = start_chromium(self.server.url, cleanups)
        self.open()

    def open(self):
        self.browser.get(self.server.url)
        # The title as set, with its blanks: document.title would collapse them.
        WebDriverWait(self.browser, 20).until(
            lambda browser: browser.execute_script("return document.querySelector('title').text") == TITLE,
            "the page was not built")

    def element(self, name):
        return self.browser.find_element(By.ID, name)

    def set_key(self, key):
        field = self.element("key")
        field.clear()
        field.send_keys(key)

    def message(self):
        """The message shown in the page's dialog, once it is open."""
        WebDriverWait(self.browser, 10).until(lambda browser: self.element("message").get_attribute("open"),
                                              "no message was shown")
        return self.element("messageText").text

    def test_the_window(self):
        self.assertEqual(self.browser.switch_to.active_element.get_attribute("id"), "Command1")
        # In the panel's own pixels, whatever its scale on this screen.
        places = self.browser.execute_script(
            "const panel = document.getElementById('Form1').getBoundingClientRect();"
            "const scale = panel.width / 290;"
            "return Object.fromEntries(Array.from(document.getElementById('Form1').children, (element) => {"
            "  const place = element.getBoundingClientRect();"
            "  return [element.id, [place.left - panel.left, place.top - panel.top, place.width, place.height]"
            "    .map((length) => Math.round(length / scale))];"
            "}));")
        self.assertEqual(places, {"Command1": [16, 8, 97, 33], "key": [16, 56, 137, 19],
                                  "Command2": [176, 8, 97, 33], "Label1": [112, 88, 161, 41],
                                  "Command3": [192, 56, 73, 25], "Command4": [8, 88, 73, 25]})
        self.assertEqual(self.element("Command1").text, "CRYPTER le\npresse-papier")
        self.assertEqual(self.browser.execute_script("return document.documentElement.lang"), "fr")

    def test_round_trip_under_a_typed_key_with_accents(self):
        text, key = "Le cœur à l'été, 5 € — « voilà »\nFin", "clé"
        self.set_key(key)
        xclip_put(text.encode())
        self.element("Command1").click()
        cipher = expected_cipher(text, key).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)
        self.element("Command2").click()
        self.assertEqual(clipboard_becomes(text.encode()), text.encode())

    def test_a_refusal_is_shown_and_the_clipboard_kept(self):
        xclip_put(b"999")
        self.element("Command2").click()
        self.assertIn("« 999 »", self.message())
        self.assertEqual(xclip_get(), b"999")

    def test_an_image_is_not_text_and_is_kept(self):
        png = base64.b64decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==")
        xclip_put(png, "image/png")
        self.element("Command1").click()
        self.assertIn("ne contient pas de texte", self.message())
        self.assertEqual(xclip_get("image/png"), png)

    def test_a_refused_read_takes_a_paste_instead(self):
        self.browser.execute_cdp_cmd("Browser.setPermission", {
            "origin": self.server.url.rstrip("/"), "permission": {"name": "clipboard-read"}, "setting": "denied"})
        xclip_put(b"Bonjour")
        self.element("Command1").click()
        self.assertIn("collez le texte ici", self.message())
        self.element("messageArea").send_keys(Keys.CONTROL, "v")
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)

    def test_quitter_ends_a_read_that_waits(self):
        xclip_put(b"avant")
        # A read the browser has not answered yet: a permission asked, an owner that lags.
        self.browser.execute_script(
            "navigator.clipboard.readText = () => new Promise((resolve) => { window.finishRead = resolve; });")
        self.element("Command1").click()
        self.element("Command3").click()
        self.assertIn("fermer cet onglet", self.message())
        self.assertEqual(self.element("key").get_attribute("value"), "")
        self.browser.execute_script("window.finishRead('Bonjour');")
        time.sleep(0.5)
        self.assertEqual(xclip_get(), b"avant")

    def test_bloc_note_opens_the_editor_page(self):
        self.element("Command4").click()
        WebDriverWait(self.browser, 10).until(lambda browser: len(browser.window_handles) == 2, "no editor opened")
        self.browser.switch_to.window(self.browser.window_handles[1])
        self.assertTrue(self.browser.current_url.endswith("/editor.html"))
        self.assertEqual(len(self.browser.find_elements(By.TAG_NAME, "textarea")), 1)

    def test_the_page_works_offline_after_one_visit(self):
        self.assertTrue(self.browser.execute_async_script(
            "const done = arguments[0];"
            "navigator.serviceWorker.ready.then(() => navigator.serviceWorker.controller ? done(true) :"
            " navigator.serviceWorker.addEventListener('controllerchange', () => done(true)));"),
            "no service worker took the page")
        self.server.stop()
        self.open()
        xclip_put(b"Bonjour")
        self.element("Command1").click()
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)

    def test_the_policy_refuses_other_origins(self):
        other = Server(SITE)
        self.addCleanup(other.stop)
        outcome = self.browser.execute_async_script(
            "fetch(arguments[0]).then(() => arguments[1]('fetched'), () => arguments[1]('refused'));", other.url)
        self.assertEqual(outcome, "refused")
        self.assertEqual(other.requests, 0)


if __name__ == "__main__":
    SITE = os.path.abspath(sys.argv[1])
    del sys.argv[1]
    unittest.main(verbosity=2)
