#include "ui/qt/commands.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/qt/program_start.h"

#include <QCoreApplication>

void QuitProgram()
{
    QCoreApplication::exit(0);
}

void OpenTextEditor()
{
    if (StartDefaultApplication("text/plain"))
        return;
    // A desktop with no default registered usually still has one of these.
    for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma", "xed",
                               "featherpad", "leafpad"}) {
        if (StartProgram(editor))
            return;
    }
    throw Failure(messages::kNoEditor);
}
