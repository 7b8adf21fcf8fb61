#pragma once

#include <string>
#include <string_view>

// Whether a text may go into clipboard histories: a deciphered text is what
// the key protected, and carries the hints that keep it out of them.
enum class Sensitivity { Plain, Secret };

// The system clipboard's plain text, implemented once per front-end.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Throws Failure when the clipboard offers no text at all (nothing, an
    // image, files, or an owner that did not answer); a present but empty
    // text is "".
    [[nodiscard]] virtual std::u16string ReadText() = 0;

    // Replaces the clipboard's content with the text `utf8`; throws Failure
    // when the system refuses it.
    virtual void WriteText(std::string_view utf8, Sensitivity sensitivity) = 0;
};
