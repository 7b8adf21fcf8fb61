"""The real program under a test X server, driven as a person would, and the
clipboard as other programs see it."""
import subprocess
import tempfile
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


def run_client(command, **options):
    """Runs an X client, again when the server turned its connection away:
    Xvfb does so now and then when several clients connect at once."""
    for _ in range(10):
        # A file, not a pipe: xclip leaves a server behind that would hold a pipe open.
        with tempfile.TemporaryFile() as errors:
            result = subprocess.run(command, stderr=errors, **options)
            errors.seek(0)
            if b"open display" not in errors.read():
                return result
        time.sleep(0.05)
    return result


def xclip_put(data, target="UTF8_STRING"):
    """Returns once xclip owns the clipboard: it claims it in a child of its
    own, after the command has returned, and a claim that came after the
    next click would be a copy made meanwhile."""
    # xclip stays behind to serve the clipboard: do not wait for its output.
    run_client(["xclip", "-selection", "clipboard", "-t", target, "-i"], input=data,
               stdout=subprocess.DEVNULL, timeout=10).check_returncode()
    if not wait_until(lambda: xclip_get(target, seconds=LARGE_PASTE_SECONDS) == data, 20):
        raise AssertionError("xclip did not take the clipboard")


def hold_clipboard(data):
    """An xclip that holds `data` in the foreground and ends once another
    program takes the clipboard: waiting for it tells when the program has
    written its result, so that no reader asks the old owner mid-transfer."""
    holder = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", "UTF8_STRING", "-i"],
                              stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    holder.stdin.write(data)
    holder.stdin.close()
    if not wait_until(lambda: holder.poll() is not None or owner_answers()):
        raise AssertionError("xclip did not take the clipboard")
    return holder


def owner_answers():
    """Whether the clipboard's owner lists its formats within a second. An
    owner that loses the clipboard may exit without answering a request it
    had already received: xclip, asked, then waits for ever."""
    try:
        return xclip_get("TARGETS", seconds=1)
    except subprocess.TimeoutExpired:
        return None


# Long enough to paste tens of megabytes from a program built with the sanitizers.
LARGE_PASTE_SECONDS = 60


def xclip_get(target="UTF8_STRING", seconds=5, selection="clipboard"):
    result = run_client(["xclip", "-selection", selection, "-t", target, "-o"],
                        stdout=subprocess.PIPE, timeout=seconds)
    return result.stdout if result.returncode == 0 else None


def xdotool(*args):
    return run_client(["xdotool", *map(str, args)], stdout=subprocess.PIPE, text=True,
                      timeout=10).stdout.split()


def wait_until(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    return condition()


def start_program(command, **popen):
    """The program's process and its window, once shown. A start that the
    server turned away (the program says so and exits with 1) is tried again."""
    for _ in range(5):
        process = subprocess.Popen(command, **popen)
        windows = wait_until(lambda: process.poll() is not None
                             or xdotool("search", "--onlyvisible", "--name", WINDOW_TITLE), 30)
        if windows is not True:
            break
    if windows is True or len(windows or []) != 1:
        process.kill()
        raise AssertionError(f"the program did not show one window (exit status {process.wait()})")
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
