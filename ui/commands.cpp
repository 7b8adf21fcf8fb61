#include "ui/commands.h"

#include "platform/failure.h"
#include "platform/program_start.h"

#include <QCoreApplication>

void QuitProgram()
{
    QCoreApplication::exit(0);
}

void OpenTextEditor()
{
#ifdef _WIN32
    if (StartProgram("notepad.exe"))
        return;
#else
    if (StartDefaultApplication("text/plain"))
        return;
    // A desktop with no default registered usually still has one of these.
    for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma", "xed",
                               "featherpad", "leafpad"}) {
        if (StartProgram(editor))
            return;
    }
#endif
    throw Failure("Aucun éditeur de texte n'a pu être lancé. Installez un éditeur de texte "
                  "ou choisissez-en un par défaut pour les fichiers texte, puis recommencez.");
}
