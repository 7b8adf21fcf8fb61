#include "platform/win32/win32_clipboard.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/win32/scoped_handles.h"

#include <cwchar>
#include <new>

namespace {

ScopedGlobalMemory Allocate(std::size_t bytes)
{
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

// The text as a NUL-terminated UTF-16 block, ready for SetClipboardData.
ScopedGlobalMemory UnicodeTextOf(std::string_view utf8)
{
    if (utf8.size() > INT_MAX)
        throw std::bad_alloc();
    const int size = static_cast<int>(utf8.size());
    const int units = size == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    ScopedGlobalMemory memory = Allocate((static_cast<std::size_t>(units) + 1) * sizeof(wchar_t));
    const LockedGlobal<wchar_t> text(memory.get());
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.get(), units);
    text.get()[units] = L'\0';
    return memory;
}

// A DWORD 0 under the registered format `name`; any data will do for the
// formats that are only looked for.
void PutNo(const wchar_t* name)
{
    ScopedGlobalMemory memory = Allocate(sizeof(DWORD));
    *LockedGlobal<DWORD>(memory.get()).get() = 0;
    if (SetClipboardData(RegisterClipboardFormatW(name), memory.get()) != nullptr)
        memory.release(); // the clipboard owns it now
}

} // namespace

std::u16string Win32Clipboard::ReadText()
{
    const OpenClipboardScope clipboard(owner_);
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
    return {reinterpret_cast<const char16_t*>(text.get()), length};
}

void Win32Clipboard::WriteText(std::string_view utf8, Sensitivity sensitivity)
{
    ScopedGlobalMemory text = UnicodeTextOf(utf8);
    const OpenClipboardScope clipboard(owner_);
    if (!clipboard.opened() || !EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, text.get()) == nullptr)
        throw Failure(messages::kNotWritten);
    text.release(); // the clipboard owns it now
    if (sensitivity == Sensitivity::Secret) {
        PutNo(L"ExcludeClipboardContentFromMonitorProcessing");
        PutNo(L"CanIncludeInClipboardHistory");
        PutNo(L"CanUploadToCloudClipboard");
    }
}
