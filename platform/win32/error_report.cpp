#include "platform/win32/error_report.h"

#include "cipher/messages.h"
#include "platform/win32/wide_text.h"

void ReportFailure(HWND window, std::string_view message)
{
    MessageBoxW(window, Widen(message).c_str(), Widen(messages::kTitle).c_str(), MB_OK | MB_ICONWARNING);
}
