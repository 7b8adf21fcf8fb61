#include "platform/clipboard.h"

#include "platform/failure.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QString ReadClipboardText()
{
    // Qt answers an empty text when nothing could be read; the formats on
    // offer tell that apart from a text that is really empty.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText())
        throw Failure("Le presse-papier ne contient pas de texte. "
                      "Copiez d'abord un texte, puis recommencez.");
    return data->text();
}

void WriteClipboardText(const QString& text)
{
    auto* data = new QMimeData;
    data->setText(text);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
#ifndef Q_OS_MACOS // where Qt cannot tell whether it owns the clipboard
    if (!clipboard->ownsClipboard())
        throw Failure("Le presse-papier n'a pas pu être modifié : un autre programme le retient. "
                      "Attendez un instant, puis recommencez.");
#endif
}
