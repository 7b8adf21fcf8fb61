#include "cipher/messages.h"
#include "platform/win32/error_report.h"
#include "ui/win32/form1.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // A library that a system one loads by name later comes from the system
    // folder only, never from beside the program or the folder it started in.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    Form1 form(instance);
    if (form.window() == nullptr) {
        ReportFailure(nullptr, messages::kNoWindow);
        return 1;
    }
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        form.HandleMessage(message);
    return static_cast<int>(message.wParam);
}
