#include "platform/qt/qt_clipboard.h"

#include "cipher/failure.h"
#include "cipher/messages.h"

#include "platform/x11/keeper_protocol.h"
#include "platform/x11/x11_clipboard_reader.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace {

bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

QtClipboard::QtClipboard()
{
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, &context_,
                     [this](QClipboard::Mode mode) {
                         if (mode == QClipboard::Clipboard)
                             ++changes_;
                     });
}

ClipboardText QtClipboard::ReadText(const std::function<bool()>& keepWaiting)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Our own text is at hand; another program's is asked for directly, as
    // Qt cannot tell a silent owner from an empty text.
    if (OnX11() && !clipboard->ownsClipboard()) {
        // Read in a thread of its own, while the window goes on: it repaints,
        // and can be closed, which ends the read.
        std::atomic<bool> abandoned = false;
        QEventLoop waiting;
        QTimer asking;
        QObject::connect(&asking, &QTimer::timeout, &waiting, [&] {
            if (!keepWaiting())
                abandoned = true;
        });
        asking.start(10);
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
        // Also left when the program quits, as its window was closed.
        if (!keepWaiting())
            abandoned = true;
        reader.join();
        if (failure)
            std::rethrow_exception(failure);
        switch (text.status) {
        case X11ClipboardText::Status::Text: {
            // Decoded in place: UTF-16 never takes more units than UTF-8 bytes.
            std::u16string utf16(text.utf8.size(), u'\0');
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QChar* end
                = decoder.appendToBuffer(reinterpret_cast<QChar*>(utf16.data()),
                                         QByteArrayView(text.utf8.data(), qsizetype(text.utf8.size())));
            utf16.resize(static_cast<std::size_t>(end - reinterpret_cast<const QChar*>(utf16.data())));
            return {std::move(utf16), text.answeredBy};
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
    return {{reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())},
            OnX11() ? X11ClipboardOwner() : changes_};
}

void QtClipboard::WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const bool x11 = OnX11();
    const bool wasOurs = clipboard->ownsClipboard();
    const xcb_window_t previousOwner = x11 ? X11ClipboardOwner() : XCB_NONE;
    // Qt would claim the clipboard with the time of the last event it saw,
    // which may be another program's copy made since the read. An owner that
    // left after answering leaves nothing to keep.
    const bool copiedMeanwhile
        = x11 ? previousOwner != XCB_NONE && previousOwner != readFrom : changes_ != readFrom;
    if (copiedMeanwhile)
        throw Failure(messages::kCopiedMeanwhile);

    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(keeper::kTextTarget),
                  QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())));
    if (sensitivity == Sensitivity::Secret)
        data->setData(QString::fromLatin1(keeper::kSecretHintTarget), keeper::kSecret);
    clipboard->setMimeData(data);
    if (!clipboard->ownsClipboard())
        throw Failure(messages::kNotWritten);
    // Qt still says it owns the clipboard when the X server refused it
    // because another program took it after the click: the owner tells.
    if (x11 && !wasOurs && X11ClipboardOwner() == previousOwner)
        throw Failure(messages::kCopiedMeanwhile);
}
