#pragma once

#include "cipher/clipboard.h"

#include <windows.h>

#include <functional>
#include <utility>

// Windows' clipboard in CF_UNICODETEXT, opened on behalf of `owner`. The
// mark of a content is Windows' clipboard sequence number, which every
// change moves on; the write compares it once the clipboard is open, so no
// copy can slip in between.
class Win32Clipboard : public Clipboard {
public:
    // `handleMessage` is what the window's own loop does with a message: the
    // read's loop does the same.
    Win32Clipboard(HWND owner, std::function<void(MSG&)> handleMessage)
        : owner_(owner)
        , handleMessage_(std::move(handleMessage))
    {
    }

    // Read in a thread of its own, while the window goes on: an owner that
    // renders its text only when asked may never answer.
    [[nodiscard]] ClipboardText ReadText(const std::function<bool()>& keepWaiting) override;
    // A secret text also carries the formats that keep it out of Windows'
    // clipboard history and cloud clipboard. The write too goes on beside the
    // window: emptying the clipboard waits for its previous owner.
    void WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom) override;

private:
    HWND owner_;
    std::function<void(MSG&)> handleMessage_;
};
