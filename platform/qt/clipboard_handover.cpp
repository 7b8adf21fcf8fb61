#include "platform/qt/clipboard_handover.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/qt/program_start.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/x11/keeper_protocol.h"
#include "platform/x11/x11_clipboard_reader.h"
#include "platform/x11/x11_selection.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// How long the keeper may take to claim the clipboard once it has the text.
constexpr auto kClaimPatience = std::chrono::seconds(1);

// Installed as a private helper under libexec; in the build tree, beside the program.
QString KeeperPath()
{
    const QDir programs(QCoreApplication::applicationDirPath());
    const QString installed = programs.absoluteFilePath(QStringLiteral(KEEPER_FROM_PROGRAM));
    return QFileInfo::exists(installed) ? installed
                                        : programs.absoluteFilePath(QStringLiteral("brouillamine-keeper"));
}

// The time at which this program took the clipboard, as Qt answers it for
// the TIMESTAMP target from its event loop, which runs meanwhile.
std::optional<xcb_timestamp_t> OwnershipTime()
{
    const x11::Connection x11;
    if (!x11.Ok())
        return std::nullopt;
    const xcb_window_t window = x11.CreateHiddenWindow();
    const xcb_atom_t property = x11.Atom("BROUILLAMINE_TIMESTAMP");
    xcb_convert_selection(x11.get(), window, x11.Atom("CLIPBOARD"), x11.Atom("TIMESTAMP"), property,
                          XCB_CURRENT_TIME);
    for (const auto deadline = Clock::now() + kClaimPatience; Clock::now() < deadline;) {
        QCoreApplication::processEvents();
        const x11::Event notify
            = x11.WaitFor(std::chrono::milliseconds(10), [](const xcb_generic_event_t* event) {
                  return x11::Kind(event) == XCB_SELECTION_NOTIFY;
              });
        if (!notify)
            continue;
        if (reinterpret_cast<const xcb_selection_notify_event_t*>(notify.get())->property == XCB_NONE)
            return std::nullopt;
        const x11::Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            x11.get(), xcb_get_property(x11.get(), 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
            nullptr));
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
            return std::nullopt;
        return *static_cast<const xcb_timestamp_t*>(xcb_get_property_value(reply.get()));
    }
    return std::nullopt;
}

bool WriteAll(int descriptor, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(descriptor, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The keeper's one-line answer, or "" when none came in time.
std::string AnswerOf(int descriptor)
{
    std::string answer;
    const auto deadline = Clock::now() + kClaimPatience;
    while (answer.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{descriptor, POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (polled < 0 && errno == EINTR)
            continue;
        char buffer[16];
        const ssize_t got = polled == 1 ? read(descriptor, buffer, sizeof buffer) : 0;
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {};
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    return answer;
}

// Starts the keeper in a session of its own and no child of ours, in "/",
// with nothing of ours open but the two pipes. Returns its answer.
std::string HandOver(const std::string& header, const QByteArray& text)
{
    int input = -1, output = -1;
    if (!StartWithPipes(QFile::encodeName(KeeperPath()).constData(), input, output))
        return {};
    const bool written = WriteAll(input, header.data(), header.size())
        && WriteAll(input, text.constData(), static_cast<std::size_t>(text.size()));
    close(input);
    const std::string answer = written ? AnswerOf(output) : std::string();
    close(output);
    return answer;
}

} // namespace

bool HandOverClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !clipboard->ownsClipboard())
        return false;
    const QMimeData* data = clipboard->mimeData();
    const QByteArray text = data->data(QString::fromLatin1(keeper::kTextTarget));
    const bool secret = data->hasFormat(QString::fromLatin1(keeper::kSecretHintTarget));
    const ClipboardMark ours = X11ClipboardOwner();
    std::signal(SIGPIPE, SIG_IGN); // a keeper that died early is told by write(), not by a signal

    std::string answer;
    if (const std::optional<xcb_timestamp_t> time = OwnershipTime()) {
        const std::string header = keeper::Header(secret, static_cast<std::size_t>(text.size()), *time);
        answer = HandOver(header, text);
    }
    if (answer == keeper::kSuperseded) // another program took the clipboard since: its text stays
        return false;
    if (answer != keeper::kTaken) {
        // Ours again, so that the text can be pasted while the message says so.
        try {
            QtClipboard().WriteText({text.constData(), static_cast<std::size_t>(text.size())},
                                    secret ? Sensitivity::Secret : Sensitivity::Plain, ours);
        } catch (const Failure&) { // the keeper, or a newer copy, has it after all
        }
        throw Failure(messages::kNotKept);
    }
    return true;
}
