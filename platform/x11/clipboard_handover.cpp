#include "platform/x11/clipboard_handover.h"

#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

[[noreturn]] void FailHandOver()
{
    throw Failure(messages::kNotKept);
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

// Starts the keeper in a session of its own, no child of ours, with a pipe
// to its standard input and one from its standard output.
pid_t StartDetached(const QByteArray& program, int& input, int& answer)
{
    int toKeeper[2], fromKeeper[2];
    if (pipe2(toKeeper, O_CLOEXEC) != 0)
        return -1;
    if (pipe2(fromKeeper, O_CLOEXEC) != 0) {
        close(toKeeper[0]);
        close(toKeeper[1]);
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls from here to exec.
        if (fork() != 0)
            _exit(0);
        setsid();
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(toKeeper[0], STDIN_FILENO);
        dup2(fromKeeper[1], STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        execl(program.constData(), program.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toKeeper[0]);
    close(fromKeeper[1]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    input = toKeeper[1];
    answer = fromKeeper[0];
    return child;
}

// Installed as a private helper under libexec; in the build tree, beside the program.
QString KeeperPath()
{
    const QDir programs(QCoreApplication::applicationDirPath());
    const QString installed = programs.absoluteFilePath(QStringLiteral(KEEPER_FROM_PROGRAM));
    return QFileInfo::exists(installed) ? installed
                                        : programs.absoluteFilePath(QStringLiteral("brouillamine-keeper"));
}

} // namespace

void HandOverClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !clipboard->ownsClipboard())
        return;
    const QMimeData* data = clipboard->mimeData();
    const QByteArray text = data->data(QStringLiteral("text/plain"));
    const QByteArray kind = data->hasFormat(QString::fromLatin1(kSecretHintFormat)) ? "secret\n" : "plain\n";
    const QByteArray keeper = QFile::encodeName(KeeperPath());

    int input = -1, answer = -1;
    if (StartDetached(keeper, input, answer) < 0)
        FailHandOver();
    std::signal(SIGPIPE, SIG_IGN); // a keeper that died early is told by write(), not by a signal
    const bool written = WriteAll(input, kind.constData(), static_cast<std::size_t>(kind.size()))
        && WriteAll(input, text.constData(), static_cast<std::size_t>(text.size()));
    close(input);

    char confirmation[3] = {};
    pollfd ready{answer, POLLIN, 0};
    const bool confirmed = written && poll(&ready, 1, 1000) == 1 && read(answer, confirmation, 3) == 3
        && QByteArray(confirmation, 3) == "ok\n";
    close(answer);
    if (!confirmed)
        FailHandOver();
    // Let Qt hear that the clipboard is no longer ours, so that it does not
    // try to hand it to a clipboard manager on its way out.
    QCoreApplication::processEvents();
}
