#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <string>

// The CLIPBOARD selection's text, read straight from the X server through a
// connection of our own. Qt answers an empty text alike for an empty
// clipboard and for an owner that went silent or died mid-transfer, and only
// the first may be replaced; this reader tells them apart.
struct X11ClipboardText {
    enum class Status { Text, NoText, NoAnswer };
    Status status;
    std::string utf8;
};

// `patience` bounds each wait for the owner, not the whole transfer, so a
// large text that keeps coming is read to its end.
[[nodiscard]] X11ClipboardText ReadX11ClipboardText(std::chrono::milliseconds patience);

// The window that owns the CLIPBOARD selection now, or none.
[[nodiscard]] xcb_window_t X11ClipboardOwner();
