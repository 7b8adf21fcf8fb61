#pragma once

// Starting other programs, with no file and without waiting for them.

// The freedesktop default application for `mimeType`; false when none is
// registered or it could not start.
[[nodiscard]] bool StartDefaultApplication(const char* mimeType);

// `program`, looked up on the PATH; false when it is not there or could not start.
[[nodiscard]] bool StartProgram(const char* program);
