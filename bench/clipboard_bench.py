"""The real program under an X server of its own, on 16 Mi characters:
the time from a click on a cipher button until another program has read the
whole result, beside what xclip alone takes to hand over the same bytes
(medians of three runs), and the largest rise of the program's peak resident
memory.

Usage: clipboard_bench.py PROGRAM   (DISPLAY must name a test server)
"""
import re
import statistics
import subprocess
import sys
import time
from pathlib import Path

CHARACTERS = 16 << 20
RUNS = 3  # medians of
KEY = "Mwé"
COMMAND1, COMMAND2 = (64, 24), (224, 24)
LINE = "Le cœur a ses raisons — l'été à Noël coûte 5 €, « voilà »…\r\n"


def expected_cipher(text, key):
    codes = text.encode("cp1252")
    key_codes = key.encode("cp1252")
    groups = ["%03d" % value for value in range(256)]
    return "".join(groups[c ^ key_codes[i % len(key_codes)]] for i, c in enumerate(codes)).encode()


def take_clipboard(data):
    """xclip holding `data` in the foreground; it ends when it loses the clipboard."""
    holder = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", "UTF8_STRING", "-i"],
                              stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    holder.stdin.write(data)
    holder.stdin.close()
    time.sleep(0.3)  # until it owns the clipboard
    return holder


def read_clipboard():
    return subprocess.run(["xclip", "-selection", "clipboard", "-t", "UTF8_STRING", "-o"],
                          capture_output=True, check=True, timeout=300).stdout


def xclip_alone(data):
    """Seconds xclip takes to hand `data` to another xclip."""
    holder = take_clipboard(data)
    start = time.monotonic()
    received = read_clipboard()
    elapsed = time.monotonic() - start
    assert received == data, "xclip lost bytes"
    holder.kill()
    holder.wait()
    return elapsed


def peak_memory(pid):
    status = Path(f"/proc/{pid}/status").read_text()
    return int(re.search(r"VmHWM:\s+(\d+) kB", status).group(1)) * 1024


def through_program(program, button, data_in, expected_out):
    """Seconds from the click until the whole result is read, and the peak memory rise."""
    process = subprocess.Popen([program], stderr=subprocess.DEVNULL)
    try:
        window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                 "Clipboard Brouillamine"], capture_output=True, text=True,
                                timeout=30).stdout.split()[0]
        time.sleep(0.5)
        holder = take_clipboard(data_in)
        before = peak_memory(process.pid)
        start = time.monotonic()
        subprocess.run(["xdotool", "mousemove", "--window", window, *map(str, button), "click", "1"],
                       check=True)
        holder.wait(timeout=300)  # the program has written its result
        received = read_clipboard()
        elapsed = time.monotonic() - start
        assert received == expected_out, "the program's result differs"
        return elapsed, peak_memory(process.pid) - before
    finally:
        process.kill()
        process.wait()


def main(program):
    text = (LINE * (CHARACTERS // len(LINE) + 1))[:CHARACTERS]
    plain, cipher = text.encode(), expected_cipher(text, KEY)
    alone = statistics.median(xclip_alone(plain) + xclip_alone(cipher) for _ in range(RUNS))
    met = True
    for name, button, data_in, data_out in (("encryption", COMMAND1, plain, cipher),
                                            ("decryption", COMMAND2, cipher, plain)):
        runs = [through_program(program, button, data_in, data_out) for _ in range(RUNS)]
        seconds = statistics.median(run[0] for run in runs)
        memory = max(run[1] for run in runs)
        ratio, per_character = seconds / alone, memory / CHARACTERS
        met &= ratio <= 3 and per_character <= 16
        print(f"{name}, 16 Mi characters, click to pasted / xclip alone: "
              f"{seconds:.2f} s / {alone:.2f} s = {ratio:5.2f} (target <= 3) "
              f"{'met' if ratio <= 3 else 'MISSED'}")
        print(f"{name}, peak memory rise per character: {memory / 2**20:.0f} MiB / 16 Mi = "
              f"{per_character:5.2f} bytes (target <= 16) {'met' if per_character <= 16 else 'MISSED'}")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
