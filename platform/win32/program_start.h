#pragma once

// Starts the system's Notepad with no file, in a normal window that takes
// the focus, without waiting for it; false when it could not start. It is
// named by its full path in the system folder, never searched for: a search
// would first run a "notepad.exe" lying beside the program or in the folder
// it was started from.
[[nodiscard]] bool StartNotepad();
