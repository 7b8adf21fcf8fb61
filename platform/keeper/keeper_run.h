#pragma once

// The life every keeper lives, whatever its display system: the text
// handed on standard input, the clipboard taken, the answer on standard
// output, then serving until another program copies.

#include "platform/keeper/keeper_protocol.h"

#include <functional>
#include <memory>

namespace keeper {

// What a display system's keeper does with the text it was handed.
class DisplayKeeper {
public:
    virtual ~DisplayKeeper() = default;
    // Takes the clipboard; kTaken, kSuperseded or kUnable.
    [[nodiscard]] virtual const char* TakeClipboard() = 0;
    // Serves the clipboard until another program copies and the pastes begun are done.
    virtual void Serve() = 0;
};

using MakeKeeper = std::function<std::unique_ptr<DisplayKeeper>(HandedText)>;

// The keeper's main: its exit status.
[[nodiscard]] int Run(const MakeKeeper& make);

} // namespace keeper
