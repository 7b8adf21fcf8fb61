#pragma once

// The two commands that do not touch the clipboard.

// Ends the program once the current click is handled; no further event is.
void QuitProgram();

// Starts "notepad.exe" with no file, and goes on at once. Throws Failure
// when it could not start.
void OpenTextEditor();
