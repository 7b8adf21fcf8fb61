#include "ui/form1_clicks.h"

#include "cipher/clipboard_commands.h"
#include "cipher/failure.h"
#include "cipher/messages.h"

#include <exception>
#include <new>

void Form1Clicks::HandleClick(form1::Command command)
{
    if (!Begin(command))
        return;
    struct Ending {
        Form1Clicks& commands;
        ~Ending() { commands.End(); }
    } ending{*this};
    Finish(command);
}

bool Form1Clicks::Begin(form1::Command command)
{
    // Quitting is never harmful: it ends the program also while a command
    // waits for the clipboard, which then gives up and writes nothing.
    if (command == form1::Command::QuitProgram) {
        quitting_ = true;
        QuitProgram();
        return false;
    }
    if (commandRunning_ || quitting_)
        return false;
    commandRunning_ = true;
    return true;
}

void Form1Clicks::Finish(form1::Command command)
{
    try {
        Run(command);
    } catch (const Failure& failure) {
        Report(failure.what());
    } catch (const std::bad_alloc&) {
        Report(messages::kOutOfMemory);
    } catch (const std::exception&) { // a thread that cannot start, say
        Report(messages::kUnexpected);
    }
}

bool Form1Clicks::GoingOn() const
{
    return WindowOpen() && !quitting_;
}

void Form1Clicks::Report(std::string_view message)
{
    if (GoingOn())
        ShowFailure(message);
}

void Form1Clicks::Run(form1::Command command)
{
    const auto keepWaiting = [this] { return GoingOn(); };
    switch (command) {
    case form1::Command::EncryptClipboard:
        return EncryptClipboard(clipboard(), KeyText(), keepWaiting);
    case form1::Command::DecryptClipboard:
        return DecryptClipboard(clipboard(), KeyText(), keepWaiting);
    case form1::Command::OpenTextEditor:
        return OpenTextEditor();
    case form1::Command::QuitProgram: // done at the click, before any command begins
    case form1::Command::None:
        return;
    }
}
