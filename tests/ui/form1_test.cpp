#include "ui/qt/form1.h"
#include "ui/qt/french_texts.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class Form1Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InstallFrenchQtTexts(*QCoreApplication::instance()); }

    void init()
    {
        form_ = std::make_unique<Form1>();
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    void cleanup() { form_.reset(); }

    void window()
    {
        QCOMPARE(form_->windowTitle(), u"   Clipboard Brouillamine      V 6.0"_qs);
        QCOMPARE(form_->size(), QSize(290, 128));
        QCOMPARE(form_->minimumSize(), form_->maximumSize());
        QVERIFY(!form_->windowIcon().isNull());
        QCOMPARE(form_->windowIcon().availableSizes().size(), 2);
    }

    void controls_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<int>("lines");
        QTest::newRow("Command1") << u"CRYPTER le presse-papier"_qs << QRect(16, 8, 97, 33) << 2;
        QTest::newRow("key") << u"Mwé"_qs << QRect(16, 56, 137, 19) << 1;
        QTest::newRow("Command2") << u"DECRYPTER le presse-papier"_qs << QRect(176, 8, 97, 33) << 2;
        QTest::newRow("Label1") << QString() << QRect(112, 88, 161, 41) << 1;
        QTest::newRow("Command3") << u"Quitter"_qs << QRect(192, 56, 73, 25) << 1;
        QTest::newRow("Command4") << u"Bloc Note"_qs << QRect(8, 88, 73, 25) << 1;
    }

    void controls()
    {
        QFETCH(QString, caption);
        QFETCH(QRect, pixels);
        QFETCH(int, lines);
        auto* control = form_->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(control != nullptr);
        QCOMPARE(control->geometry(), pixels);
        QString text;
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            text = button->text();
            QVERIFY(!button->isDefault() && !button->autoDefault());
            QVERIFY(!text.contains(u'&'));
            QCOMPARE(button->accessibleName(), caption);
        } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
            text = field->text();
            QVERIFY(field->echoMode() == QLineEdit::Normal);
        } else {
            text = qobject_cast<QLabel*>(control)->text();
            QVERIFY(!text.isEmpty());
            QVERIFY(control->geometry().bottom() >= form_->height()); // cut by the lower edge
            caption = text;
        }
        QCOMPARE(text.count(u'\n') + 1, lines);
        QCOMPARE(text.replace(u'\n', u' '), caption);

        const QString spoken = control->objectName() == u"key"_qs ? u"Clé"_qs : caption;
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), spoken);
    }

    void qtTextsAreFrench()
    {
        std::unique_ptr<QMenu> menu(form_->findChild<QLineEdit*>(u"key"_qs)->createStandardContextMenu());
        QStringList actions;
        for (QAction* action : menu->actions())
            actions << action->text().remove(u'&').section(u'\t', 0, 0);
        QVERIFY2(actions.contains(u"Copier"_qs) && actions.contains(u"Coller"_qs),
                 qPrintable(actions.join(u", ")));
        QMessageBox box(QMessageBox::Warning, {}, {}, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(u'&'), u"Annuler"_qs);
    }

    void tabOrder()
    {
        QCOMPARE(QApplication::focusWidget()->objectName(), u"Command1"_qs);
        QStringList visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"key", "Command2", "Command3", "Command4", "Command1"}));
    }

    // Enter and Space press the focused button, however it got the focus;
    // Enter in the key field and Escape press nothing.
    void keysPressTheFocusedButtonOnly()
    {
        QMap<QString, int> clicks;
        for (auto* button : form_->findChildren<QPushButton*>())
            connect(button, &QPushButton::clicked, this,
                    [&clicks, button] { ++clicks[button->objectName()]; });
        QGuiApplication::clipboard()->setText(u"é"_qs);
        auto* command1 = form_->findChild<QPushButton*>(u"Command1"_qs);
        QTest::keyClick(command1, Qt::Key_Return); // focused at start
        QTest::mouseClick(form_->findChild<QPushButton*>(u"Command2"_qs), Qt::LeftButton);
        QTest::mouseClick(command1, Qt::LeftButton);
        QTest::keyClick(command1, Qt::Key_Enter); // focused by the click
        QTest::keyClick(command1, Qt::Key_Space);
        QTest::keyClick(command1, Qt::Key_Escape);
        auto* key = form_->findChild<QLineEdit*>(u"key"_qs);
        key->setFocus();
        QTest::keyClick(key, Qt::Key_Return);
        QTest::keyClick(key, Qt::Key_Enter);
        QTest::keyClick(key, Qt::Key_Escape);
        QCOMPARE(clicks, (QMap<QString, int>{{u"Command1"_qs, 4}, {u"Command2"_qs, 1}}));
        QVERIFY(form_->isVisible());
    }

    // A failing command is shown over the window, and the program goes on.
    void failureIsShownAndProgramGoesOn()
    {
        QGuiApplication::clipboard()->setText(u"texte à garder"_qs);
        form_->findChild<QLineEdit*>(u"key"_qs)->clear();
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            shown = box->text();
            box->accept();
        });
        QTest::mouseClick(form_->findChild<QPushButton*>(u"Command1"_qs), Qt::LeftButton);
        QVERIFY2(shown.startsWith(u"La clé est vide."_qs), qPrintable(shown));
        QCOMPARE(QGuiApplication::clipboard()->text(), u"texte à garder"_qs);
        QVERIFY(form_->isVisible());

        form_->findChild<QLineEdit*>(u"key"_qs)->setText(u"Mwé"_qs);
        QGuiApplication::clipboard()->setText(u"é"_qs);
        QTest::mouseClick(form_->findChild<QPushButton*>(u"Command1"_qs), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"164"_qs);
    }

private:
    std::unique_ptr<Form1> form_;
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
