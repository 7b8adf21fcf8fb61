#pragma once

#include <windows.h>

#include <string_view>

// Shows a failed command's message (UTF-8) over `window` until the user closes it.
void ReportFailure(HWND window, std::string_view message);
