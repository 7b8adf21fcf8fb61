#pragma once

// Starting other programs, without waiting for them: every program the
// Linux build starts is started here.

// The desktop's plain-text editor with no file: the freedesktop default for
// text/plain, or else a usual editor found on the PATH; false when none
// could start.
[[nodiscard]] bool StartTextEditor();

// `program` in a session of its own, in "/", with nothing of ours open but
// pipes to its standard input and from its standard output, which the
// caller closes; false when it could not start.
[[nodiscard]] bool StartWithPipes(const char* program, int& input, int& output);
