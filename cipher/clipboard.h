#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Whether a text may go into clipboard histories: a deciphered text is what
// the key protected, and carries the hints that keep it out of them.
enum class Sensitivity { Plain, Secret };

// Which content of the clipboard a text was read from. A copy that another
// program makes afterwards is another content, with another mark.
using ClipboardMark = std::uint64_t;

struct ClipboardText {
    std::u16string text;
    ClipboardMark mark;
};

// The system clipboard's plain text, implemented once per platform.
//
// The contract every implementation keeps: a command reads once and writes
// once, and its write never overwrites what another program copied after
// the read. The write refuses with kCopiedMeanwhile, and the newer copy
// stays, whenever the clipboard's content is no longer the one the read
// marked, as far as the platform lets it be known.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Throws Failure when the clipboard offers no text at all (nothing, an
    // image, files, or an owner that did not answer); a present but empty
    // text is "". While the read waits for another program, `keepWaiting` is
    // asked every few milliseconds, on the caller's thread: false gives up.
    [[nodiscard]] virtual ClipboardText ReadText(const std::function<bool()>& keepWaiting) = 0;

    // Replaces the clipboard's content with the text `utf8`, if it still is
    // the content `readFrom` marks; throws Failure when it is not, or when
    // the system refuses the text.
    virtual void WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom) = 0;
};
