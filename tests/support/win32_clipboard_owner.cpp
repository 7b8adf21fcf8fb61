// A Windows program that owns the clipboard for the tests of Brouillamine.exe.
//
//   win32_clipboard_owner renewing SIZE
//     offers SIZE characters of text, rendered only when asked for; once
//     they are read, copies "nouveau" as soon as the reader lets the
//     clipboard go: a copy made while the reader works on the old text.
//
// Prints "ready" once it owns the clipboard, and "renewed" after the copy.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

constexpr UINT kRenew = WM_APP;
std::size_t size = 0;

bool Put(const wchar_t* text, std::size_t length)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(wchar_t));
    if (memory == nullptr)
        return false;
    auto* units = static_cast<wchar_t*>(GlobalLock(memory));
    if (text != nullptr)
        std::wmemcpy(units, text, length);
    else
        std::wmemset(units, L'a', length);
    units[length] = L'\0';
    GlobalUnlock(memory);
    return SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_RENDERFORMAT:
        if (Put(nullptr, size))
            PostMessageW(window, kRenew, 0, 0);
        return 0;
    case kRenew:
        // The reader holds the clipboard open until it has the text.
        for (int tries = 0; tries < 10000; ++tries) {
            if (OpenClipboard(window)) {
                const bool renewed = EmptyClipboard() && Put(L"nouveau", 7);
                CloseClipboard();
                std::puts(renewed ? "renewed" : "failed");
                std::fflush(stdout);
                return 0;
            }
            Sleep(1);
        }
        std::puts("failed");
        std::fflush(stdout);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 3 || std::wcscmp(argv[1], L"renewing") != 0)
        return 2;
    size = std::wcstoul(argv[2], nullptr, 10);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = L"ClipboardOwner";
    RegisterClassW(&windowClass);
    const HWND window
        = CreateWindowW(L"ClipboardOwner", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (window == nullptr || !OpenClipboard(window))
        return 1;
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, nullptr); // rendered when asked for
    CloseClipboard();
    std::puts("ready");
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
