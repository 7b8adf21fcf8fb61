#pragma once

// The road of a click, the same on every front-end. Each front-end builds
// Form1 from the shared description (ui/form1_layout.h) and hands a button's
// click to Form1Clicks::HandleClick here, which runs the command the
// description gives the button, with the key field's text: EncryptClipboard
// or DecryptClipboard (cipher/clipboard_commands) read the front-end's
// Clipboard once, transform the text with EncodeText or DecodeText, and
// write the clipboard once; QuitProgram and OpenTextEditor are the
// front-end's own. A failure is thrown as a Failure carrying a French
// message, which HandleClick has the front-end show; the program goes on.

#include "ui/form1_layout.h"

#include <string>
#include <string_view>

class Clipboard;

class Form1Clicks {
public:
    virtual ~Form1Clicks() = default;

    // Runs `command` to its end, one at a time: a click that comes while a
    // command waits for the clipboard does nothing, but "Quitter", which
    // makes the waiting command give up. A failure is shown once, unless the
    // window was closed or the program is quitting, and the program goes on.
    void HandleClick(form1::Command command);

    // HandleClick in three steps, for a front-end that reads the clipboard
    // before the command and writes it after (the page, whose clipboard
    // answers asynchronously). Begin handles "Quitter" at once and otherwise
    // takes the one command at a time, false when another holds it; Finish
    // runs the command; End frees it, once the front-end is done with it.
    [[nodiscard]] bool Begin(form1::Command command);
    void Finish(form1::Command command);
    void End() { commandRunning_ = false; }
    // True once "Quitter" was pressed: nothing more is to happen.
    [[nodiscard]] bool Quitting() const { return quitting_; }

protected:
    [[nodiscard]] virtual Clipboard& clipboard() = 0;
    [[nodiscard]] virtual std::u16string KeyText() const = 0;
    // Ends the program once the current click is handled; no further event is.
    virtual void QuitProgram() = 0;
    // Starts the desktop's plain-text editor with no file, and goes on at
    // once; throws Failure when none could start.
    virtual void OpenTextEditor() = 0;
    // Shows `message` (UTF-8) over the window until the user closes it.
    virtual void ShowFailure(std::string_view message) = 0;
    // False once the user has closed the window: a read still waiting for
    // another program gives up, and nothing more is shown.
    [[nodiscard]] virtual bool WindowOpen() const = 0;

private:
    void Run(form1::Command command);
    // False once the window was closed or "Quitter" pressed.
    [[nodiscard]] bool GoingOn() const;
    void Report(std::string_view message);

    bool commandRunning_ = false;
    bool quitting_ = false;
};
