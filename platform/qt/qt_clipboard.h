#pragma once

#include "cipher/clipboard.h"

#include <QByteArray>
#include <QObject>

#include <cstddef>
#include <memory>

class WaylandSeatWatch;
struct X11ClipboardText;

// The clipboard as Qt serves it, read straight from the X server on X11.
//
// How a copy made meanwhile is known: on X11 the mark is the window that
// owned the clipboard when it was read and the time it says it took it at;
// another owner or time at the write is a newer copy unless it offers the
// very text that was read (a clipboard manager taking back the text of a
// program that quit). Elsewhere (Wayland) the mark counts Qt's word that the
// clipboard changed; at the write, Qt first hears all the compositor said
// meanwhile, and a change is a newer copy unless the clipboard offers the
// very text that was read (the window got the keyboard back, and is told
// of the clipboard anew).
//
// How a write is known to be the clipboard's: on X11 the X server names its
// owner; on Wayland, where the compositor takes or ignores it in silence,
// its word on the clipboard right after the write (see WaylandSeatWatch).
class QtClipboard : public Clipboard {
public:
    QtClipboard();
    ~QtClipboard() override;

    [[nodiscard]] ClipboardText ReadText(const std::function<bool()>& keepWaiting) override;
    // Kept as UTF-8, the text is handed to other programs as it is, with no
    // conversion per paste.
    void WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom) override;

private:
    // One writer per display system, each keeping the contract its own way.
    void WriteOnX11(const QByteArray& text, bool secret, ClipboardMark readFrom);
    void WriteOnWayland(const QByteArray& text, bool secret, ClipboardMark readFrom);
    [[nodiscard]] X11ClipboardText ReadFromOwner() const;
    [[nodiscard]] bool HoldsAnotherContent(ClipboardMark readFrom) const;
    [[nodiscard]] bool OffersAnotherText(ClipboardMark readFrom) const;

    QObject context_; // for the connections to the clipboard's signals
    std::unique_ptr<WaylandSeatWatch> seatWatch_; // on Wayland only
    ClipboardMark changes_ = 0;
    // Of the command under way: whether to go on waiting for another
    // program, and the size and digest of the text it read.
    std::function<bool()> keepWaiting_;
    std::size_t readSize_ = 0;
    std::size_t readDigest_ = 0;
};
