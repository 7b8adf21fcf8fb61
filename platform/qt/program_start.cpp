// GIO comes before any Qt header, as both use the names signals and slots.
#include <gio/gio.h>

#include "platform/qt/program_start.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <unistd.h>

namespace {

bool StartDefaultApplication(const char* mimeType)
{
    GAppInfo* application = g_app_info_get_default_for_type(mimeType, FALSE);
    if (application == nullptr)
        return false;
    const gboolean started = g_app_info_launch(application, nullptr, nullptr, nullptr);
    g_object_unref(application);
    return started;
}

bool StartFromPath(const char* program)
{
    const QString path = QStandardPaths::findExecutable(QString::fromUtf8(program));
    return !path.isEmpty() && QProcess::startDetached(path, {});
}

} // namespace

bool StartTextEditor()
{
    if (StartDefaultApplication("text/plain"))
        return true;
    // A desktop with no default registered usually still has one of these.
    for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma", "xed",
                               "featherpad", "leafpad"}) {
        if (StartFromPath(editor))
            return true;
    }
    return false;
}

bool StartWithPipes(const char* program, int& input, int& output)
{
    gchar* argv[] = {const_cast<gchar*>(program), nullptr};
    return g_spawn_async_with_pipes(
        "/", argv, nullptr, G_SPAWN_STDERR_TO_DEV_NULL, [](gpointer) { setsid(); }, nullptr, nullptr, &input,
        &output, nullptr, nullptr);
}
