#include "platform/win32/win32_clipboard.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "cipher/utf8.h"
#include "platform/win32/beside_the_window.h"
#include "platform/win32/scoped_handles.h"
#include "platform/win32/wide_text.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// How long a read may wait for the clipboard's owner to hand its text over.
constexpr ULONGLONG kReadPatienceMilliseconds = 10000;
// How long the program's end waits for a write that has emptied the clipboard.
constexpr DWORD kEndPatienceMilliseconds = 2000;

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
// cloud clipboard and clipboard monitors, and the older one that Ditto's
// released versions honour alone.
constexpr std::array kPrivacyFormats
    = {L"ExcludeClipboardContentFromMonitorProcessing", L"CanIncludeInClipboardHistory",
       L"CanUploadToCloudClipboard", L"Clipboard Viewer Ignore"};

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

// Asks the reading thread, stalled in an owner's rendering, to let the
// clipboard go: it takes this message while it waits for the owner.
constexpr UINT kLetGo = WM_APP;

LRESULT CALLBACK ReaderProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kLetGo) {
        CloseClipboard();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A read under way, shared by its thread and the window's.
struct Reading {
    std::atomic<HWND> reader = nullptr; // the reading thread's window, once it has one
    std::atomic<bool> ownerAnswered = false;
    ClipboardText text;
};

// Sends the owner a message that asks nothing, without waiting: its answer
// comes as the window's loop goes on, and lets its share of the read go then,
// or with the program.
void AskWhetherItAnswers(HWND owner, const std::shared_ptr<Reading>& reading)
{
    auto* answer = new std::shared_ptr<Reading>(reading);
    const auto answered = [](HWND, UINT, ULONG_PTR data, LRESULT) {
        const std::unique_ptr<std::shared_ptr<Reading>> mine(reinterpret_cast<std::shared_ptr<Reading>*>(data));
        (*mine)->ownerAnswered = true;
    };
    if (SendMessageCallbackW(owner, WM_NULL, 0, 0, answered, reinterpret_cast<ULONG_PTR>(answer)) == 0) {
        delete answer;
        reading->ownerAnswered = true; // gone: the read's own deadline holds
    }
}

// Reads the text on the calling thread, where an owner that never renders
// holds it for ever.
ClipboardText ReadNow(std::atomic<HWND>& published)
{
    WNDCLASSW readerClass{};
    readerClass.lpfnWndProc = ReaderProcedure;
    readerClass.hInstance = GetModuleHandleW(nullptr);
    readerClass.lpszClassName = L"BrouillamineReader";
    RegisterClassW(&readerClass); // or registered by an earlier read
    // Opened for a window of this thread: opened for none, Wine lets another
    // program that names none in at the same time, to copy under the read.
    const ScopedWindow reader(CreateWindowExW(0, readerClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, readerClass.hInstance, nullptr));
    if (!reader)
        throw std::bad_alloc();
    published = reader.get();
    const OpenClipboardScope clipboard(reader.get());
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

// The blocks a write puts on the clipboard, in order, each with its format.
using Blocks = std::vector<std::pair<UINT, ScopedGlobalMemory>>;

// What a refused write puts back: the open clipboard's text, and the
// formats that kept it out of the history, as found. Their data is never
// asked for, as an owner may render it only when asked, or never, and hold
// the write for ever: each found goes back as « no », the private side. The
// text was read already, so the system has it at hand; it is copied on
// every write, as emptying frees it and a refusal is known only after.
Blocks SavedText()
{
    Blocks saved;
    for (const wchar_t* name : kPrivacyFormats) {
        const UINT format = RegisterClipboardFormatW(name);
        if (IsClipboardFormatAvailable(format))
            saved.emplace_back(format, Allocate(sizeof(DWORD)));
    }
    const HANDLE text = GetClipboardData(CF_UNICODETEXT);
    const std::size_t size = text != nullptr ? GlobalSize(text) : 0;
    const LockedGlobal<char> from(text);
    if (from.get() != nullptr && size > 0) {
        ScopedGlobalMemory copy = Allocate(size);
        std::memcpy(LockedGlobal<char>(copy.get()).get(), from.get(), size);
        saved.emplace_back(CF_UNICODETEXT, std::move(copy));
    }
    return saved;
}

// False as soon as the system refuses one: the clipboard then holds part of them.
bool Put(Blocks& blocks)
{
    for (auto& [format, block] : blocks) {
        if (SetClipboardData(format, block.get()) == nullptr)
            return false;
        block.release(); // the clipboard owns it now
    }
    return true;
}

} // namespace

// A write under way, as the program's end sees it.
struct Win32Clipboard::Write {
    std::atomic<bool> emptied = false;
    ScopedHandle ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

namespace {

// Replaces the clipboard's text by `blocks` on the calling thread, where
// the previous owner may take its time to let the clipboard go.
void WriteNow(HWND owner, Blocks blocks, ClipboardMark readFrom, std::atomic<bool>& emptied)
{
    const OpenClipboardScope clipboard(owner);
    if (!clipboard.opened())
        throw Failure(messages::kNotWritten);
    if (GetClipboardSequenceNumber() != readFrom)
        throw Failure(messages::kCopiedMeanwhile);
    Blocks saved = SavedText();
    if (!EmptyClipboard())
        throw Failure(messages::kNotWritten);
    emptied = true;
    if (Put(blocks))
        return;
    EmptyClipboard();
    if (Put(saved))
        throw Failure(messages::kRefusedTextPutBack);
    EmptyClipboard();
    throw Failure(messages::kEmptiedNotWritten);
}

} // namespace

Win32Clipboard::Win32Clipboard(std::function<void(MSG&)> handleMessage)
    : owner_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    , handleMessage_(std::move(handleMessage))
{
    if (!owner_)
        throw std::bad_alloc();
}

Win32Clipboard::~Win32Clipboard()
{
    if (lastWrite_ && lastWrite_->emptied && lastWrite_->ended)
        WaitForSingleObject(lastWrite_->ended.get(), kEndPatienceMilliseconds);
}

ClipboardText Win32Clipboard::ReadText(const std::function<bool()>& keepWaiting)
{
    const auto reading = std::make_shared<Reading>();
    // A text the owner stored whole is read without it. Only a read that
    // takes long asks the owner whether it answers at all, without waiting
    // for it, so that one that does not is said within two seconds.
    const HWND owner = GetClipboardOwner();
    const ULONGLONG started = GetTickCount64();
    ULONGLONG asked = 0;
    const auto ownerAnswers = [&] {
        const ULONGLONG now = GetTickCount64();
        if (owner == nullptr || owner == owner_.get() || now - started < kAnswerMilliseconds)
            return true;
        if (asked == 0) {
            asked = now;
            AskWhetherItAnswers(owner, reading);
        }
        return reading->ownerAnswered || now - asked < kAnswerMilliseconds;
    };
    bool unanswered = false;
    RunBesideTheWindow([reading] { reading->text = ReadNow(reading->reader); }, handleMessage_,
                       [&] {
                           unanswered = !ownerAnswers();
                           return !unanswered && keepWaiting();
                       },
                       started + kReadPatienceMilliseconds,
                       [&] {
                           // Given up, the read holds the clipboard no more.
                           if (const HWND reader = reading->reader)
                               SendNotifyMessageW(reader, kLetGo, 0, 0);
                           return Unanswered(unanswered ? messages::OwnerDoesNotAnswer
                                                        : messages::OwnerKeepsTheText);
                       },
                       [] { return Failure(messages::kUnreadable); });
    return std::move(reading->text);
}

void Win32Clipboard::WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom)
{
    // Everything is ready before the clipboard is emptied, so that nothing
    // but the system's refusal can fail after that. The formats that keep a
    // secret out of the history go first.
    Blocks blocks;
    if (sensitivity == Sensitivity::Secret) {
        for (const wchar_t* name : kPrivacyFormats) // 0: "no", for the formats that are only looked for
            blocks.emplace_back(RegisterClipboardFormatW(name), Allocate(sizeof(DWORD)));
    }
    blocks.emplace_back(CF_UNICODETEXT, UnicodeTextOf(utf8));
    // Emptying waits for the previous owner, which Windows asks to let go.
    auto shared = std::make_shared<Blocks>(std::move(blocks));
    lastWrite_ = std::make_shared<Write>();
    RunBesideTheWindow(
        [owner = owner_.get(), shared, readFrom, write = lastWrite_] {
            struct Ending {
                HANDLE ended;
                ~Ending() { SetEvent(ended); }
            } ending{write->ended.get()};
            WriteNow(owner, std::move(*shared), readFrom, write->emptied);
        },
        handleMessage_, [] { return true; }, kNoDeadline, [] { return Failure(messages::kNotWritten); },
        [write = lastWrite_] {
            return Failure(write->emptied ? messages::kEmptiedNotWritten : messages::kWriteStopped);
        });
}
