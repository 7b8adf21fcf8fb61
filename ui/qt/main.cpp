#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/qt/error_report.h"
#include "platform/x11/clipboard_handover.h"
#include "ui/qt/form1.h"
#include "ui/qt/french_texts.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Qt explains a missing display at length, for developers, then aborts.
void ExitWhenNoDisplay(QtMsgType type, const QMessageLogContext&, const QString&)
{
    if (type != QtFatalMsg)
        return;
    std::fputs(messages::kNoDisplay, stderr);
    std::_Exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setApplicationName(QStringLiteral("Brouillamine"));
    QApplication::setApplicationVersion(QStringLiteral("6.0"));
    QApplication::setDesktopFileName(QStringLiteral("org.brouillamine.Brouillamine"));
    qInstallMessageHandler(ExitWhenNoDisplay);
    QApplication application(argc, argv);
    qInstallMessageHandler(nullptr);
    InstallFrenchQtTexts(application);

    Form1 window;
    window.show();
    const int status = application.exec();
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // Qt 6.4's Wayland plugin (Debian 12's) can hang for ever in
        // ~QApplication: one of its event threads waits in
        // wl_display_read_events for a reader that has already stopped. The
        // compositor keeps the clipboard and nothing else of ours is left, so
        // end here, once pending requests (a paste among them) are answered.
        window.hide();
        QCoreApplication::processEvents();
        std::_Exit(status);
    }
    try {
        HandOverClipboard();
    } catch (const Failure& failure) {
        ReportFailure(nullptr, QString::fromUtf8(failure.what()));
    }
    return status;
}
