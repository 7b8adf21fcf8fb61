#include "platform/win32/error_report.h"

#include "cipher/messages.h"
#include "platform/win32/scoped_handles.h"
#include "platform/win32/wide_text.h"

namespace {

// Whether the Enter that brought the message is still down. Its repeats,
// or the press Wine sends again when the message takes the keyboard, would
// otherwise close the message before it could be read.
thread_local bool enterStillDown = false;

LRESULT CALLBACK IgnoreTheHeldEnter(int code, WPARAM kind, LPARAM data)
{
    const MSG& message = *reinterpret_cast<const MSG*>(data);
    if (code >= 0 && message.wParam == VK_RETURN) {
        if (message.message == WM_KEYUP)
            enterStillDown = false;
        else if (message.message == WM_KEYDOWN && enterStillDown)
            return TRUE;
    }
    return CallNextHookEx(nullptr, code, kind, data);
}

} // namespace

void ReportFailure(HWND window, std::string_view message)
{
    enterStillDown = (GetKeyState(VK_RETURN) & 0x8000) != 0;
    // The message box's loop hands this hook every key before it acts on one.
    const ScopedHook hook(SetWindowsHookExW(WH_MSGFILTER, IgnoreTheHeldEnter, nullptr, GetCurrentThreadId()));
    MessageBoxW(window, Widen(message).c_str(), Widen(messages::kTitle).c_str(), MB_OK | MB_ICONWARNING);
}
