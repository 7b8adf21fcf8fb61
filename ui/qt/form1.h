#pragma once

// Brouillamine enciphers the clipboard's text with a typed key. The road of a
// click: Form1, built from the shared description in ui/form1_layout.h,
// catches the button's click and runs its command with the key field's text
// (EncryptClipboard, DecryptClipboard in cipher/, QuitProgram and
// OpenTextEditor in ui/qt/commands). The cipher commands read the clipboard
// once through the Clipboard interface, here QtClipboard, transform the text
// with the toolkit-free EncodeText or DecodeText, and write the clipboard
// once. Any failure is thrown as a Failure carrying a French message, which
// Form1 shows; the program goes on.

#include "platform/qt/qt_clipboard.h"
#include "ui/form1_layout.h"

#include <QPixmap>
#include <QWidget>

class QLineEdit;

class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RunCommand(form1::Command command);

    QtClipboard clipboard_;
    QPixmap background_;
    QLineEdit* key_ = nullptr;
    bool busy_ = false;
};
