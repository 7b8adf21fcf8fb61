#include "platform/clipboard.h"

#include "platform/failure.h"

#ifdef BROUILLAMINE_X11
#include "platform/x11_clipboard_reader.h"
#endif

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

[[noreturn]] void FailNoText()
{
    throw Failure("Le presse-papier ne contient pas de texte. Copiez d'abord un texte, puis recommencez.");
}

} // namespace

QString ReadClipboardText()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
#ifdef BROUILLAMINE_X11
    // Our own text is at hand; another program's is asked for directly, as
    // Qt cannot tell a silent owner from an empty text.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !clipboard->ownsClipboard()) {
        X11ClipboardText text = ReadX11ClipboardText(std::chrono::seconds(2));
        switch (text.status) {
        case X11ClipboardText::Status::Text:
            return QString::fromUtf8(text.utf8.data(), static_cast<qsizetype>(text.utf8.size()));
        case X11ClipboardText::Status::NoText:
            FailNoText();
        case X11ClipboardText::Status::NoAnswer:
            throw Failure("Le presse-papier n'a pas pu être lu : le programme qui y a mis le texte "
                          "ne répond pas ou s'est arrêté en cours de route. Copiez le texte à nouveau, "
                          "puis recommencez. Le presse-papier n'a pas été modifié.");
        }
    }
#endif
    // Elsewhere Qt answers an empty text when nothing could be read; the
    // formats on offer tell that apart from a text that is really empty.
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasText())
        FailNoText();
    return data->text();
}

void WriteClipboardText(const QByteArray& utf8, Sensitivity sensitivity)
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), utf8);
    if (sensitivity == Sensitivity::Secret) {
        data->setData(QString::fromLatin1(kSecretHintFormat), "secret");
#ifdef Q_OS_WIN
        // Windows' clipboard history and cloud clipboard honour these.
        const QByteArray no(4, '\0');
        data->setData(
            QStringLiteral(
                "application/x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\""),
            no);
        data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"CanIncludeInClipboardHistory\""),
                      no);
        data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"CanUploadToCloudClipboard\""),
                      no);
#endif
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
#ifndef Q_OS_MACOS // where Qt cannot tell whether it owns the clipboard
    if (!clipboard->ownsClipboard())
        throw Failure("Le presse-papier n'a pas pu être modifié : un autre programme le retient. "
                      "Attendez un instant, puis recommencez.");
#endif
}
