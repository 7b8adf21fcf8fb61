#pragma once

#include <QByteArray>
#include <QString>

// The system clipboard's plain text, the one place that knows how the
// platform's clipboard behaves.

// Throws Failure when the clipboard offers no text at all (nothing, an image,
// files, or an owner that did not answer); a present but empty text is "".
[[nodiscard]] QString ReadClipboardText();

enum class Sensitivity { Plain, Secret };

// The format that asks clipboard-history managers to keep a text out of
// their history.
inline constexpr char kSecretHintFormat[] = "x-kde-passwordManagerHint";

// Replaces the clipboard's content with the text `utf8`; throws Failure when
// the platform refuses it. Kept as UTF-8, it is handed to other programs as
// it is, with no conversion per paste. A secret text carries the hints that
// keep it out of clipboard histories.
void WriteClipboardText(const QByteArray& utf8, Sensitivity sensitivity);
