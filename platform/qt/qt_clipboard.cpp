#include "platform/qt/qt_clipboard.h"

#include "cipher/failure.h"
#include "cipher/messages.h"

#include "platform/x11/x11_clipboard_reader.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>
#include <QWindow>

#include <atomic>
#include <exception>
#include <thread>

std::u16string QtClipboard::ReadText()
{
    answeredBy_ = XCB_NONE;
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Our own text is at hand; another program's is asked for directly, as
    // Qt cannot tell a silent owner from an empty text.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !clipboard->ownsClipboard()) {
        // Read in a thread of its own, while the window goes on: it repaints,
        // and closing it ends the read. Its buttons do nothing until the
        // command is over.
        std::atomic<bool> abandoned = false;
        QEventLoop waiting;
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->isVisible()) {
                QObject::connect(window, &QWindow::visibleChanged, &waiting, [&abandoned](bool visible) {
                    if (!visible)
                        abandoned = true;
                });
            }
        }
        X11ClipboardText text;
        std::exception_ptr failure; // out of memory, above all
        std::thread reader([&] {
            try {
                text = ReadX11ClipboardText(std::chrono::seconds(2), [&abandoned] { return !abandoned; });
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        });
        waiting.exec();
        reader.join();
        if (failure)
            std::rethrow_exception(failure);
        switch (text.status) {
        case X11ClipboardText::Status::Text: {
            answeredBy_ = text.answeredBy;
            // Decoded in place: UTF-16 never takes more units than UTF-8 bytes.
            std::u16string utf16(text.utf8.size(), u'\0');
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QChar* end
                = decoder.appendToBuffer(reinterpret_cast<QChar*>(utf16.data()),
                                         QByteArrayView(text.utf8.data(), qsizetype(text.utf8.size())));
            utf16.resize(static_cast<std::size_t>(end - reinterpret_cast<const QChar*>(utf16.data())));
            return utf16;
        }
        case X11ClipboardText::Status::NoText:
            throw Failure(messages::kNoText);
        case X11ClipboardText::Status::NoAnswer:
            throw Failure(messages::kUnreadable);
        case X11ClipboardText::Status::TooLong:
            throw Failure(messages::kTooLong);
        }
    }
    // Elsewhere Qt answers an empty text when nothing could be read; the
    // formats on offer tell that apart from a text that is really empty.
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasText())
        throw Failure(messages::kNoText);
    const QString text = data->text();
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

void QtClipboard::WriteText(std::string_view utf8, Sensitivity sensitivity)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    const bool wasOurs = clipboard->ownsClipboard();
    const xcb_window_t previousOwner = x11 && !wasOurs ? X11ClipboardOwner() : XCB_NONE;
    // Qt claims the clipboard with the time of the last event it saw, which
    // may be another program's copy made since the read: that copy is kept.
    if (answeredBy_ != XCB_NONE && previousOwner != XCB_NONE && previousOwner != answeredBy_)
        throw Failure(messages::kCopiedMeanwhile);

    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())));
    if (sensitivity == Sensitivity::Secret)
        data->setData(QString::fromLatin1(kSecretHintFormat), "secret");
    clipboard->setMimeData(data);
    if (!clipboard->ownsClipboard())
        throw Failure(messages::kNotWritten);
    // Qt still says it owns the clipboard when the X server refused it
    // because another program took it after the click: the owner tells.
    if (x11 && !wasOurs && X11ClipboardOwner() == previousOwner)
        throw Failure(messages::kCopiedMeanwhile);
}
