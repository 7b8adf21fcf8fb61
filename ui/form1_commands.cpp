#include "ui/form1_commands.h"

#include "cipher/clipboard_commands.h"
#include "cipher/failure.h"
#include "cipher/messages.h"

#include <new>

void Form1Commands::HandleClick(form1::Command command)
{
    if (commandRunning_)
        return;
    struct Running {
        bool& flag;
        ~Running() { flag = false; }
    } running{commandRunning_ = true};
    try {
        Run(command);
    } catch (const Failure& failure) {
        if (WindowOpen())
            ShowFailure(failure.what());
    } catch (const std::bad_alloc&) {
        if (WindowOpen())
            ShowFailure(messages::kOutOfMemory);
    }
}

void Form1Commands::Run(form1::Command command)
{
    const auto keepWaiting = [this] { return WindowOpen(); };
    switch (command) {
    case form1::Command::EncryptClipboard:
        return EncryptClipboard(clipboard(), KeyText(), keepWaiting);
    case form1::Command::DecryptClipboard:
        return DecryptClipboard(clipboard(), KeyText(), keepWaiting);
    case form1::Command::QuitProgram:
        return QuitProgram();
    case form1::Command::OpenTextEditor:
        return OpenTextEditor();
    case form1::Command::None:
        return;
    }
}
