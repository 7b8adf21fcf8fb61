#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

// One small owner per kind of handle, so that no early return or exception
// leaks one, and the clipboard is always closed again.

// Hands a handle to `Release` when its owner goes.
template <auto Release> struct ReleasedBy {
    template <typename Handle> void operator()(Handle handle) const { Release(handle); }
};
template <typename Handle, auto Release>
using Scoped = std::unique_ptr<std::remove_pointer_t<Handle>, ReleasedBy<Release>>;

template <typename Handle> using ScopedGdiObject = Scoped<Handle, DeleteObject>;
using ScopedMemoryDc = Scoped<HDC, DeleteDC>; // made with CreateCompatibleDC
using ScopedHandle = Scoped<HANDLE, CloseHandle>;
using ScopedGlobalMemory = Scoped<HGLOBAL, GlobalFree>;
using ScopedIcon = Scoped<HICON, DestroyIcon>;
using ScopedWindow = Scoped<HWND, DestroyWindow>;
using ScopedHook = Scoped<HHOOK, UnhookWindowsHookEx>;

// A window's device context, taken with GetDC: WindowDc dc(GetDC(window), {window}).
struct WindowDcRelease {
    HWND window;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
using WindowDc = std::unique_ptr<std::remove_pointer_t<HDC>, WindowDcRelease>;

// An object selected into a device context until the previous one is
// selected again: Selection selection(dc, {SelectObject(dc, object)}).
struct Reselect {
    HGDIOBJ previous;
    void operator()(HDC dc) const { SelectObject(dc, previous); }
};
using Selection = std::unique_ptr<std::remove_pointer_t<HDC>, Reselect>;

// A global memory block locked for as long as this lives.
template <typename Element> class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL memory)
        : memory_(memory)
        , data_(static_cast<Element*>(::GlobalLock(memory)))
    {
    }
    ~LockedGlobal()
    {
        if (data_ != nullptr)
            GlobalUnlock(memory_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;

    [[nodiscard]] Element* get() const { return data_; }

private:
    HGLOBAL memory_;
    Element* data_;
};

// The clipboard, open for as long as this lives. Clipboard histories and
// remote-desktop clients hold it for a few milliseconds after each change,
// so it is asked for again for half a second: opened() is false when
// another program held it all that time.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner)
    {
        for (int tries = 0; !(opened_ = OpenClipboard(owner) != FALSE) && tries < 50; ++tries)
            Sleep(10);
    }
    ~OpenClipboardScope()
    {
        if (opened_)
            CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

    [[nodiscard]] bool opened() const { return opened_; }

private:
    bool opened_ = false;
};
