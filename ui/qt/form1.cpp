#include "ui/qt/form1.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/qt/error_report.h"
#include "platform/qt/program_start.h"
#include "ui/form1_geometry.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>

#include <algorithm>
#include <vector>

namespace {

using form1::Kind;

// Qt's high-DPI scaling takes it from logical pixels, as it does for the
// background picture.
QRect ToPixels(form1::Twips twips)
{
    const form1::Pixels pixels = form1::ToPixels(twips, 96);
    return {pixels.left, pixels.top, pixels.width, pixels.height};
}

// Push buttons draw one line; a caption too wide for its button gets line
// breaks at word ends instead, and all captions a smaller font where one
// would take more than two lines.
void FitCaptions(const std::vector<QPushButton*>& buttons)
{
    const QFont font = (*std::find_if(buttons.begin(), buttons.end(), [](auto* button) { return button; }))->font();
    const auto fontOfSize = [&font](int size) {
        QFont sized = font;
        sized.setPixelSize(size);
        return sized;
    };
    const int largest = QFontInfo(font).pixelSize();
    const form1::FittedCaptions fitted = form1::FitCaptions(
        largest, 6,
        [&buttons](std::size_t control) {
            QStyleOptionButton option;
            option.initFrom(buttons[control]);
            return buttons[control]->style()->subElementRect(QStyle::SE_PushButtonContents, &option,
                                                              buttons[control]).width();
        },
        [&fontOfSize](std::u16string_view text, int size) {
            return QFontMetrics(fontOfSize(size))
                .horizontalAdvance(QString::fromUtf16(text.data(), qsizetype(text.size())));
        });
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == nullptr)
            continue;
        if (fitted.fontSize != largest)
            buttons[i]->setFont(fontOfSize(fitted.fontSize));
        QStringList lines;
        for (const std::u16string& line : fitted.lines[i])
            lines << QString::fromStdU16String(line);
        buttons[i]->setText(lines.join(QLatin1Char('\n')));
    }
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
    std::vector<QPushButton*> buttons; // by control, null for the others
    for (const form1::Control& control : form1::kControls) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
        case Kind::Button: {
            auto* button = new QPushButton(this);
            button->setGeometry(ToPixels(control.twips));
            button->setAccessibleName(text);
            button->setAutoDefault(false);
            button->setFocusPolicy(Qt::StrongFocus); // macOS skips buttons otherwise
            button->installEventFilter(this);
            connect(button, &QPushButton::clicked, this,
                    [this, click = control.click] { HandleClick(click); });
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
        buttons.push_back(control.kind == Kind::Button ? static_cast<QPushButton*>(widget) : nullptr);
        widget->setObjectName(QString::fromUtf8(control.name));
        widget->setGeometry(ToPixels(control.twips));
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr)
                setTabOrder(previous, widget);
            previous = widget;
        }
    }
    FitCaptions(buttons);
    findChild<QPushButton*>(QStringLiteral("Command1"))->setFocus();
}

void Form1::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, background_);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        if ((press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter) && !press->isAutoRepeat()) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::u16string Form1::KeyText() const
{
    return key_->text().toStdU16String();
}

void Form1::QuitProgram()
{
    QCoreApplication::exit(0);
}

void Form1::OpenTextEditor()
{
    if (!StartTextEditor())
        throw Failure(messages::kNoEditor);
}

void Form1::ShowFailure(std::string_view message)
{
    ReportFailure(this, QString::fromUtf8(message.data(), qsizetype(message.size())));
}
