#pragma once

class QString;
class QWidget;

// Shows a failed command's message over `window` until the user closes it.
void ReportFailure(QWidget* window, const QString& message);
