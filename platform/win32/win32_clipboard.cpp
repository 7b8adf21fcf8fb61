#include "platform/win32/win32_clipboard.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "cipher/utf8.h"
#include "platform/win32/scoped_handles.h"
#include "platform/win32/wide_text.h"

#include <array>
#include <climits>
#include <cwchar>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <thread>

namespace {

// How long a read may wait for the clipboard's owner to hand its text over.
constexpr ULONGLONG kReadPatienceMilliseconds = 10000;

// Zeroed, so that a text block always ends with its NUL.
ScopedGlobalMemory Allocate(std::size_t bytes)
{
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

// The text as a NUL-terminated UTF-16 block, ready for SetClipboardData.
ScopedGlobalMemory UnicodeTextOf(std::string_view utf8)
{
    const int units = WideLength(utf8);
    ScopedGlobalMemory memory = Allocate((static_cast<std::size_t>(units) + 1) * sizeof(wchar_t));
    const LockedGlobal<wchar_t> text(memory.get());
    Widen(utf8, text.get(), units);
    return memory;
}

// The formats that keep a secret text out of Windows' clipboard history,
// cloud clipboard and clipboard monitors.
constexpr std::array kPrivacyFormats = {L"ExcludeClipboardContentFromMonitorProcessing",
                                        L"CanIncludeInClipboardHistory", L"CanUploadToCloudClipboard"};

// How long the clipboard's owner may take to answer at all.
constexpr UINT kAnswerMilliseconds = 1000;

// The file name of the program whose window owns the clipboard; "" when it cannot be known.
std::string OwnerProgram()
{
    DWORD process = 0;
    const HWND owner = GetClipboardOwner();
    if (owner == nullptr || GetWindowThreadProcessId(owner, &process) == 0)
        return {};
    const ScopedHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    std::wstring path(MAX_PATH * 4, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!handle || !QueryFullProcessImageNameW(handle.get(), 0, path.data(), &length))
        return {};
    path.resize(length);
    const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    return utf8::FromUtf16({reinterpret_cast<const char16_t*>(name.data()), name.size()});
}

// Thrown when the clipboard's owner does not hand its text over.
Failure Unanswered(std::string (*message)(std::string_view))
{
    const std::string program = OwnerProgram();
    return Failure(program.empty() ? std::string(messages::kUnreadable) : message(program));
}

// Reads the text on the calling thread, where an owner that never renders
// holds it for ever.
ClipboardText ReadNow()
{
    const OpenClipboardScope clipboard(nullptr);
    if (!clipboard.opened())
        throw Failure(messages::kHeldOpen);
    // Windows turns the 8-bit text formats into this one on request.
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        throw Failure(messages::kNoText);
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr)
        throw Failure(messages::kUnreadable);
    const LockedGlobal<wchar_t> text(data);
    if (text.get() == nullptr)
        throw Failure(messages::kUnreadable);
    const std::size_t length = wcsnlen(text.get(), GlobalSize(data) / sizeof(wchar_t));
    // Its cipher text must fit in one Windows string.
    if (length > INT_MAX / 3)
        throw Failure(messages::kTooLong);
    // The mark of the text as rendered, taken before it is copied out: a copy
    // that another program makes meanwhile gets a newer number, which the
    // write tells apart.
    const DWORD rendered = GetClipboardSequenceNumber();
    return {{reinterpret_cast<const char16_t*>(text.get()), length}, rendered};
}

} // namespace

ClipboardText Win32Clipboard::ReadText(const std::function<bool()>& keepWaiting)
{
    // Shared with the reading thread, which may outlive this call when the
    // owner never renders: it ends with the program.
    struct Reading {
        ClipboardText text;
        std::exception_ptr failure;
        ScopedHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    // An owner that does not answer at all is said at once, rather than
    // after the whole wait.
    const HWND owner = GetClipboardOwner();
    DWORD_PTR ignored = 0;
    if (owner != nullptr && owner != owner_
        && SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMilliseconds, &ignored) == 0)
        throw Unanswered(messages::OwnerDoesNotAnswer);
    const auto reading = std::make_shared<Reading>();
    if (!reading->done)
        throw std::bad_alloc();
    std::thread([reading] {
        try {
            reading->text = ReadNow();
        } catch (...) {
            reading->failure = std::current_exception();
        }
        SetEvent(reading->done.get());
    }).detach();

    const HANDLE done = reading->done.get();
    const ULONGLONG deadline = GetTickCount64() + kReadPatienceMilliseconds;
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 10, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) { // for the window's own loop
                PostQuitMessage(static_cast<int>(message.wParam));
                throw Failure(messages::kUnreadable);
            }
            handleMessage_(message);
        }
        if (!keepWaiting())
            throw Failure(messages::kUnreadable);
        if (GetTickCount64() > deadline)
            throw Unanswered(messages::OwnerKeepsTheText);
    }
    if (reading->failure)
        std::rethrow_exception(reading->failure);
    return std::move(reading->text);
}

void Win32Clipboard::WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom)
{
    // Everything is ready before the clipboard is emptied, so that nothing
    // but the system's refusal can fail after that.
    ScopedGlobalMemory text = UnicodeTextOf(utf8);
    std::array<ScopedGlobalMemory, kPrivacyFormats.size()> privacy;
    if (sensitivity == Sensitivity::Secret) {
        for (ScopedGlobalMemory& no : privacy)
            no = Allocate(sizeof(DWORD)); // 0: "no", for the formats that are only looked for
    }
    const OpenClipboardScope clipboard(owner_);
    if (!clipboard.opened())
        throw Failure(messages::kNotWritten);
    if (GetClipboardSequenceNumber() != readFrom)
        throw Failure(messages::kCopiedMeanwhile);
    if (!EmptyClipboard())
        throw Failure(messages::kNotWritten);
    // The formats that keep a secret out of the history go first, and a
    // refusal of any block leaves nothing on the clipboard.
    for (std::size_t i = 0; i < privacy.size(); ++i) {
        if (!privacy[i])
            continue;
        if (SetClipboardData(RegisterClipboardFormatW(kPrivacyFormats[i]), privacy[i].get()) == nullptr) {
            EmptyClipboard();
            throw Failure(messages::kEmptiedNotWritten);
        }
        privacy[i].release(); // the clipboard owns it now
    }
    if (SetClipboardData(CF_UNICODETEXT, text.get()) == nullptr) {
        EmptyClipboard();
        throw Failure(messages::kEmptiedNotWritten);
    }
    text.release();
}
