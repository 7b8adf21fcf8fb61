#pragma once

#include "cipher/clipboard.h"

#include <cstdint>

// The clipboard as Qt serves it, read straight from the X server on X11.
class QtClipboard : public Clipboard {
public:
    [[nodiscard]] std::u16string ReadText() override;
    // Kept as UTF-8, the text is handed to other programs as it is, with no
    // conversion per paste.
    void WriteText(std::string_view utf8, Sensitivity sensitivity) override;

private:
    // The X11 window whose text was read: another owner now holds a copy
    // made since, which must not be overwritten.
    std::uint32_t answeredBy_ = 0;
};

// The format that asks clipboard-history managers to keep a text out of
// their history.
inline constexpr char kSecretHintFormat[] = "x-kde-passwordManagerHint";
