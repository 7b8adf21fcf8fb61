#include "ui/form1_click.h"

#include "cipher/clipboard_commands.h"

void RunClick(form1::Command command, Clipboard& clipboard, std::u16string_view key,
              const Form1Actions& actions)
{
    switch (command) {
    case form1::Command::EncryptClipboard:
        return EncryptClipboard(clipboard, key);
    case form1::Command::DecryptClipboard:
        return DecryptClipboard(clipboard, key);
    case form1::Command::QuitProgram:
        return actions.quitProgram();
    case form1::Command::OpenTextEditor:
        return actions.openTextEditor();
    case form1::Command::None:
        return;
    }
}
