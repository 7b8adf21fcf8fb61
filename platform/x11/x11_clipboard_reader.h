#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

// The CLIPBOARD selection's text, read straight from the X server through a
// connection of our own. Qt answers an empty text alike for an empty
// clipboard and for an owner that went silent or died mid-transfer, and only
// the first may be replaced; this reader tells them apart.
struct X11ClipboardText {
    // Superseded: another program took the clipboard during the read with
    // another text, or before the text could be read at all.
    enum class Status { Text, NoText, NoAnswer, TooLong, Superseded };
    Status status;
    std::string utf8;
    xcb_window_t answeredBy = XCB_NONE; // the owner that gave the text
    // When that owner took the clipboard, as it says; 0 when it does not.
    xcb_timestamp_t ownerTime = 0;
};

// The most text the program can take, in UTF-8 bytes: its cipher text is three times as long.
inline constexpr std::size_t kMostTextBytes = std::size_t{1} << 30;

// `patience` bounds each wait for the owner; the whole transfer goes on
// while it brings at least a mebibyte a second, up to kMostTextBytes.
// `keepWaiting` is called every few milliseconds while the owner is
// awaited: it keeps a window alive, and stops the read by answering false.
[[nodiscard]] X11ClipboardText ReadX11ClipboardText(std::chrono::milliseconds patience,
                                                    const std::function<bool()>& keepWaiting);

// When the clipboard's owner took it, as it says; 0 when it does not say,
// or did not answer within `patience`.
[[nodiscard]] xcb_timestamp_t X11ClipboardOwnerTime(std::chrono::milliseconds patience,
                                                    const std::function<bool()>& keepWaiting);

// The window that owns the CLIPBOARD selection now, or none.
[[nodiscard]] xcb_window_t X11ClipboardOwner();
