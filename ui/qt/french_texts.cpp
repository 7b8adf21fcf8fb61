#include "ui/qt/french_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void InstallFrenchQtTexts(QCoreApplication& application)
{
    auto* translator = new QTranslator(&application);
    // Without them Qt falls back to English, which is no reason to stop.
    if (translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}
