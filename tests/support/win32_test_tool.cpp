// A Windows program for the tests of Brouillamine.exe: clipboard owners that
// misbehave, and a planted Notepad. Prints "ready" once it holds the
// clipboard.
//
//   win32_test_tool renewing SIZE
//     offers SIZE characters of text, rendered only when asked for; once
//     they are read, copies "nouveau" as soon as the reader lets the
//     clipboard go, and prints "renewed": a copy made while the reader works
//     on the old text.
//   win32_test_tool intruding SIZE
//     the same, but copies 45 ms after rendering, opening the clipboard for
//     no window, as some programs do, which Wine lets in beside a reader that
//     named none either.
//   win32_test_tool stuck
//     offers text rendered only when asked for, and never renders it, while
//     it answers every other message, as an owner fetching its text from
//     afar can.
//   win32_test_tool hung
//     offers text rendered only when asked for, and answers no message at all.
//   win32_test_tool stored
//     puts "Bonjour" on the clipboard, whole, and then answers no message.
//   win32_test_tool opening
//     opens the clipboard within a second, or says "locked".
//   win32_test_tool hinting
//     offers "Bonjour", and one of the formats that keep a text out of the
//     history rendered only when asked for, which it never renders.
//   win32_test_tool clinging
//     offers "Bonjour", and takes 8 s to let the clipboard go when asked to.
//   win32_test_tool message
//     prints, in UTF-8, the text of the message box titled "Brouillamine".
//   win32_test_tool holding MILLISECONDS
//     keeps the clipboard open that long, as clipboard monitors do.
//   win32_test_tool formats
//     prints the value of each format that keeps a text out of the
//     clipboard's history ("absent" when there is none), and whether its
//     text block ends with a NUL.
//   win32_test_tool owner
//     prints the file name of the program whose window owns the clipboard,
//     or "none".
//   notepad.exe (this program renamed), with no argument
//     leaves a file "planted-notepad-ran" beside itself.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr UINT kRenew = WM_APP;
std::size_t renewedSize = 0;
bool intruding = false;
bool stuck = false;
bool clinging = false;

void Say(const char* line)
{
    std::puts(line);
    std::fflush(stdout);
}

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
        while (stuck) {
            MSG other;
            if (GetMessageW(&other, nullptr, 0, 0) > 0)
                DispatchMessageW(&other);
        }
        if (Put(nullptr, renewedSize))
            PostMessageW(window, kRenew, 0, 0);
        return 0;
    case WM_DESTROYCLIPBOARD:
        if (clinging)
            Sleep(8000);
        return 0;
    case kRenew:
        if (intruding)
            Sleep(45);
        // The reader holds the clipboard open until it has the text.
        for (int tries = 0; tries < 10000; ++tries) {
            if (OpenClipboard(intruding ? nullptr : window)) {
                const bool renewed = EmptyClipboard() && Put(L"nouveau", 7);
                CloseClipboard();
                Say(renewed ? "renewed" : "failed");
                return 0;
            }
            Sleep(1);
        }
        Say("failed");
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int PrintFormats()
{
    if (!OpenClipboard(nullptr))
        return 1;
    for (const wchar_t* name : {L"ExcludeClipboardContentFromMonitorProcessing", L"CanIncludeInClipboardHistory",
                                L"CanUploadToCloudClipboard", L"Clipboard Viewer Ignore"}) {
        const HANDLE block = GetClipboardData(RegisterClipboardFormatW(name));
        const auto* value = block != nullptr ? static_cast<const DWORD*>(GlobalLock(block)) : nullptr;
        if (value != nullptr && GlobalSize(block) >= sizeof(DWORD))
            std::printf("%lu ", static_cast<unsigned long>(*value));
        else
            std::printf("absent ");
        if (value != nullptr)
            GlobalUnlock(block);
    }
    const HANDLE text = GetClipboardData(CF_UNICODETEXT);
    const auto* units = text != nullptr ? static_cast<const wchar_t*>(GlobalLock(text)) : nullptr;
    const std::size_t size = units != nullptr ? GlobalSize(text) / sizeof(wchar_t) : 0;
    Say(size > 0 && units[size - 1] == L'\0' ? "terminated" : "unterminated");
    if (units != nullptr)
        GlobalUnlock(text);
    CloseClipboard();
    return 0;
}

int PrintOwner()
{
    DWORD process = 0;
    const HWND owner = GetClipboardOwner();
    if (owner == nullptr || GetWindowThreadProcessId(owner, &process) == 0) {
        Say("none");
        return 0;
    }
    const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = handle != nullptr && QueryFullProcessImageNameW(handle, 0, path, &size);
    if (handle != nullptr)
        CloseHandle(handle);
    if (!named)
        return 1;
    const wchar_t* name = std::wcsrchr(path, L'\\');
    char utf8[MAX_PATH * 4] = {};
    WideCharToMultiByte(CP_UTF8, 0, name != nullptr ? name + 1 : path, -1, utf8, sizeof utf8, nullptr, nullptr);
    Say(utf8);
    return 0;
}

int PrintMessage()
{
    const HWND box = FindWindowW(nullptr, L"Brouillamine");
    if (box == nullptr)
        return 1;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM) {
            wchar_t kind[16] = {}, text[2048] = {};
            GetClassNameW(child, kind, 16);
            if (_wcsicmp(kind, L"Static") == 0 && GetWindowTextW(child, text, 2048) > 0) {
                char utf8[8192] = {};
                WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
                Say(utf8);
            }
            return TRUE;
        },
        0);
    return 0;
}

int OpenWithinASecond()
{
    for (int tries = 0; tries < 100; ++tries) {
        if (OpenClipboard(nullptr)) {
            CloseClipboard();
            Say("opened");
            return 0;
        }
        Sleep(10);
    }
    Say("locked");
    return 0;
}

int PlantedNotepad(const wchar_t* self)
{
    std::wstring marker = self;
    marker.resize(marker.find_last_of(L"\\/") + 1);
    marker += L"planted-notepad-ran";
    CloseHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t* argv[])
{
    if (argc == 1)
        return PlantedNotepad(argv[0]);
    const std::wstring mode = argv[1];
    if (mode == L"formats")
        return PrintFormats();
    if (mode == L"message")
        return PrintMessage();
    if (mode == L"owner")
        return PrintOwner();
    if (mode == L"opening")
        return OpenWithinASecond();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = L"ClipboardOwner";
    RegisterClassW(&windowClass);
    const HWND window
        = CreateWindowW(L"ClipboardOwner", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    // Wine's own clipboard manager may hold it for a moment.
    bool opened = false;
    for (int tries = 0; window != nullptr && !(opened = OpenClipboard(window)) && tries < 200; ++tries)
        Sleep(10);
    if (!opened)
        return 1;
    if (mode == L"holding" && argc == 3) {
        Say("ready");
        Sleep(std::wcstoul(argv[2], nullptr, 10));
        CloseClipboard();
        Say("released");
        return 0;
    }
    if ((mode == L"renewing" || mode == L"intruding") && argc == 3) {
        renewedSize = std::wcstoul(argv[2], nullptr, 10);
        intruding = mode == L"intruding";
    }
    else if (mode == L"stuck" || mode == L"hinting")
        stuck = true;
    else if (mode == L"clinging")
        clinging = true;
    else if (mode != L"hung" && mode != L"stored")
        return 2;
    EmptyClipboard();
    if (mode == L"hinting") {
        Put(L"Bonjour", 7);
        SetClipboardData(RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"), nullptr);
    } else if (clinging || mode == L"stored")
        Put(L"Bonjour", 7);
    else
        SetClipboardData(CF_UNICODETEXT, nullptr); // rendered when asked for
    CloseClipboard();
    Say("ready");
    if (mode == L"hung" || mode == L"stored")
        Sleep(INFINITE);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
