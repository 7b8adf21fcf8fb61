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

// The clipboard, open for as long as this lives; opened() is false when
// another program holds it.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner)
        : opened_(OpenClipboard(owner) != FALSE)
    {
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
    bool opened_;
};
