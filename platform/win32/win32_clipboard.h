#pragma once

#include "cipher/clipboard.h"

#include <windows.h>

// Windows' clipboard in CF_UNICODETEXT, opened on behalf of `owner`.
class Win32Clipboard : public Clipboard {
public:
    explicit Win32Clipboard(HWND owner)
        : owner_(owner)
    {
    }

    [[nodiscard]] std::u16string ReadText() override;
    // A secret text also carries the formats that keep it out of Windows'
    // clipboard history and cloud clipboard.
    void WriteText(std::string_view utf8, Sensitivity sensitivity) override;

private:
    HWND owner_;
};
