#include "ui/win32/commands.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
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
