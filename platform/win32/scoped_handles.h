#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

// One small owner per kind of handle, so that no early return or exception
// leaks one, and the clipboard is always closed again.

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <typename Handle>
using ScopedGdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;

// A window's device context, taken with GetDC.
class WindowDc {
public:
    explicit WindowDc(HWND window)
        : window_(window)
        , dc_(GetDC(window))
    {
    }
    ~WindowDc()
    {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    [[nodiscard]] HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context, made with CreateCompatibleDC.
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using ScopedMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// An object selected into a device context for as long as this lives.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc)
        , previous_(SelectObject(dc, object))
    {
    }
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

struct HandleDeleter {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ScopedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleDeleter>;

struct GlobalMemoryDeleter {
    void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
using ScopedGlobalMemory = std::unique_ptr<std::remove_pointer_t<HGLOBAL>, GlobalMemoryDeleter>;

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
