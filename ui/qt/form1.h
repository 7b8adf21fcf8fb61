#pragma once

// Brouillamine enciphers the clipboard's text with a typed key. The road of a
// click on Linux: Form1, built from the shared description in
// ui/form1_layout.h, hands the button's click to the shared
// Form1Commands::HandleClick (ui/form1_commands), which runs the button's
// command with the key field's text: EncryptClipboard or DecryptClipboard
// (cipher/) over QtClipboard (platform/qt), or Form1's QuitProgram and
// OpenTextEditor. The cipher commands read the clipboard once, transform the
// text with the toolkit-free EncodeText or DecodeText, and write the
// clipboard once. A failure is thrown as a Failure carrying a French
// message, which HandleClick has Form1 show; the program goes on.

#include "platform/qt/qt_clipboard.h"
#include "ui/form1_commands.h"

#include <QPixmap>
#include <QWidget>

class QLineEdit;

class Form1 : public QWidget, private Form1Commands {
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
