#include "platform/qt/qt_clipboard.h"

#include "cipher/failure.h"
#include "cipher/messages.h"

#include "platform/keeper/keeper_protocol.h"
#include "platform/qt/clipboard_data.h"
#include "platform/wayland/seat_watch.h"
#include "platform/x11/x11_clipboard_reader.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>
#include <QTimer>
#include <qpa/qplatformnativeinterface.h>

#include <atomic>
#include <exception>
#include <functional>
#include <string_view>
#include <thread>

namespace {

bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// How long another program may take to answer each request.
constexpr auto kAnswerPatience = std::chrono::seconds(2);

ClipboardMark Mark(xcb_window_t owner, xcb_timestamp_t time)
{
    return ClipboardMark{owner} << 32 | time;
}

xcb_window_t OwnerOf(ClipboardMark mark)
{
    return static_cast<xcb_window_t>(mark >> 32);
}

xcb_timestamp_t TimeOf(ClipboardMark mark)
{
    return static_cast<xcb_timestamp_t>(mark);
}

std::size_t Digest(std::string_view utf8)
{
    return std::hash<std::string_view>{}(utf8);
}

std::size_t Digest(const QString& text)
{
    return std::hash<std::u16string_view>{}(
        {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())});
}

// Runs `work` in a thread of its own, while the window goes on: it
// repaints, and can be closed, which `keepWaiting` then tells `work`.
template <typename Result>
Result AwayFromTheWindow(const std::function<bool()>& keepWaiting,
                         const std::function<Result(const std::function<bool()>&)>& work)
{
    std::atomic<bool> abandoned = false;
    QEventLoop waiting;
    QTimer asking;
    QObject::connect(&asking, &QTimer::timeout, &waiting, [&] {
        if (!keepWaiting())
            abandoned = true;
    });
    asking.start(10);
    Result result{};
    std::exception_ptr failure; // out of memory, above all
    std::thread worker([&] {
        try {
            result = work([&abandoned] { return !abandoned; });
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec();
    // Also left when the program quits, as its window was closed.
    if (!keepWaiting())
        abandoned = true;
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

} // namespace

QtClipboard::QtClipboard()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // Qt 6.4 shares its connection to the compositor only through its platform interface.
        void* display
            = QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display");
        seatWatch_ = std::make_unique<WaylandSeatWatch>(static_cast<wl_display*>(display));
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::changed, &context_, [this, clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            ++changes_;
        // Text selected in the key field would go to any program that asks
        // for the primary selection, and to the managers that copy it onto
        // the clipboard: the program serves none.
        if (mode == QClipboard::Selection && clipboard->ownsSelection())
            clipboard->clear(QClipboard::Selection);
    });
}

QtClipboard::~QtClipboard() = default;

X11ClipboardText QtClipboard::ReadFromOwner() const
{
    return AwayFromTheWindow<X11ClipboardText>(keepWaiting_, [](const std::function<bool()>& goOn) {
        return ReadX11ClipboardText(kAnswerPatience, goOn);
    });
}

ClipboardText QtClipboard::ReadText(const std::function<bool()>& keepWaiting)
{
    keepWaiting_ = keepWaiting;
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Our own text is at hand; another program's is asked for directly, as
    // Qt cannot tell a silent owner from an empty text.
    if (OnX11() && !clipboard->ownsClipboard()) {
        X11ClipboardText text = ReadFromOwner();
        switch (text.status) {
        case X11ClipboardText::Status::Text: {
            readSize_ = text.utf8.size();
            readDigest_ = Digest(text.utf8);
            // Decoded in place: UTF-16 never takes more units than UTF-8 bytes.
            std::u16string utf16(text.utf8.size(), u'\0');
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QChar* end
                = decoder.appendToBuffer(reinterpret_cast<QChar*>(utf16.data()),
                                         QByteArrayView(text.utf8.data(), qsizetype(text.utf8.size())));
            utf16.resize(static_cast<std::size_t>(end - reinterpret_cast<const QChar*>(utf16.data())));
            return {std::move(utf16), Mark(text.answeredBy, text.ownerTime)};
        }
        case X11ClipboardText::Status::NoText:
            throw Failure(messages::kNoText);
        case X11ClipboardText::Status::NoAnswer:
            throw Failure(messages::kUnreadable);
        case X11ClipboardText::Status::TooLong:
            throw Failure(messages::kTooLong);
        case X11ClipboardText::Status::Superseded:
            throw Failure(messages::kCopiedMeanwhile);
        }
    }
    // Elsewhere Qt answers an empty text when nothing could be read; the
    // formats on offer tell that apart from a text that is really empty.
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasText())
        throw Failure(messages::kNoText);
    const QString text = data->text();
    // Compared at the write as the display system hands texts over: on X11
    // in UTF-8, which this program's own text is kept in.
    if (OnX11()) {
        const QByteArray utf8 = data->data(QString::fromLatin1(keeper::kTextTarget));
        readSize_ = static_cast<std::size_t>(utf8.size());
        readDigest_ = Digest(std::string_view(utf8.constData(), readSize_));
    } else {
        readSize_ = static_cast<std::size_t>(text.size());
        readDigest_ = Digest(text);
    }
    return {{reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())},
            OnX11() ? Mark(X11ClipboardOwner(), 0) : changes_};
}

// Whether the clipboard, which Qt has said changed since the read, now
// offers another text: a window that gets the keyboard back is told of the
// same text anew.
bool QtClipboard::OffersAnotherText(ClipboardMark readFrom) const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (changes_ == readFrom || clipboard->ownsClipboard())
        return false;
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasText())
        return true;
    const QString text = data->text();
    return static_cast<std::size_t>(text.size()) != readSize_ || Digest(text) != readDigest_;
}

// Whether the clipboard of another program now holds something else than
// the text read from `readFrom`: a text taken anew, by its owner or another
// one, is the same content when its bytes are the same.
bool QtClipboard::HoldsAnotherContent(ClipboardMark readFrom) const
{
    const xcb_window_t owner = X11ClipboardOwner();
    if (owner == XCB_NONE) // it left after answering: nothing to keep
        return false;
    if (owner == OwnerOf(readFrom)) {
        if (TimeOf(readFrom) == 0) // an owner that keeps no time, or this program
            return false;
        const xcb_timestamp_t time
            = AwayFromTheWindow<xcb_timestamp_t>(keepWaiting_, [](const std::function<bool()>& goOn) {
                  return X11ClipboardOwnerTime(kAnswerPatience, goOn);
              });
        if (time == TimeOf(readFrom))
            return false;
    }
    const X11ClipboardText now = ReadFromOwner();
    return now.status != X11ClipboardText::Status::Text || now.utf8.size() != readSize_
        || Digest(now.utf8) != readDigest_;
}

void QtClipboard::WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom)
{
    const QByteArray text(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (OnX11())
        WriteOnX11(text, sensitivity == Sensitivity::Secret, readFrom);
    else
        WriteOnWayland(text, sensitivity == Sensitivity::Secret, readFrom);
}

void QtClipboard::WriteOnX11(const QByteArray& text, bool secret, ClipboardMark readFrom)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Qt claims the clipboard with the time of the last event it saw: an
    // older time than the last copy's would be refused, as if a newer copy
    // had been made. Its events tell it of that copy.
    QGuiApplication::sync();
    const bool wasOurs = clipboard->ownsClipboard();
    // A copy that another program made since the read is kept.
    if (!wasOurs && HoldsAnotherContent(readFrom))
        throw Failure(messages::kCopiedMeanwhile);
    const xcb_window_t previousOwner = X11ClipboardOwner();
    clipboard->setMimeData(ClipboardData(text, secret));
    if (!clipboard->ownsClipboard())
        throw Failure(messages::kNotWritten);
    // Qt still says it owns the clipboard when the X server refused it
    // because another program took it after the click: the owner tells.
    if (!wasOurs && X11ClipboardOwner() == previousOwner)
        throw Failure(messages::kCopiedMeanwhile);
}

// Also elsewhere than on Wayland, where there is no seat to watch.
void QtClipboard::WriteOnWayland(const QByteArray& text, bool secret, ClipboardMark readFrom)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Without the keyboard, a write is ignored in silence by some
    // compositors (mutter) and taken by others: every desktop is spared it.
    if (seatWatch_ && !seatWatch_->HasKeyboard())
        throw Failure(messages::kWindowNotActive);
    // Qt hears of a copy only as it handles what the compositor said, which
    // it does not during a command: it hears it all now, so that the check
    // sees the latest copy and the answer to the write comes next.
    if (seatWatch_)
        seatWatch_->DispatchReceived();
    // A copy that another program made since the read is kept.
    if (OffersAnotherText(readFrom))
        throw Failure(messages::kCopiedMeanwhile);
    clipboard->setMimeData(ClipboardData(text, secret));
    if (seatWatch_) {
        // Qt itself says the clipboard changed as it is given the data: the
        // compositor's word is what comes after.
        const ClipboardMark written = changes_;
        seatWatch_->RoundTrip();
        if (changes_ == written) {
            // Refused, or taken as the keyboard went: Qt would go on serving
            // a text that may not be the clipboard's, and read it back as if
            // it were.
            clipboard->clear();
            throw Failure(messages::kDesktopRefused);
        }
    }
    if (!clipboard->ownsClipboard())
        throw Failure(messages::kNotWritten);
}
