"""The web app in a real Chromium on an X server of its own, on 16 Mi
characters: what the page itself does with a text (the core's work, and the
crossing of the text into WebAssembly and back) beside what the browser's
readText and writeText take for the same text; medians of five runs, the
first of which also pays for the browser's compiling the module fully.

Usage: web_bench.py SITE   (DISPLAY must name a test server)
"""
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "support"))
from browsers import Chromium, Server  # noqa: E402

CHARACTERS = 16 << 20
RUNS = 5
LINE = "Le cœur a ses raisons — l'été à Noël coûte 5 €, « voilà »…\n"

# One click's road in the page, timed: read, the core, write.
TIMED_CLICK = """
const [control, key, done] = arguments;
(async () => {
  // One module and one Form1 for all runs, as the page keeps them.
  const core = window.benchedCore ??= await BrouillamineCore();
  const page = window.benchedPage ??= new core.Page();
  const control_index = core.form1Description().controls.findIndex((each) => each.name === control);
  const started = performance.now();
  page.press(control_index, key);
  try {
    const text = await navigator.clipboard.readText();
    const read = performance.now();
    const bytes = new Uint8Array(text.length * 3);
    const encoded = bytes.subarray(0, new TextEncoder().encodeInto(text, bytes).written);
    const result = new TextDecoder().decode(page.run(encoded).write);
    const ciphered = performance.now();
    await navigator.clipboard.writeText(result);
    const written = performance.now();
    done([read - started, ciphered - read, written - ciphered, text.length, result.length]);
  } finally {
    page.end(); // as the page does once the result is written: the next click is taken
  }
})().catch((error) => done(String(error)));
"""


def main(site):
    server = Server(site)
    cleanups = [server.stop]
    try:
        chromium = Chromium()
        cleanups.append(chromium.quit)
        chromium.allow_clipboard(server.url)
        browser = chromium.driver
        browser.get(server.url)
        text = (LINE * (CHARACTERS // len(LINE) + 1))[:CHARACTERS]
        for control in ("Command1", "Command2"):
            runs = []
            for _ in range(RUNS):
                if control == "Command1":
                    holder = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-i"],
                                              stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL)
                    holder.stdin.write(text.encode())
                    holder.stdin.close()
                    time.sleep(1)  # until it owns the clipboard
                figures = browser.execute_async_script(TIMED_CLICK, control, "Mwé")
                if isinstance(figures, str):
                    raise SystemExit(f"the page failed: {figures}")
                # Each command's own lengths: three digits a character, one character a group.
                expected = (CHARACTERS, 3 * CHARACTERS) if control == "Command1" else (3 * CHARACTERS, CHARACTERS)
                if tuple(figures[3:]) != expected:
                    raise SystemExit(f"{control} took {figures[3]} characters and gave {figures[4]}, not {expected}")
                runs.append(figures)
                if control == "Command2":  # decipher the same cipher text again
                    browser.execute_async_script(TIMED_CLICK, "Command1", "Mwé")
            read, page, write = (statistics.median(run[i] for run in runs) for i in range(3))
            print(f"{control}: {runs[0][3]} characters in, {runs[0][4]} out: readText {read:.0f} ms, "
                  f"the page {page:.0f} ms, writeText {write:.0f} ms; "
                  f"page / (readText + writeText) = {page / (read + write):.2f} (target ≤ 0.5)")
    finally:
        for cleanup in reversed(cleanups):
            cleanup()


if __name__ == "__main__":
    main(sys.argv[1])
