// GIO comes before any Qt header, as both use the names signals and slots.
#include <gio/gio.h>

#include "platform/qt/program_start.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>

bool StartDefaultApplication(const char* mimeType)
{
    GAppInfo* application = g_app_info_get_default_for_type(mimeType, FALSE);
    if (application == nullptr)
        return false;
    const gboolean started = g_app_info_launch(application, nullptr, nullptr, nullptr);
    g_object_unref(application);
    return started;
}

bool StartProgram(const char* program)
{
    const QString path = QStandardPaths::findExecutable(QString::fromUtf8(program));
    return !path.isEmpty() && QProcess::startDetached(path, {});
}
