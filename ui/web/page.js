"use strict";
// The page builds Form1 from the core's description and carries out what a
// click asks of it: the core (brouillamine-core.wasm) decides everything
// else. The browser hands the clipboard over only asynchronously, so a
// cipher command's text is read before the core runs, and its result
// written after.

const MOST_SCALE = 3;

function show(message, result) {
  const dialog = document.getElementById("message");
  document.getElementById("messageText").textContent = message;
  const area = document.getElementById("messageArea");
  area.hidden = result === undefined;
  area.value = result === undefined ? "" : result;
  area.readOnly = result !== undefined;
  if (!dialog.open) dialog.showModal();
  if (result !== undefined) area.select();
  return area;
}

function scaleToWindow(panel, form) {
  const scale = Math.min(innerWidth / form.width, innerHeight / form.height, MOST_SCALE);
  panel.style.transform = `scale(${scale})`;
  panel.style.left = `${Math.max(0, (innerWidth - form.width * scale) / 2)}px`;
  panel.style.top = `${Math.max(0, (innerHeight - form.height * scale) / 2)}px`;
}

function build(core, form, panel) {
  const measure = document.createElement("canvas").getContext("2d");
  const elements = form.controls.map((control) => {
    const element = document.createElement(
      control.kind === "button" ? "button" : control.kind === "field" ? "input" : "div");
    element.id = control.name;
    Object.assign(element.style, {
      left: `${control.left}px`, top: `${control.top}px`, width: `${control.width}px`, height: `${control.height}px`,
    });
    if (control.kind === "field") {
      Object.assign(element, { type: "text", value: control.text, autocomplete: "off", spellcheck: false });
      element.setAttribute("aria-label", "Clé");
    } else {
      element.textContent = control.text;
    }
    if (control.kind === "button") element.type = "button";
    panel.append(element);
    return element;
  });
  // Captions too wide for their button break at word ends, as on the desktop.
  form.controls.forEach((control, index) => {
    if (control.kind !== "button") return;
    const button = elements[index];
    const style = getComputedStyle(button);
    measure.font = style.font;
    const width = button.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
    button.textContent = core.wrapCaption(control.text, width, (text) => Math.ceil(measure.measureText(text).width))
      .join("\n");
    button.setAttribute("aria-label", control.text);
  });
  return elements;
}

// The text in UTF-8, encoded at once into a buffer as long as it may need:
// the quickest way a browser has to hand a long text over.
function utf8(text) {
  const bytes = new Uint8Array(text.length * 3);
  return bytes.subarray(0, new TextEncoder().encodeInto(text, bytes).written);
}

async function start() {
  const core = await BrouillamineCore();
  const texts = core.messages();
  const form = core.form1();
  const panel = document.getElementById("Form1");
  document.title = form.title;
  const elements = build(core, form, panel);
  const key = elements[form.controls.findIndex((control) => control.kind === "field")];
  scaleToWindow(panel, form);
  addEventListener("resize", () => scaleToWindow(panel, form));

  let quitting = false;
  function quit() {
    quitting = true;
    window.close();
    // An ordinary tab may not be closed by its page.
    if (!window.closed) {
      key.value = "";
      show(texts.tabMayBeClosed);
    }
  }

  async function run(index, text) {
    // Texts cross in UTF-8, as bytes that the browser encodes and decodes at once.
    const outcome = core.click(index, text === null ? null : utf8(text), key.value);
    if (outcome.openEditor) window.open("editor.html", "_blank", "noopener");
    if (outcome.write !== undefined) {
      const result = new TextDecoder().decode(outcome.write);
      try {
        await navigator.clipboard.writeText(result);
      } catch {
        show(texts.mayNotWrite, result);
      }
    }
    if (outcome.message !== undefined) show(outcome.message);
    if (outcome.quit) quit();
  }

  // A command waiting for the clipboard lets no other start, as on the
  // desktop, but "Quitter": the command then gives up and writes nothing.
  let busy = false;
  let waitingForPaste = null;
  form.controls.forEach((control, index) => {
    if (control.kind !== "button") return;
    elements[index].addEventListener("click", async () => {
      if (control.command === "QuitProgram") return run(index, null);
      if (busy || quitting) return;
      busy = true;
      try {
        const reads = control.command === "EncryptClipboard" || control.command === "DecryptClipboard";
        let text = null;
        if (reads) {
          try {
            // A browser gives "" alike for an empty text and for an image or
            // files, which must not be replaced: both count as no text.
            text = (await navigator.clipboard.readText()) || null;
          } catch {
            // Refused, or no clipboard for pages: a paste brings the text instead.
            waitingForPaste = index;
            const area = show(texts.mayNotRead, "");
            area.readOnly = false;
            area.focus();
            return;
          }
        }
        if (!quitting) await run(index, text);
      } finally {
        busy = false;
      }
    });
  });
  document.getElementById("messageArea").addEventListener("paste", async (event) => {
    if (waitingForPaste === null) return;
    event.preventDefault();
    const index = waitingForPaste;
    waitingForPaste = null;
    document.getElementById("message").close();
    await run(index, event.clipboardData.getData("text/plain"));
  });
  document.getElementById("message").addEventListener("close", () => { waitingForPaste = null; });

  elements[0].focus();
  if ("serviceWorker" in navigator) navigator.serviceWorker.register("sw.js");
}

start();
