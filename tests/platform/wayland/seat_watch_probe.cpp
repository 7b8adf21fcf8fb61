// A window whose seat watch is asked by the Wayland suite: for each line on
// its standard input, it says whether it has the keyboard ("keyboard" or
// "none").
#include "platform/wayland/seat_watch.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <qpa/qplatformnativeinterface.h>

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("seat watch probe"));
    window.resize(200, 100);
    window.show();
    WaylandSeatWatch watch(static_cast<wl_display*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display")));
    QSocketNotifier asked(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&asked, &QSocketNotifier::activated, &window, [&] {
        char lines[64];
        const ssize_t got = read(STDIN_FILENO, lines, sizeof lines);
        if (got <= 0)
            application.quit();
        for (ssize_t i = 0; i < got; ++i) {
            if (lines[i] == '\n')
                std::puts(watch.HasKeyboard() ? "keyboard" : "none");
        }
        std::fflush(stdout);
    });
    return application.exec();
}
