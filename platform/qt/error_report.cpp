#include "platform/qt/error_report.h"

#include "cipher/messages.h"

#include <QMessageBox>

void ReportFailure(QWidget* window, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(messages::kTitle), message, QMessageBox::Ok,
                    window);
    box.setObjectName(QStringLiteral("failureMessage"));
    box.exec();
}
