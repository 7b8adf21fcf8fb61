#pragma once

#include <QByteArray>

class QMimeData;

// What the program offers as the clipboard's content: the text in UTF-8,
// and for a secret one the hint that keeps it out of clipboard histories.
// Qt takes the data it is given.
[[nodiscard]] QMimeData* ClipboardData(const QByteArray& utf8, bool secret);
