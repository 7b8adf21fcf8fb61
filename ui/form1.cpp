#include "ui/form1.h"

#include "cipher/clipboard_commands.h"
#include "platform/error_report.h"
#include "platform/failure.h"
#include "ui/commands.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTextLayout>

#include <new>

namespace {

struct Twips {
    int left, top, width, height;
};

// Positions are kept in twips; Qt's high-DPI scaling takes it from logical
// pixels, as it does for the background picture.
QRect ToPixels(Twips twips)
{
    constexpr int kTwipsPerPixel = 15; // 1440 twips an inch at 96 dpi
    return {twips.left / kTwipsPerPixel, twips.top / kTwipsPerPixel, twips.width / kTwipsPerPixel,
            twips.height / kTwipsPerPixel};
}

enum class Kind { Button, TextField, Label };

struct Control {
    const char* name;
    Kind kind;
    const char* text;
    Twips twips;
    void (*click)(const QString& key);
};

constexpr char kTitle[] = "   Clipboard Brouillamine      V 6.0";
constexpr Twips kClientArea = {0, 0, 4350, 1920};

// In tab order. Label1 runs 15 twips past the client area, which cuts it.
// clang-format off
constexpr Control kControls[] = {
    {"Command1", Kind::Button, "CRYPTER le presse-papier", {240, 120, 1455, 495},
     [](const QString& key) { EncryptClipboard(key); }},
    {"key", Kind::TextField, "Mwé", {240, 840, 2055, 285}, nullptr},
    {"Command2", Kind::Button, "DECRYPTER le presse-papier", {2640, 120, 1455, 495},
     [](const QString& key) { DecryptClipboard(key); }},
    {"Label1", Kind::Label, "© l'atelier Brouillamine", {1680, 1320, 2415, 615}, nullptr},
    {"Command3", Kind::Button, "Quitter", {2880, 840, 1095, 375},
     [](const QString&) { QuitProgram(); }},
    {"Command4", Kind::Button, "Bloc Note", {120, 1320, 1095, 375},
     [](const QString&) { OpenTextEditor(); }},
};
// clang-format on

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
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(QIcon(QStringLiteral(":/ui/artwork/brouillamine.ico")));
    setFixedSize(ToPixels(kClientArea).size());

    QWidget* previous = nullptr;
    for (const Control& control : kControls) {
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
            connect(button, &QPushButton::clicked, this, [this, click = control.click] { Run(click); });
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

void Form1::Run(void (*command)(const QString& key))
{
    try {
        command(key_->text());
    } catch (const Failure& failure) {
        ReportFailure(this, QString::fromUtf8(failure.what()));
    } catch (const std::bad_alloc&) {
        ReportFailure(this,
                      QStringLiteral("La mémoire ne suffit pas pour ce texte. Fermez d'autres "
                                     "programmes ou copiez un texte plus court, puis recommencez. "
                                     "Le presse-papier n'a pas été modifié."));
    }
}
