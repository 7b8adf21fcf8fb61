#pragma once

#include "ui/form1_layout.h"

#include <string_view>

class Clipboard;

// The two commands that each front-end carries out in its own way.
struct Form1Actions {
    void (*quitProgram)();
    void (*openTextEditor)();
};

// Runs the command a click of Form1's control stands for, with the key
// field's text; throws Failure as the command does.
void RunClick(form1::Command command, Clipboard& clipboard, std::u16string_view key,
              const Form1Actions& actions);
