#pragma once

// Starts `commandLine` in a normal window that takes the focus, without
// waiting for it; false when it could not start.
[[nodiscard]] bool StartProgram(const wchar_t* commandLine);
