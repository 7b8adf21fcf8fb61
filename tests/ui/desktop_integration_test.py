"""What a desktop user and a packager get: the installed files, their
validators, and the Debian package, unpacked
and run to encipher through the clipboard.

Usage: desktop_integration_test.py SOURCE_DIR BUILD_DIR   (DISPLAY must name a test server)
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from x11 import COMMAND1, INITIAL_KEY, click, clipboard_becomes, expected_cipher, start_program, xclip_put  # noqa: E402

SOURCE = BUILD = None
APP_ID = "org.brouillamine.Brouillamine"


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, check=True, timeout=300, **options).stdout


def png_size(path):
    header = path.read_bytes()[:24]
    assert header[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", header[16:24])


class Install(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = Path(tempfile.mkdtemp(prefix="brouillamine-install-"))
        run("cmake", "--install", BUILD, "--prefix", "/usr", env=dict(os.environ, DESTDIR=str(cls.root)))
        cls.share = cls.root / "usr" / "share"

    def test_program_desktop_entry_metadata_and_icons(self):
        for program in ("bin/brouillamine", "libexec/brouillamine/brouillamine-keeper"):
            self.assertTrue(os.access(self.root / "usr" / program, os.X_OK), program)
        self.assertFalse((self.root / "usr" / "bin" / "brouillamine-keeper").exists(), "a private helper on the PATH")
        entry = (self.share / "applications" / f"{APP_ID}.desktop").read_text()
        for line in ("Name=Brouillamine", f"Icon={APP_ID}", "Categories=Utility;", "Exec=brouillamine"):
            self.assertIn(line + "\n", entry)
        self.assertNotIn("MimeType", entry)
        for size in (16, 32, 48, 256):
            icon = self.share / "icons" / "hicolor" / f"{size}x{size}" / "apps" / f"{APP_ID}.png"
            self.assertEqual(png_size(icon), (size, size))
        self.assertIn("<svg", (self.share / "icons" / "hicolor" / "scalable" / "apps" / f"{APP_ID}.svg").read_text())

    def test_validators_accept_them(self):
        run("desktop-file-validate", str(self.share / "applications" / f"{APP_ID}.desktop"))
        output = run("appstreamcli", "validate", "--no-net", str(self.share / "metainfo" / f"{APP_ID}.metainfo.xml"))
        self.assertIn("Validation was successful", output)
        metadata = (self.share / "metainfo" / f"{APP_ID}.metainfo.xml").read_text()
        self.assertIn('<release version="6.0"', metadata)
        self.assertIn("<project_license>", metadata)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = Path(tempfile.mkdtemp(prefix="brouillamine-package-"))
        run("cpack", "--config", str(Path(BUILD) / "CPackConfig.cmake"), "-B", str(cls.folder))
        cls.package = str(next(cls.folder.glob("brouillamine_6.0_*.deb")))

    def test_control_and_contents(self):
        info = run("dpkg-deb", "-I", self.package)
        self.assertIn(" Package: brouillamine\n", info)
        self.assertIn(" Version: 6.0\n", info)
        depends = run("dpkg-deb", "-f", self.package, "Depends")
        for library in ("libqt6widgets6", "libqt6gui6", "libglib2.0-0", "qt6-translations-l10n", "qt6-qpa-plugins"):
            self.assertIn(library, depends)
        self.assertEqual(run("dpkg-deb", "-f", self.package, "Recommends").strip(), "qt6-wayland")
        description = run("dpkg-deb", "-f", self.package, "Description")
        self.assertIn("presse-papier", description)
        self.assertIn("clipboard", description)
        contents = run("dpkg-deb", "-c", self.package)
        for path in ("./usr/bin/brouillamine\n", "./usr/libexec/brouillamine/brouillamine-keeper\n",
                     "./usr/libexec/brouillamine/brouillamine-wayland-keeper\n",
                     f"./usr/share/applications/{APP_ID}.desktop",
                     f"./usr/share/metainfo/{APP_ID}.metainfo.xml",
                     f"./usr/share/icons/hicolor/32x32/apps/{APP_ID}.png"):
            self.assertIn(path, contents)

    def test_lintian_finds_nothing_wrong(self):
        # The program takes no command line of its own, so it has no manual page.
        run("lintian", "--fail-on", "error,warning", "--suppress-tags", "no-manual-page", self.package)

    def test_unpacked_program_enciphers_the_clipboard(self):
        unpacked = self.folder / "unpacked"
        run("dpkg-deb", "-x", self.package, str(unpacked))
        process, window = start_program([str(unpacked / "usr" / "bin" / "brouillamine")])
        try:
            text = "Paquet installé, 6.0 €"
            xclip_put(text.encode())
            click(window, COMMAND1)
            expected = expected_cipher(text, INITIAL_KEY).encode()
            self.assertEqual(clipboard_becomes(expected), expected)
        finally:
            process.kill()
            process.wait()


if __name__ == "__main__":
    SOURCE, BUILD = (os.path.abspath(path) for path in sys.argv[1:3])
    del sys.argv[1:3]
    unittest.main(verbosity=2)
