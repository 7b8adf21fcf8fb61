"""The real program under a test X server, driven as a person would, and the
clipboard as other programs see it."""
import subprocess
import time

INITIAL_KEY = "Mwé"
# Centres of the controls, in pixels from the client area's top-left corner.
COMMAND1, KEY, COMMAND2, COMMAND3, COMMAND4 = (64, 24), (84, 65), (224, 24), (228, 68), (44, 100)
WINDOW_TITLE = "Clipboard Brouillamine"
UNASSIGNED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def code_of(character):
    """Windows-1252 code through Python's own codec: the vectors' independent source."""
    if ord(character) in UNASSIGNED:
        return ord(character)
    return character.encode("cp1252")[0]


def character_of(code):
    return chr(code) if code in UNASSIGNED else bytes([code]).decode("cp1252")


def expected_cipher(text, key):
    return "".join("%03d" % (code_of(c) ^ code_of(key[i % len(key)])) for i, c in enumerate(text))


def xclip_put(data, target="UTF8_STRING"):
    # xclip stays behind to serve the clipboard: do not wait for its output.
    subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-i"], input=data,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=10)


def xclip_get(target="UTF8_STRING"):
    result = subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-o"],
                            capture_output=True, timeout=60)
    return result.stdout if result.returncode == 0 else None


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          timeout=30).stdout.split()


def wait_until(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    return condition()


def start_program(command, **popen):
    """The program's process and its window, once shown."""
    process = subprocess.Popen(command, stderr=subprocess.DEVNULL, **popen)
    windows = xdotool("search", "--sync", "--onlyvisible", "--name", WINDOW_TITLE)
    if len(windows) != 1:
        process.kill()
        raise AssertionError(f"expected one window, found {windows}")
    return process, windows[0]


def click(window, position):
    xdotool("mousemove", "--window", window, *position, "click", "1")


def clipboard_becomes(expected, seconds=10):
    """The clipboard's bytes once they equal `expected`, or as they are after the wait."""
    return wait_until(lambda: xclip_get() == expected and expected, seconds) or xclip_get()


def message_windows():
    return xdotool("search", "--onlyvisible", "--name", "^Brouillamine$")


def dismiss_message(tool, within=5):
    """Closes the program's failure message as a window manager would; False
    when none came in time or it would not close. (A key sent to the message
    can outlive it: the box closes on the press, and the release is lost.)"""
    if not wait_until(message_windows, within):
        return False

    def closed():
        for window in message_windows():
            subprocess.run([tool, "close", window], check=True, timeout=10)
        time.sleep(0.2)
        return not message_windows()

    return wait_until(closed)
