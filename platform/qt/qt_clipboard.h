#pragma once

#include "cipher/clipboard.h"

#include <QObject>

// The clipboard as Qt serves it, read straight from the X server on X11.
//
// How a copy made meanwhile is known: on X11 the mark is the window that
// owned the clipboard when it was read, and another owner at the write is a
// newer copy. Elsewhere (Wayland) the mark counts Qt's word that the
// clipboard changed, which comes only between events: the command handles
// none between its read and its write there, so a copy made in that time
// cannot be known and is replaced.
class QtClipboard : public Clipboard {
public:
    QtClipboard();

    [[nodiscard]] ClipboardText ReadText(const std::function<bool()>& keepWaiting) override;
    // Kept as UTF-8, the text is handed to other programs as it is, with no
    // conversion per paste.
    void WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom) override;

private:
    QObject context_; // for the connection that counts changes
    ClipboardMark changes_ = 0;
};
