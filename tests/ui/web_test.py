"""The web app in three real engines (Chromium, Firefox, WebKit), not
headless, on the test's own X server, so that the page uses the real X11
clipboard: text put in with xclip, the buttons clicked, the result read back
with xclip. The same cases in each engine; each case serves the app on an
origin of its own, so that no service worker or cache outlives it.

Usage: web_test.py SITE   (DISPLAY must name a test X server)
"""
import base64
import hashlib
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from browsers import Chromium, FirefoxBrowser, Server, WebKit  # noqa: E402
from x11 import (INITIAL_KEY, clipboard_becomes, expected_cipher, run_client, wait_until, xclip_get,  # noqa: E402
                 xclip_put, xdotool)

SITE = None
SERVE_WEB = Path(__file__).resolve().parents[2] / "scripts" / "serve_web.py"
BUILDS_DAY = 1_700_000_000
TITLE = "   Clipboard Brouillamine      V 6.0"
PNG = base64.b64decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==")
# Reads that the browser has not answered yet (a permission asked, an owner
# that lags), each answered by window.answerReads(text).
PENDING_READS = """
window.reads = [];
navigator.clipboard.readText = () => new Promise((resolve, reject) => window.reads.push({ resolve, reject }));
window.answerReads = (text) => window.reads.forEach((read) => read.resolve(text));
window.refuseReads = () => window.reads.forEach((read) => read.reject(new DOMException('', 'NotAllowedError')));
"""
# Writes that end at once, counting what they were given.
COUNTED_WRITES = "navigator.clipboard.writeText = async (text) => { window.written = text.length; };"
# The largest buffer of bytes the page made, and how often it encoded a text.
BUFFERS_WATCHED = """
window.largestBuffer = 0;
window.encodings = 0;
window.Uint8Array = new Proxy(Uint8Array, { construct(made, options) {
  if (typeof options[0] === "number") window.largestBuffer = Math.max(window.largestBuffer, options[0]);
  return new made(...options);
} });
const encodeInto = TextEncoder.prototype.encodeInto;
TextEncoder.prototype.encodeInto = function (...options) { window.encodings++; return encodeInto.apply(this, options); };
"""
# Keeps a weak hold on each module the page makes, to look into its memory.
PROBE = """"use strict";
window.cores = [];
const makeCore = BrouillamineCore;
BrouillamineCore = async (...options) => {
  const core = await makeCore(...options);
  window.cores.push(new WeakRef(core));
  return core;
};
"""
# Which of the texts the module in use holds, in UTF-8 or UTF-16.
MODULE_HOLDS = """
const heap = window.cores.at(-1).deref().HEAPU8;
const holds = (bytes) => {
  for (let at = heap.indexOf(bytes[0]); at >= 0; at = heap.indexOf(bytes[0], at + 1)) {
    let index = 1;
    while (index < bytes.length && heap[at + index] === bytes[index]) index++;
    if (index === bytes.length) return true;
  }
  return false;
};
return arguments[0].filter((text) => holds(new TextEncoder().encode(text))
  || holds(new Uint8Array(Uint16Array.from(text, (character) => character.charCodeAt(0)).buffer)));
"""
# Writes that never end, as when the browser lags.
PENDING_WRITES = """
window.writes = [];
navigator.clipboard.writeText = (text) => { window.writes.push(text); return new Promise(() => {}); };
"""
# A read refused as the page has lost the focus, as to a permission prompt
# the user answers; window.focusBack() gives it back.
UNFOCUSED_READ = """
const read = navigator.clipboard.readText.bind(navigator.clipboard);
const hasFocus = document.hasFocus.bind(document);
navigator.clipboard.readText = () => {
  navigator.clipboard.readText = read;
  document.hasFocus = () => false;
  window.refusedUnfocused = true;
  return Promise.reject(new DOMException('Document is not focused.', 'NotAllowedError'));
};
window.focusBack = () => { document.hasFocus = hasFocus; dispatchEvent(new Event('focus')); };
"""
REFUSED_READS = "navigator.clipboard.readText = () => Promise.reject(new DOMException('', 'NotAllowedError'));"
# Whether a service worker of `version` (or any) controls the page and is the
# only one, within 10 s.
WORKER_SETTLED = """
const [version, done] = arguments;
setTimeout(() => done(false), 10000);
const settled = async () => {
  const registration = await navigator.serviceWorker.getRegistration();
  return Boolean(navigator.serviceWorker.controller && registration && registration.active
                 && !registration.installing && !registration.waiting
                 && (await caches.keys()).some((name) => name.endsWith(version)));
};
(async () => { while (!(await settled())) await new Promise((wait) => setTimeout(wait, 100)); done(true); })();
"""
BUILD_SEEN = ("return [document.querySelector('meta[name=build]')?.content ?? '', window.pageBuild ?? '',"
              " window.coreBuild ?? ''];")


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def copy(text):
    """Copied as most programs do: WebKit reads text/plain;charset=utf-8 only."""
    xclip_put(text.encode(), "text/plain;charset=utf-8")


def select(text):
    """Selected elsewhere, in a terminal say: X's primary selection."""
    run_client(["xclip", "-selection", "primary", "-i"], input=text.encode(), stdout=subprocess.DEVNULL,
               timeout=10).check_returncode()
    if not wait_until(lambda: xclip_get(selection="primary") == text.encode(), 10):
        raise AssertionError("xclip did not take the primary selection")


def pixel(window, x, y):
    """The colour at (x, y) of an X window, as ImageMagick names it."""
    return run_client(["import", "-window", window, "-crop", f"1x1+{x}+{y}", "txt:-"], stdout=subprocess.PIPE,
                      text=True, timeout=10).stdout.split()[-1]


def listening(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Cases:
    Engine = None
    middle_click_pastes = True

    @classmethod
    def setUpClass(cls):
        cls.browser = cls.Engine()
        cls.first_window = cls.browser.windows()[0]

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()

    def setUp(self):
        self.server = self.serve(SITE)
        self.open(self.server)

    def tearDown(self):
        for window in set(self.browser.windows()) - {self.first_window}:
            self.browser.switch_to(window)
            self.browser.close_window()
        self.browser.switch_to(self.first_window)

    def serve(self, folder, no_store=False):
        server = Server(folder, no_store)
        self.addCleanup(server.stop)
        self.browser.allow_clipboard(server.url)
        return server

    def open(self, server):
        self.browser.open(server.url)
        # The title as set, with its blanks: document.title would collapse them.
        self.assertTrue(wait_until(lambda: self.script("return document.querySelector('title').text") == TITLE
                                   and self.script("return document.getElementById('Command1') !== null"), 20),
                        "the page was not built")

    def script(self, source, *arguments):
        return self.browser.script(source, *arguments)

    def set_key(self, key):
        self.script("document.getElementById('key').value = arguments[0];", key)

    def message(self):
        """The message shown in the page's dialog, once it is open."""
        self.assertTrue(wait_until(lambda: self.script("return document.getElementById('message').open"), 10),
                        "no message was shown")
        return self.script("return document.getElementById('messageText').textContent")

    def site_copy(self, build):
        """The site, marked as build `build` in its page, script, module and the files that describe it."""
        folder = tempfile.mkdtemp(prefix="brouillamine-site-")
        self.addCleanup(shutil.rmtree, folder)
        shutil.copytree(SITE, folder, dirs_exist_ok=True)
        site = Path(folder)
        index = site / "index.html"
        index.write_text(index.read_text().replace("<head>", f'<head>\n<meta name="build" content="{build}">'))
        for name, variable in (("page.js", "pageBuild"), ("brouillamine-core.js", "coreBuild")):
            with open(site / name, "a") as script:
                script.write(f'\nwindow.{variable} = "{build}";\n')
        # Its version, and the hashes of its files as they are now.
        described = (site / "sw.js", site / "build.json")
        for description in described:
            text = re.sub(r"[0-9a-f]{16}", lambda version: f"{version[0]}-{build}", description.read_text(), count=1)
            description.write_text(re.sub(
                r'"([^"]+)": "[0-9a-f]{64}"',
                lambda entry: f'"{entry[1]}": "{sha256(site / entry[1].replace("./", "index.html"))}"', text))
        # Deployed a day apart: the server tells the builds apart by date, as most do.
        for changed in (index, site / "page.js", site / "brouillamine-core.js", *described):
            os.utime(changed, (BUILDS_DAY + build * 86400,) * 2)
        return folder

    def probed_site(self):
        """The site, with a script that lets the test look into the module's memory."""
        folder = tempfile.mkdtemp(prefix="brouillamine-site-")
        self.addCleanup(shutil.rmtree, folder)
        shutil.copytree(SITE, folder, dirs_exist_ok=True)
        Path(folder, "probe.js").write_text(PROBE)
        index = Path(folder, "index.html")
        index.write_text(index.read_text().replace('<script src="page.js"', '<script src="probe.js" defer></script>\n'
                                                                           '<script src="page.js"'))
        return folder

    def frame(self, url):
        """Opens a page of another origin that frames `url`, and goes into the frame once it has loaded."""
        folder = tempfile.mkdtemp(prefix="brouillamine-framing-")
        self.addCleanup(shutil.rmtree, folder)
        Path(folder, "index.html").write_text(
            f'<!DOCTYPE html><iframe id="frame" src="{url}" onload="window.loaded = true"></iframe>')
        self.browser.open(self.serve(folder).url)
        self.assertTrue(wait_until(lambda: self.script("return window.loaded === true"), 20), "the frame did not load")
        self.browser.switch_to_frame("frame")
        self.addCleanup(self.browser.switch_to_parent)

    def test_the_window(self):
        self.assertEqual(self.script("return document.activeElement.id"), "Command1")
        # In the panel's own pixels, whatever its scale on this screen.
        places = self.script(
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
        self.assertEqual(self.script("return document.getElementById('Command1').textContent"),
                         "CRYPTER le\npresse-papier")
        self.assertEqual(self.script("return document.documentElement.lang"), "fr")

    def test_round_trip_under_a_typed_key_with_accents(self):
        text, key = "Le cœur à l'été, 5 € — « voilà »\nFin", "clé"
        self.set_key(key)
        copy(text)
        self.browser.click("Command1")
        cipher = expected_cipher(text, key).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)
        self.browser.click("Command2")
        self.assertEqual(clipboard_becomes(text.encode()), text.encode())

    def test_a_refusal_is_shown_and_the_clipboard_kept(self):
        copy("999")
        self.browser.click("Command2")
        self.assertIn("« 999 »", self.message())
        self.assertEqual(xclip_get(), b"999")

    # An image reads as "" and pastes as "": no text either way, and it stays.
    def test_an_image_is_kept_through_the_read_and_the_paste_box(self):
        xclip_put(PNG, "image/png")
        self.browser.click("Command1")
        self.assertIn("aucun texte", self.message())
        self.browser.paste_into("messageArea")
        self.assertTrue(wait_until(lambda: "ne contient pas de texte" in self.message(), 5), self.message())
        self.assertEqual(xclip_get("image/png"), PNG)

    def test_a_text_offered_as_utf8_string_only_reaches_the_page(self):
        xclip_put("Clé".encode())  # as xclip and xterm offer it
        self.browser.click("Command1")
        cipher = expected_cipher("Clé", INITIAL_KEY).encode()
        if not wait_until(lambda: xclip_get() == cipher, 3):
            self.assertIn("aucun texte", self.message())
            self.browser.paste_into("messageArea")
        self.assertEqual(clipboard_becomes(cipher), cipher)

    # Closing the box gives the command up; the next one takes a paste.
    def test_a_refused_read_takes_a_paste_instead(self):
        self.script(REFUSED_READS)
        self.browser.click("Command1")
        self.assertIn("collez le texte ici", self.message())
        self.browser.click("messageOk")
        cipher = expected_cipher("Bonjour", INITIAL_KEY)
        copy(cipher)
        self.browser.click("Command2")
        self.assertIn("collez le texte ici", self.message())
        self.browser.paste_into("messageArea")
        self.assertEqual(clipboard_becomes(b"Bonjour"), b"Bonjour")

    def test_a_read_refused_while_the_focus_is_away_is_made_again_when_it_comes_back(self):
        self.script(UNFOCUSED_READ)
        copy("Bonjour")
        self.browser.click("Command1")
        self.assertTrue(wait_until(lambda: self.script("return window.refusedUnfocused === true"), 5))
        self.script("window.focusBack();")
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)
        self.assertFalse(self.script("return document.getElementById('message').open"), "the paste box was offered")

    def test_a_refused_write_offers_the_result_and_forgets_it(self):
        self.script("const write = navigator.clipboard.writeText.bind(navigator.clipboard);"
                    "navigator.clipboard.writeText = () => {"
                    "  navigator.clipboard.writeText = write;"
                    "  return Promise.reject(new DOMException('', 'NotAllowedError'));"
                    "};")
        copy("Bonjour")
        self.browser.click("Command1")
        self.assertIn("copiez-le", self.message())
        cipher = expected_cipher("Bonjour", INITIAL_KEY)
        self.assertEqual(self.script("return document.getElementById('messageArea').value"), cipher)
        self.browser.click("messageCopy")
        self.assertEqual(clipboard_becomes(cipher.encode()), cipher.encode())
        self.assertTrue(wait_until(lambda: not self.script("return document.getElementById('message').open"), 5))
        # Emptied by the dialog's close event, a task that comes just after it closes.
        self.assertTrue(wait_until(lambda: self.script("return document.getElementById('messageArea').value") == "",
                                   5), "the result stayed in the page")

    def test_the_key_is_taken_at_the_click(self):
        self.script(PENDING_READS)
        self.set_key("clé")
        self.browser.click("Command1")
        self.set_key("autre")
        self.browser.click("Command1")  # refused, as a command is under way: its key too
        self.script("window.answerReads('Bonjour');")
        cipher = expected_cipher("Bonjour", "clé").encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)

    # Through either road the text comes by: a read, or the paste box.
    def test_a_second_click_during_a_command_does_nothing(self):
        copy("Bonjour")
        for road in (PENDING_READS, REFUSED_READS):
            self.open(self.server)
            self.script(road + PENDING_WRITES)
            self.browser.click("Command1")
            if road == PENDING_READS:
                self.browser.click("Command2")
                self.script("window.answerReads('Bonjour');")
            else:
                self.message()
                self.browser.paste_into("messageArea")
            self.assertTrue(wait_until(lambda: self.script("return window.writes.length") > 0, 5))
            self.browser.click("Command2")
            self.browser.click("Command1")
            self.assertFalse(wait_until(lambda: self.script("return document.getElementById('message').open"), 1))
            self.assertEqual(self.script("return [window.reads?.length ?? 1, window.writes]"),
                             [1, [expected_cipher("Bonjour", INITIAL_KEY)]])

    def test_an_unexpected_failure_is_said(self):
        self.script("navigator.clipboard.readText = async () => ({ get length() { throw new TypeError(); } });")
        self.browser.click("Command1")
        self.assertIn("erreur inattendue", self.message())

    def test_quitter_ends_a_read_that_waits(self):
        copy("avant")
        self.script(PENDING_READS)
        self.browser.click("Command1")
        self.browser.click("Command3")
        self.assertIn("fermer cet onglet", self.message())
        self.assertEqual(self.script("return document.getElementById('key').value"), "")
        self.script("window.answerReads('Bonjour');")
        self.assertFalse(wait_until(lambda: xclip_get() != b"avant", 1), "the read went on after Quitter")

    def test_quitter_during_a_read_then_refused_or_empty_does_nothing_more(self):
        for answer in ("window.refuseReads();", "window.answerReads('');"):
            with self.subTest(answer=answer):
                self.open(self.serve(SITE))  # an origin of its own, as each case has
                self.script(PENDING_READS)
                self.browser.click("Command1")
                self.browser.click("Command3")
                self.assertIn("fermer cet onglet", self.message())
                self.script(answer)
                self.assertEqual(self.script("return [document.getElementById('messageText').textContent,"
                                             " document.getElementById('messageArea').hidden]"),
                                 ["La clé a été effacée. Vous pouvez maintenant fermer cet onglet.", True])

    # A middle click pastes the primary selection: a password, say, which
    # must not replace the image.
    def test_a_middle_click_pastes_nothing_into_the_box(self):
        if not self.middle_click_pastes:
            self.skipTest("a middle click through this engine's WebDriver pastes nothing")
        xclip_put(PNG, "image/png")
        select("mot de passe")
        self.browser.click("Command1")
        self.assertIn("aucun texte", self.message())
        self.browser.middle_click("messageArea")
        self.assertEqual(self.script("return [document.getElementById('message').open,"
                                     " document.getElementById('messageArea').value]"), [True, ""],
                         "the middle click was taken")
        self.browser.paste_into("messageArea")  # the paste the user chose: still the image
        self.assertTrue(wait_until(lambda: "ne contient pas de texte" in self.message(), 5), self.message())
        self.assertEqual(xclip_get("image/png"), PNG)

    def test_a_text_over_the_limit_is_refused_before_it_costs_memory(self):
        self.script(PENDING_READS + BUFFERS_WATCHED)
        self.browser.click("Command1")
        self.script("window.answerReads('x'.repeat(170000001));")
        self.assertIn("au plus 170 millions", self.message())
        self.assertLess(self.script("return window.largestBuffer"), 1 << 20)
        self.assertEqual(self.script("return window.encodings"), 0)

    def test_memory_the_browser_refuses_is_said(self):
        self.script("TextEncoder.prototype.encodeInto = () => { throw new RangeError('Out of memory'); };")
        copy("Bonjour")
        self.browser.click("Command1")
        self.assertIn("La mémoire ne suffit pas", self.message())

    def test_a_long_text_gives_its_memory_back(self):
        self.open(self.serve(self.probed_site()))
        self.script(PENDING_READS + COUNTED_WRITES)
        first = self.script("return window.cores[0].deref().HEAPU8.length")
        self.browser.click("Command1")
        self.script("window.answerReads('é'.repeat(1 << 23));")
        self.assertTrue(wait_until(lambda: self.script("return window.written") == 3 << 23, 60), "nothing written")
        self.assertTrue(wait_until(lambda: self.script("return window.cores.at(-1).deref().HEAPU8.length") == first,
                                   10), "the module kept its memory")
        self.browser.click("Command1")  # and the page goes on
        self.script("window.answerReads('Bonjour');")
        self.assertTrue(wait_until(lambda: self.script("return window.written") == 21, 10))

    def test_neither_key_nor_deciphered_text_stays_in_the_module(self):
        self.open(self.serve(self.probed_site()))
        text, key = "mot de passe 9153", "clé-très-secrète-4271"
        self.set_key(key)
        copy(expected_cipher(text, key))
        self.browser.click("Command2")
        self.assertEqual(clipboard_becomes(text.encode()), text.encode())
        self.assertTrue(wait_until(lambda: self.script(MODULE_HOLDS, [text, key]) == [], 5),
                        self.script(MODULE_HOLDS, [text, key]))

    def test_the_page_refuses_to_run_in_a_frame(self):
        self.frame(self.server.url)
        self.assertTrue(wait_until(lambda: self.script("return document.getElementById('framed')?.hidden === false"), 10),
                        "the page ran in the frame")
        self.assertIn("autre page", self.script("return document.getElementById('framed').textContent"))
        self.assertIsNone(self.script("return document.getElementById('Command1')"))

    # As `make run-web` serves it: the browser does not even load it in a frame.
    def test_run_web_forbids_framing(self):
        port = free_port()
        server = subprocess.Popen([sys.executable, SERVE_WEB, SITE, str(port)], stderr=subprocess.DEVNULL)
        self.addCleanup(server.wait, 5)
        self.addCleanup(server.kill)
        self.assertTrue(wait_until(lambda: listening(port), 5), "no server")
        self.browser.allow_clipboard(f"http://127.0.0.1:{port}/")
        self.frame(f"http://127.0.0.1:{port}/")
        self.assertIsNone(self.script("return document.getElementById('Form1')"))

    def test_the_message_and_its_box_have_names(self):
        self.script(REFUSED_READS)
        self.browser.click("Command1")
        message = self.message()
        self.assertEqual([self.browser.role("message"), self.browser.label("message")], ["alertdialog", "Brouillamine"])
        self.assertEqual(self.browser.label("messageArea"), message)

    def test_bloc_note_opens_the_editor_page(self):
        self.browser.click("Command4")
        self.assertTrue(wait_until(lambda: len(self.browser.windows()) == 2, 10), "no editor opened")
        self.browser.switch_to(next(window for window in self.browser.windows() if window != self.first_window))
        self.assertTrue(wait_until(lambda: self.script("return location.pathname") == "/editor.html", 10))
        self.assertEqual(self.script("return document.querySelectorAll('textarea').length"), 1)

    # Served with no-store, so that nothing but the service worker has the files.
    def test_the_page_works_offline_after_one_visit(self):
        server = self.serve(SITE, no_store=True)
        self.open(server)
        self.assertTrue(self.browser.async_script(WORKER_SETTLED, ""), "no service worker took the page")
        server.stop()
        self.open(server)
        copy("Bonjour")
        self.browser.click("Command1")
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)

    def test_a_server_that_fails_is_taken_for_no_network(self):
        server = self.serve(SITE, no_store=True)
        self.open(server)
        self.assertTrue(self.browser.async_script(WORKER_SETTLED, ""), "no service worker took the page")
        server.failing = 503
        self.open(server)
        copy("Bonjour")
        self.browser.click("Command1")
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)

    def test_other_caches_of_the_origin_are_kept(self):
        server = self.serve(SITE)
        self.browser.open(server.url + "editor.html")  # the same origin, no service worker yet
        self.browser.async_script("caches.open('other-app').then(() => arguments[0]());")
        self.open(server)
        self.assertTrue(self.browser.async_script(WORKER_SETTLED, ""))
        self.assertIn("other-app", self.browser.async_script("caches.keys().then(arguments[0]);"))

    # Served like `make run-web`, with no Cache-Control: the browser's HTTP
    # cache must not mix builds.
    def test_an_update_is_taken_whole_on_the_next_load(self):
        server = self.serve(self.site_copy(1))
        self.open(server)
        self.assertTrue(self.browser.async_script(WORKER_SETTLED, "-1"))
        self.assertEqual(self.script(BUILD_SEEN), ["1", "1", "1"])
        server.folder = self.site_copy(2)
        self.open(server)
        self.assertEqual(self.script(BUILD_SEEN), ["2", "2", "2"])
        server.stop()
        self.open(server)
        self.assertEqual(self.script(BUILD_SEEN), ["2", "2", "2"])

    # After a deploy, a load takes the new build once all of it has come and
    # matched its hashes, and else the kept build: never some of each.
    def test_a_load_whose_connection_drops_on_one_file_takes_the_kept_build_whole(self):
        server = self.serve(self.site_copy(1))
        self.open(server)
        self.assertTrue(self.browser.async_script(WORKER_SETTLED, "-1"))
        server.folder = self.site_copy(2)
        server.dropping = {"/brouillamine-core.js"}
        self.open(server)
        self.assertEqual(self.script(BUILD_SEEN), ["1", "1", "1"])
        server.dropping = set()
        self.open(server)
        self.assertEqual(self.script(BUILD_SEEN), ["2", "2", "2"])

    def test_a_file_that_does_not_match_its_build_keeps_the_build_out(self):
        server = self.serve(self.site_copy(1))
        self.open(server)
        self.assertTrue(self.browser.async_script(WORKER_SETTLED, "-1"))
        # Deployed with one file left over from the build before.
        stale = self.site_copy(2)
        shutil.copy(Path(server.folder, "page.js"), stale)
        server.folder = stale
        self.open(server)
        self.assertEqual(self.script(BUILD_SEEN), ["1", "1", "1"])

    def test_a_module_that_fails_to_load_is_said(self):
        broken = self.site_copy(1)
        Path(broken, "brouillamine-core.wasm").write_bytes(b"\0asm broken")
        self.browser.open(self.serve(broken).url)
        self.assertTrue(wait_until(lambda: self.script(
            "return !document.getElementById('startFailure').hidden"), 10), "nothing was said")
        self.assertIn("n'a pas pu démarrer", self.script("return document.getElementById('startFailure').innerText"))
        self.assertEqual(self.browser.role("startFailure"), "alert")

    def test_the_policy_refuses_other_origins(self):
        other = self.serve(SITE)
        outcome = self.browser.async_script(
            "fetch(arguments[0]).then(() => arguments[1]('fetched'), () => arguments[1]('refused'));", other.url)
        self.assertEqual(outcome, "refused")
        self.assertEqual(other.requests, 0)


class InChromium(Cases, unittest.TestCase):
    Engine = Chromium


class InFirefox(Cases, unittest.TestCase):
    Engine = FirefoxBrowser


class InWebKit(Cases, unittest.TestCase):
    Engine = WebKit
    middle_click_pastes = False  # its pointer's middle button comes up as the left one


class UnderTheBrowsersOwnRules(unittest.TestCase):
    """No permission given beforehand: the user answers the browser's own
    prompt, and the command completes."""

    def crypt_answering(self, browser, answer, prompt=None):
        """`prompt`: a point of the window and the colour the prompt gives
        it, to see it come; `answer` then answers it, given the window."""
        self.addCleanup(browser.quit)
        server = Server(SITE)
        self.addCleanup(server.stop)
        browser.open(server.url)
        self.assertTrue(wait_until(lambda: browser.script("return document.getElementById('Command1') !== null"),
                                   20), "the page was not built")
        window = xdotool("search", "--onlyvisible", "--name", "Brouillamine")[0]
        copy("Bonjour")
        # WebKitWebDriver's click returns only once its bar is answered.
        clicking = threading.Thread(target=browser.click, args=("Command1",), daemon=True)
        clicking.start()
        if prompt:
            (x, y), colour = prompt
            shown = lambda: pixel(window, x, y) == colour
            self.assertTrue(wait_until(shown, 10), "no prompt came")
            # A prompt ignores a click that comes just after it shows, lest
            # the user's next click on the page answer it unseen.
            for _ in range(4):
                time.sleep(0.5)
                answer(window)
                if wait_until(lambda: not shown(), 1):
                    break
            self.assertFalse(shown(), "the prompt stayed")
        else:
            answer(window)
        clicking.join(10)
        self.assertFalse(clicking.is_alive(), "the click did not end")
        cipher = expected_cipher("Bonjour", INITIAL_KEY).encode()
        self.assertEqual(clipboard_becomes(cipher), cipher)

    def test_firefox_after_its_paste_menu(self):
        def answer(window):
            menu = lambda: xdotool("search", "--onlyvisible", "--name", "^Firefox$")
            self.assertTrue(wait_until(menu, 10), "Firefox showed no paste menu")
            # Its « Paste », by the key it underlines. Firefox takes a key only a
            # second after it shows the menu (security.dialog_enable_delay), and
            # one pressed sooner starts that second again: pressed every 50 ms,
            # none was ever taken. So each press comes 1.5 s after the last.
            for _ in range(4):
                time.sleep(1.5)
                xdotool("key", "p")
                if wait_until(lambda: not menu(), 1):
                    break
            self.assertFalse(menu(), "the paste menu stayed")

        self.crypt_answering(FirefoxBrowser(own_rules=True), answer)

    def test_chromium_after_its_bubble(self):
        # The bubble is drawn inside Chromium's 800×600 window; seen by its
        # « Allow » button's blue, then clicked there.
        self.crypt_answering(Chromium(own_rules=True), prompt=((362, 236), "srgb(211,227,253)"),
                             answer=lambda window: xdotool("mousemove", "--window", window, 390, 235, "click", 1))

    def test_webkit_after_its_bar(self):
        def answer(window):
            width = int(dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", window))["WIDTH"])
            xdotool("mousemove", "--window", window, width - 49, 69, "click", 1)  # its « Yes », at the right

        # The bar comes under the address bar, across the window.
        self.crypt_answering(WebKit(own_rules=True), answer, prompt=((700, 50), "srgb(241,230,217)"))


if __name__ == "__main__":
    SITE = os.path.abspath(sys.argv[1])
    del sys.argv[1]
    unittest.main(verbosity=2)
