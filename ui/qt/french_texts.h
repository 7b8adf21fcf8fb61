#pragma once

class QCoreApplication;

// Qt's own texts (dialog buttons, the key field's context menu) in French,
// from the translations installed with Qt.
void InstallFrenchQtTexts(QCoreApplication& application);
