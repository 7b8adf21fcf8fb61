#pragma once

// On X11 the clipboard empties when the program serving it ends. When the
// program ends while it owns the clipboard, this hands the text to
// brouillamine-keeper, a companion that serves it until another program
// takes the clipboard. True once the keeper has it; throws Failure when it
// could not take it; does nothing where the platform keeps the clipboard
// itself.
[[nodiscard]] bool HandOverClipboard();
