#include "ui/qt/form1.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/qt/error_report.h"
#include "ui/form1_click.h"
#include "ui/qt/commands.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyleOptionButton>
#include <QTextLayout>

#include <new>

namespace {

using form1::Kind;

// Qt's high-DPI scaling takes it from logical pixels, as it does for the
// background picture.
QRect ToPixels(form1::Twips twips)
{
    constexpr int kLogicalDpi = 96;
    return {form1::ToPixels(twips.left, kLogicalDpi), form1::ToPixels(twips.top, kLogicalDpi),
            form1::ToPixels(twips.width, kLogicalDpi), form1::ToPixels(twips.height, kLogicalDpi)};
}

// Push buttons draw one line; a caption too wide for its button gets line
// breaks at word boundaries instead.
QString WrapCaption(QPushButton* button, const QString& caption)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const int width = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    QTextLayout layout(caption, button->font());
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << caption.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines.join(QLatin1Char('\n'));
}

} // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , background_(QStringLiteral(":/ui/artwork/background.bmp"))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(form1::kTitle));
    setWindowIcon(QIcon(QStringLiteral(":/ui/artwork/brouillamine.ico")));
    setFixedSize(ToPixels(form1::kClientArea).size());

    QWidget* previous = nullptr;
    for (const form1::Control& control : form1::kControls) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
        case Kind::Button: {
            auto* button = new QPushButton(this);
            button->setGeometry(ToPixels(control.twips));
            button->setText(WrapCaption(button, text));
            button->setAccessibleName(text);
            button->setAutoDefault(false);
            button->setFocusPolicy(Qt::StrongFocus); // macOS skips buttons otherwise
            connect(button, &QPushButton::clicked, this,
                    [this, click = control.click] { RunCommand(click); });
            widget = button;
            break;
        }
        case Kind::TextField:
            key_ = new QLineEdit(text, this);
            key_->setAccessibleName(QStringLiteral("Clé"));
            widget = key_;
            break;
        case Kind::Label: {
            auto* label = new QLabel(text, this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        }
        widget->setObjectName(QString::fromUtf8(control.name));
        widget->setGeometry(ToPixels(control.twips));
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr)
                setTabOrder(previous, widget);
            previous = widget;
        }
    }
    findChild<QPushButton*>(QStringLiteral("Command1"))->setFocus();
}

void Form1::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, background_);
}

void Form1::RunCommand(form1::Command command)
{
    // A read that waits for another program keeps the window alive: one
    // command at a time all the same.
    if (busy_)
        return;
    const QScopedValueRollback<bool> busy(busy_, true);
    try {
        const QString key = key_->text();
        RunClick(command, clipboard_,
                 {reinterpret_cast<const char16_t*>(key.utf16()), static_cast<std::size_t>(key.size())},
                 {QuitProgram, OpenTextEditor});
    } catch (const Failure& failure) {
        if (isVisible()) // closed during the command: the user has left
            ReportFailure(this, QString::fromUtf8(failure.what()));
    } catch (const std::bad_alloc&) {
        ReportFailure(this, QString::fromUtf8(messages::kOutOfMemory));
    }
}
