#pragma once

#include <QByteArray>
#include <QString>

// The system clipboard's plain text, the one place that knows how the
// platform's clipboard behaves.

// Throws Failure when the clipboard offers no text at all (nothing, an image,
// files, or an owner that did not answer); a present but empty text is "".
[[nodiscard]] QString ReadClipboardText();

// Replaces the clipboard's content with the text `utf8`; throws Failure when
// the platform refuses it. Kept as UTF-8, it is handed to other programs as
// it is, with no conversion per paste.
void WriteClipboardText(const QByteArray& utf8);
