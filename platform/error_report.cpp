#include "platform/error_report.h"

#include <QMessageBox>

void ReportFailure(QWidget* window, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Brouillamine"), message, QMessageBox::Ok, window);
    box.setObjectName(QStringLiteral("failureMessage"));
    box.exec();
}
