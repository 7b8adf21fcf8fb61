#pragma once

#include "cipher/clipboard.h"
#include "platform/win32/scoped_handles.h"

#include <windows.h>

#include <functional>
#include <memory>

// Windows' clipboard in CF_UNICODETEXT, written on behalf of a window of its
// own, which outlives the program's window: closing that one while a write
// is under way would close the clipboard under it. The mark of a content is
// Windows' clipboard sequence number, which every change moves on; the write
// compares it once the clipboard is open, so no copy can slip in between.
class Win32Clipboard : public Clipboard {
public:
    // `handleMessage` is what the window's own loop does with a message: the
    // read's loop does the same.
    explicit Win32Clipboard(std::function<void(MSG&)> handleMessage);
    // A write that has emptied the clipboard is let finish, for a moment:
    // ended there, it would leave the clipboard empty.
    ~Win32Clipboard() override;
    Win32Clipboard(const Win32Clipboard&) = delete;
    Win32Clipboard& operator=(const Win32Clipboard&) = delete;

    // Read in a thread of its own, while the window goes on: an owner that
    // renders its text only when asked may never answer.
    [[nodiscard]] ClipboardText ReadText(const std::function<bool()>& keepWaiting) override;
    // A secret text also carries the formats that keep it out of Windows'
    // clipboard history and cloud clipboard. The write too goes on beside the
    // window: emptying the clipboard waits for its previous owner.
    void WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom) override;

private:
    struct Write;

    ScopedWindow owner_;
    std::function<void(MSG&)> handleMessage_;
    std::shared_ptr<Write> lastWrite_; // shared with its thread
};
