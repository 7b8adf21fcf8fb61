#include "platform/win32/beside_the_window.h"

#include "platform/win32/scoped_handles.h"

#include <exception>
#include <memory>
#include <new>
#include <utility>

void RunBesideTheWindow(std::function<void()> work, const std::function<void(MSG&)>& handleMessage,
                        const std::function<bool()>& keepWaiting, ULONGLONG deadline,
                        const std::function<Failure()>& givenUp, const std::function<Failure()>& vanished)
{
    // Shared with the thread, which may outlive this call when another
    // program never answers: it ends with the program.
    struct Working {
        std::function<void()> work;
        bool finished = false;
        std::exception_ptr failure;
    };
    using Shared = std::shared_ptr<Working>;
    const Shared working = std::make_shared<Working>();
    working->work = std::move(work);
    auto* handed = new Shared(working);
    // Waited for by its handle, which also tells of a thread the system ended.
    const ScopedHandle thread(CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            const std::unique_ptr<Shared> mine(static_cast<Shared*>(parameter));
            Working& it = **mine;
            try {
                it.work();
                it.finished = true;
            } catch (...) {
                it.failure = std::current_exception();
            }
            return 0;
        },
        handed, 0, nullptr));
    if (!thread) {
        delete handed;
        throw std::bad_alloc();
    }

    const HANDLE done = thread.get();
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 10, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) { // for the window's own loop
                PostQuitMessage(static_cast<int>(message.wParam));
                throw givenUp();
            }
            handleMessage(message);
        }
        if (!keepWaiting() || GetTickCount64() > deadline)
            throw givenUp();
    }
    if (working->failure)
        std::rethrow_exception(working->failure);
    if (!working->finished)
        throw vanished();
}
