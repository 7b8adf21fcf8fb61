#include "platform/keeper/keeper_run.h"

#include <csignal>
#include <cstdio>
#include <string_view>
#include <utility>

namespace keeper {

int Run(const MakeKeeper& make)
{
    // A requestor that closed its end of a paste, or a program that stopped
    // waiting for the answer, must not end the keeper.
    std::signal(SIGPIPE, SIG_IGN);
    std::optional<HandedText> handed = ReadHandedText(stdin);
    if (!handed)
        return 2;
    const std::unique_ptr<DisplayKeeper> keeper = make(std::move(*handed));
    const std::string_view answer = keeper->TakeClipboard();
    std::fputs(answer.data(), stdout);
    std::fclose(stdout);
    if (answer == kTaken)
        keeper->Serve();
    return 0;
}

} // namespace keeper
