#include "ui/win32/commands.h"

#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/win32/program_start.h"

#include <windows.h>

void QuitProgram()
{
    PostQuitMessage(0);
}

void OpenTextEditor()
{
    if (!StartProgram(L"notepad.exe"))
        throw Failure(messages::kNoEditor);
}
