"use strict";
// The page builds Form1 from the core's description, and after each click
// does what the core asks: read the clipboard, write it, show a message,
// open the editor, end. The core decides everything else.

// After a command on a text this long (in characters), the page takes a fresh module.
const RENEWED_AFTER = 1 << 22;

// How long a read refused to an unfocused page waits for the focus, in ms.
const FOCUS_AWAITED = 2000;

// However large the screen, the window is drawn at most this many times its size.
const LARGEST_SCALE = 3;

function scaleToWindow(panel, form) {
  const scale = Math.min(innerWidth / form.width, innerHeight / form.height, LARGEST_SCALE);
  panel.style.transform = `scale(${scale})`;
  panel.style.left = `${Math.max(0, (innerWidth - form.width * scale) / 2)}px`;
  panel.style.top = `${Math.max(0, (innerHeight - form.height * scale) / 2)}px`;
}

function buildWindow(core, form, panel) {
  const measure = document.createElement("canvas").getContext("2d");
  const elements = form.controls.map((control) => {
    const element = document.createElement(
      control.kind === core.Kind.Button ? "button" : control.kind === core.Kind.TextField ? "input" : "div");
    element.id = control.name;
    Object.assign(element.style, {
      left: `${control.left}px`, top: `${control.top}px`, width: `${control.width}px`, height: `${control.height}px`,
    });
    if (control.kind === core.Kind.TextField) {
      Object.assign(element, { type: "text", value: control.text, autocomplete: "off", spellcheck: false });
      element.setAttribute("aria-label", "Clé");
    } else {
      element.textContent = control.text;
    }
    if (control.kind === core.Kind.Button) element.type = "button";
    panel.append(element);
    return element;
  });
  // Captions too wide for their button break at word ends, and all take a
  // smaller font where one would take more than two lines, as on the desktop.
  const buttons = elements.filter((element) => element.tagName === "BUTTON");
  const style = getComputedStyle(buttons[0]);
  const largest = parseFloat(style.fontSize);
  const fitted = core.fitCaptions(largest, 6, (index) => {
    const button = getComputedStyle(elements[index]);
    return elements[index].clientWidth - parseFloat(button.paddingLeft) - parseFloat(button.paddingRight);
  }, (text, size) => {
    measure.font = `${style.fontWeight} ${size}px ${style.fontFamily}`;
    return Math.ceil(measure.measureText(text).width);
  });
  for (const button of buttons) {
    const index = elements.indexOf(button);
    if (fitted.fontSize !== largest) button.style.fontSize = `${fitted.fontSize}px`;
    button.textContent = fitted.lines[index].join("\n");
    button.setAttribute("aria-label", form.controls[index].text);
  }
  scaleToWindow(panel, form);
  addEventListener("resize", () => scaleToWindow(panel, form));
  return elements;
}

// The modal dialog: a message alone, a result to copy by hand, or a box to paste into.
const dialog = document.getElementById("message");
const area = document.getElementById("messageArea");
const copyButton = document.getElementById("messageCopy");

function showMessage(message, { result, pasteBox = false } = {}) {
  document.getElementById("messageText").textContent = message;
  area.hidden = result === undefined && !pasteBox;
  area.readOnly = !pasteBox;
  area.value = result ?? "";
  copyButton.hidden = result === undefined;
  if (!dialog.open) dialog.showModal();
  if (result !== undefined) area.select();
  if (pasteBox) area.focus();
}

// The text in UTF-8, encoded at once into a buffer as long as it may need:
// the quickest way a browser has to hand a long text over.
function utf8(text) {
  const bytes = new Uint8Array(text.length * 3);
  return bytes.subarray(0, new TextEncoder().encodeInto(text, bytes).written);
}

function utf16(text) {
  const units = new Uint16Array(text.length);
  for (let index = 0; index < text.length; index++) units[index] = text.charCodeAt(index);
  return units;
}

async function start() {
  let core = await BrouillamineCore();
  const texts = core.messages();
  // Framed by another page, the window could be steered by clicks it hides.
  if (window.top !== window.self) {
    document.getElementById("Form1").hidden = true;
    document.getElementById("framed").textContent = texts.framed;
    document.getElementById("framed").hidden = false;
    return;
  }
  const form = core.form1Description();
  let page = new core.Page();
  document.title = form.title;
  const elements = buildWindow(core, form, document.getElementById("Form1"));
  const key = elements[form.controls.findIndex((control) => control.kind === core.Kind.TextField)];
  let pasteAwaited = false;
  // A middle click pastes the primary selection (Linux): whatever was last
  // selected anywhere, not a paste the user chose.
  let middleButtonDown = false;

  // Every failure is shown, and the clipboard is left as it was. A text too
  // long is refused before this: a RangeError is memory the browser refused.
  function failed(error) {
    showMessage(error?.name === "RangeError" ? texts.outOfMemory : texts.unexpected);
  }

  function quit() {
    window.close();
    // An ordinary tab may not be closed by its page.
    if (!window.closed) {
      key.value = "";
      showMessage(texts.tabMayBeClosed);
    }
  }

  async function write(result) {
    try {
      await navigator.clipboard.writeText(result);
    } catch {
      showMessage(texts.mayNotWrite, { result });
    }
  }

  async function carryOut(outcome) {
    if (outcome.openEditor) window.open("editor.html", "_blank", "noopener");
    if (outcome.write !== undefined) {
      const result = new TextDecoder().decode(outcome.write);
      outcome.write.fill(0);
      await write(result);
    }
    if (outcome.message !== undefined) showMessage(outcome.message);
    if (outcome.quit) quit();
  }

  // The memory a module took for a long text stays its own while it lives:
  // a fresh one gives it back to the browser. Taken while the command still
  // holds, so that no click comes between; the old one serves on if none loads.
  async function renewCore() {
    try {
      const fresh = await BrouillamineCore();
      if (page.quitting()) return;
      page.end();
      core = fresh;
      page = new fresh.Page();
    } catch {
      // the module in use is whole
    }
  }

  // `text` null: no text. The command holds until its result is written.
  // A text too long is not encoded: the core refuses it by its length.
  async function run(text) {
    let bytes = null;
    try {
      if (text !== null && text.length <= core.mostCharacters) bytes = utf8(text);
      await carryOut(page.run(bytes, text?.length ?? 0));
      if (text !== null && text.length >= RENEWED_AFTER) await renewCore();
    } finally {
      bytes?.fill(0);
      page.end();
    }
  }

  function offerPasteBox(message) {
    pasteAwaited = true;
    showMessage(message, { pasteBox: true });
  }

  // Chromium's permission bubble takes the focus while the user answers it,
  // and the read it then lets through finds the page unfocused: the read is
  // made again once the focus is back, if it comes back soon.
  async function readClipboard() {
    try {
      return await navigator.clipboard.readText();
    } catch (refusal) {
      if (document.hasFocus() || !(await focusComesBack())) throw refusal;
      return navigator.clipboard.readText();
    }
  }

  function focusComesBack() {
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        removeEventListener("focus", back);
        resolve(false);
      }, FOCUS_AWAITED);
      const back = () => {
        clearTimeout(timer);
        resolve(true);
      };
      addEventListener("focus", back, { once: true });
    });
  }

  async function readThenRun() {
    let text;
    try {
      text = await readClipboard();
    } catch {
      text = null; // refused, or no clipboard for pages
    }
    // After "Quitter", nothing more happens, whatever the read answered.
    if (page.quitting()) return page.end();
    // A paste brings the text instead. "" is an empty text, or an image, or
    // files, or a text some engines cannot read (WebKit, from a program that
    // offers UTF8_STRING only).
    if (text === null) return offerPasteBox(texts.mayNotRead);
    if (text === "") return offerPasteBox(texts.noTextRead);
    await run(text);
  }

  // The key crosses as code units, wiped here once the module has its copy.
  function press(index) {
    const keyUnits = utf16(key.value);
    try {
      return page.press(index, keyUnits);
    } finally {
      keyUnits.fill(0);
    }
  }

  // The road of a click: the core takes it, then the page does what it asks.
  async function click(index) {
    try {
      const outcome = press(index);
      if (outcome.read) await readThenRun();
      else await carryOut(outcome);
    } catch (error) {
      failed(error);
    }
  }

  elements.forEach((element, index) => {
    if (element.tagName === "BUTTON") element.addEventListener("click", () => click(index));
  });
  area.addEventListener("mousedown", (event) => {
    if (event.button === 1) middleButtonDown = true;
  });
  // The primary selection is pasted as the button is released, in the same task.
  addEventListener("mouseup", (event) => {
    if ((event.buttons & 4) === 0) setTimeout(() => { middleButtonDown = false; });
  }, true);
  area.addEventListener("paste", async (event) => {
    if (!pasteAwaited) return;
    event.preventDefault();
    if (middleButtonDown) return;
    pasteAwaited = false;
    // An image or files paste as "": no text, which must not replace them.
    const text = event.clipboardData.getData("text/plain") || null;
    dialog.close();
    try {
      await run(text);
    } catch (error) {
      failed(error);
    }
  });
  dialog.addEventListener("close", () => {
    if (pasteAwaited) {
      pasteAwaited = false;
      page.end();
    }
    // A deciphered text left in the page would outlive its use.
    if (!dialog.open) area.value = "";
  });
  // Written on a click of its own, when the browser wanted one for the write.
  copyButton.addEventListener("click", async () => {
    try {
      await navigator.clipboard.writeText(area.value);
      dialog.close();
    } catch {
      area.select();
    }
  });

  elements[0].focus();
  if ("serviceWorker" in navigator) navigator.serviceWorker.register("sw.js");
}

start().catch(() => {
  document.getElementById("Form1").hidden = true;
  document.getElementById("startFailure").hidden = false;
});
