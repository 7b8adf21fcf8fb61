#pragma once

#include "cipher/failure.h"

#include <windows.h>

#include <functional>

// A deadline that never comes.
inline constexpr ULONGLONG kNoDeadline = ~ULONGLONG{0};

// Runs `work` on a thread of its own while the calling thread goes on with
// the window's messages, each handled by `handleMessage`, until `work` ends;
// its failure is thrown here. Gives up, throwing `givenUp()`, once
// GetTickCount64 passes `deadline`, when `keepWaiting` says no more, or when
// the window's loop is told to quit; throws `vanished()` when the system
// ends the thread midway. A thread given up on ends with the program.
void RunBesideTheWindow(std::function<void()> work, const std::function<void(MSG&)>& handleMessage,
                        const std::function<bool()>& keepWaiting, ULONGLONG deadline,
                        const std::function<Failure()>& givenUp, const std::function<Failure()>& vanished);
