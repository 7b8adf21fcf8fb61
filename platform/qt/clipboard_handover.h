#pragma once

// A clipboard lives only as long as the program that serves it, on X11 and
// on Wayland. When the program ends while it owns the clipboard, this hands
// the text to a keeper, a companion that serves it until another program
// copies: brouillamine-keeper on X11, brouillamine-wayland-keeper on Wayland
// compositors that let a program with no window set the clipboard.

enum class Handover {
    NothingToKeep, // the clipboard is not ours, or a newer copy is there
    Kept, // a keeper serves it now
    ServeItYourself, // no keeper can: the program goes on serving it
};

// Throws Failure when the X11 keeper could not take the text: the program
// then owns the clipboard again.
[[nodiscard]] Handover HandOverClipboard();

// Runs the program's events, with no window, until another program copies.
void ServeClipboardWhileOurs();
