#pragma once

// On X11 the clipboard empties when the program serving it ends. When the
// program ends while it owns the clipboard, this hands the text to
// brouillamine-keeper, a companion that serves it until another program
// takes the clipboard. Throws Failure when the keeper could not take it;
// does nothing where the platform keeps the clipboard itself.
void HandOverClipboard();
