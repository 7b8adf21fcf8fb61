#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/qt/clipboard_handover.h"
#include "platform/qt/error_report.h"
#include "ui/qt/form1.h"
#include "ui/qt/french_texts.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// Qt explains a failed start at length, for developers, then aborts: where
// there is no display at all, one line for the user says why instead.
void ExplainFailedStart(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg)
        return;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        std::fputs(messages::kNoDisplay, stderr);
    else
        std::fprintf(stderr, "brouillamine : %s\n", message.toLocal8Bit().constData());
    std::_Exit(EXIT_FAILURE);
}

// Qt also takes its X display from "-display NAME"; our own connections to
// it (the clipboard's reader, the keeper) take theirs from DISPLAY.
void ExportDisplayOption(int argc, char* argv[])
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0)
            setenv("DISPLAY", argv[i + 1], 1);
    }
}

// Qt 6.4 can abort (libwayland's "wl_proxy_unref: Assertion
// 'proxy->refcount > 0' failed") when a window goes while the compositor's
// word that its last frame was shown is on its way: Qt's frame thread takes
// that word as the window, going, destroys what it answers. The word comes
// within a frame of the last repaint (the button just pressed).
void LetTheLastFrameBeShown()
{
    using Clock = std::chrono::steady_clock;
    for (const auto end = Clock::now() + std::chrono::milliseconds(50); Clock::now() < end;) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setApplicationName(QStringLiteral("Brouillamine"));
    QApplication::setApplicationVersion(QStringLiteral("6.0"));
    QApplication::setDesktopFileName(QStringLiteral("org.brouillamine.Brouillamine"));
    ExportDisplayOption(argc, argv);
    qInstallMessageHandler(ExplainFailedStart);
    QApplication application(argc, argv);
    qInstallMessageHandler(nullptr);
    InstallFrenchQtTexts(application);

    Form1 window;
    window.show();
    const int status = application.exec();
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // The window goes at once; the clipboard's text stays, with a keeper
        // or served by the program itself until another program copies.
        // Qt 6.4's Wayland plugin (Debian 12's) can hang for ever in
        // ~QApplication: one of its event threads waits in
        // wl_display_read_events for a reader that has already stopped. So
        // the program ends without it.
        LetTheLastFrameBeShown();
        window.hide();
        if (HandOverClipboard() == Handover::ServeItYourself)
            ServeClipboardWhileOurs();
        std::_Exit(status);
    }
    try {
        // Qt takes the keeper's claim, made at the very time of its own, for
        // an older one, and would still ask a clipboard manager to save the
        // clipboard on its way out, waiting five seconds for one that never
        // answers: nothing of Qt's teardown is needed any more.
        if (HandOverClipboard() == Handover::Kept)
            std::_Exit(status);
    } catch (const Failure& failure) {
        ReportFailure(nullptr, QString::fromUtf8(failure.what()));
    }
    return status;
}
