#include "platform/qt/clipboard_handover.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/keeper/keeper_protocol.h"
#include "platform/qt/clipboard_data.h"
#include "platform/qt/program_start.h"
#include "platform/x11/x11_clipboard_reader.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// How long the keeper may take to claim the clipboard once it has the text.
constexpr auto kClaimPatience = std::chrono::seconds(1);

// Installed as private helpers under libexec; in the build tree, beside the program.
QString KeeperPath(const char* name)
{
    const QDir programs(QCoreApplication::applicationDirPath());
    const QString installed
        = programs.absoluteFilePath(QStringLiteral(KEEPERS_FROM_PROGRAM "/") + QString::fromLatin1(name));
    return QFileInfo::exists(installed) ? installed : programs.absoluteFilePath(QString::fromLatin1(name));
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

// The keeper's one-line answer, or "" when none came in time. The
// program's events go on meanwhile: a Wayland keeper reads the clipboard
// from it.
std::string AnswerOf(int descriptor)
{
    std::string answer;
    const auto deadline = Clock::now() + kClaimPatience;
    while (answer.find('\n') == std::string::npos && Clock::now() < deadline) {
        QCoreApplication::processEvents();
        pollfd ready{descriptor, POLLIN, 0};
        const int polled = poll(&ready, 1, 5);
        if (polled == 0 || (polled < 0 && errno == EINTR))
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

// Starts the keeper `name` in a session of its own and no child of ours, in
// "/", with nothing of ours open but the two pipes. Returns its answer.
std::string HandOver(const char* name, const keeper::Header& header, const QByteArray& text)
{
    std::signal(SIGPIPE, SIG_IGN); // a keeper that died early is told by write(), not by a signal
    int input = -1, output = -1;
    if (!StartWithPipes(QFile::encodeName(KeeperPath(name)).constData(), input, output))
        return {};
    const std::string line = keeper::WriteHeader(header);
    const bool written = WriteAll(input, line.data(), line.size())
        && WriteAll(input, text.constData(), static_cast<std::size_t>(text.size()));
    close(input);
    const std::string answer = written ? AnswerOf(output) : std::string();
    close(output);
    return answer;
}

// The X server tells who owns the clipboard, as Qt cannot: Qt takes a
// keeper's claim made at the very time of its own for an older one, and goes
// on believing it owns the clipboard.
Handover HandOverOnX11(const QByteArray& text, bool secret)
{
    QGuiApplication::sync(); // so that Qt has heard of a copy made before the end
    if (!QGuiApplication::clipboard()->ownsClipboard())
        return Handover::NothingToKeep;
    const xcb_window_t ours = X11ClipboardOwner();
    // Qt answers from its events, which go on meanwhile; none when another
    // program took the clipboard since.
    const xcb_timestamp_t time = X11ClipboardOwnerTime(kClaimPatience, [] {
        QCoreApplication::processEvents();
        return true;
    });
    const std::string answer = time == 0
        ? std::string()
        : HandOver("brouillamine-keeper", {secret, static_cast<std::size_t>(text.size()), time}, text);
    if (answer == keeper::kTaken)
        return Handover::Kept;
    const xcb_window_t owner = X11ClipboardOwner();
    if (answer == keeper::kSuperseded || (owner != ours && owner != XCB_NONE))
        return Handover::NothingToKeep; // another program's copy, or the keeper's after all
    if (owner == XCB_NONE) {
        // Ours again, so that the text can be pasted while the message says so.
        QGuiApplication::clipboard()->setMimeData(ClipboardData(text, secret));
    }
    throw Failure(messages::kNotKept);
}

} // namespace

Handover HandOverClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString platform = QGuiApplication::platformName();
    const bool x11 = platform == QLatin1String("xcb");
    if (!(x11 || platform.startsWith(QLatin1String("wayland"))) || !clipboard->ownsClipboard())
        return Handover::NothingToKeep;
    const QMimeData* data = clipboard->mimeData();
    const QByteArray text = data->data(QString::fromLatin1(keeper::kTextTarget));
    const bool secret = data->hasFormat(QString::fromLatin1(keeper::kSecretHintTarget));
    if (x11)
        return HandOverOnX11(text, secret);
    const std::string answer
        = HandOver("brouillamine-wayland-keeper", {secret, static_cast<std::size_t>(text.size()), 0}, text);
    return answer == keeper::kTaken     ? Handover::Kept
        : answer == keeper::kSuperseded ? Handover::NothingToKeep
                                        : Handover::ServeItYourself;
}

void ServeClipboardWhileOurs()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    QEventLoop serving;
    QObject::connect(clipboard, &QClipboard::changed, &serving, [&serving, clipboard] {
        if (!clipboard->ownsClipboard())
            serving.quit();
    });
    if (clipboard->ownsClipboard())
        serving.exec();
}
