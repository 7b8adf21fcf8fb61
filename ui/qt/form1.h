#pragma once

// Form1 on Linux desktops: Qt's window, QtClipboard, the desktop's editor.

#include "platform/qt/qt_clipboard.h"
#include "ui/form1_clicks.h"

#include <QPixmap>
#include <QWidget>

class QLineEdit;

class Form1 : public QWidget, private Form1Clicks {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Enter presses the button that has the focus, as on Windows: Qt's push
    // buttons take only Space outside a dialog.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Clipboard& clipboard() override { return clipboard_; }
    [[nodiscard]] std::u16string KeyText() const override;
    void QuitProgram() override;
    void OpenTextEditor() override;
    void ShowFailure(std::string_view message) override;
    [[nodiscard]] bool WindowOpen() const override { return isVisible(); }

    QtClipboard clipboard_;
    QPixmap background_;
    QLineEdit* key_ = nullptr;
};
