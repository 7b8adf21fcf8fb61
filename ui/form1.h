#pragma once

// Brouillamine enciphers the clipboard's text with a typed key. The road of a
// click: Form1 catches the button's click and runs its command with the key
// field's text (EncryptClipboard, DecryptClipboard in cipher/, QuitProgram and
// OpenTextEditor in ui/commands). The cipher commands read the clipboard once
// through platform/clipboard, transform the text with the Qt-free EncodeText
// or DecodeText, and write the clipboard once. Any failure is thrown as a
// Failure carrying a French message, which Form1 shows; the program goes on.

#include <QPixmap>
#include <QWidget>

class QLineEdit;
class QString;

class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Run(void (*command)(const QString& key));

    QPixmap background_;
    QLineEdit* key_ = nullptr;
};
